#pragma once

// Priorities of refresh workers by the origin of the request.

namespace tidewick {

enum class TThreadPriority {
  Idle,         // timer and start-up refreshes (SCHED_IDLE on Linux)
  Lowest,       // refresh all (nice 10)
  BelowNormal,  // refresh of selected feeds (nice 5)
  Normal,       // nice 0
};

// Applies priority to the calling thread as closely as the platform allows. Best effort: false when it could not be
// set, which is not an error.
bool SetCurrentThreadPriority(TThreadPriority priority);

}  // namespace tidewick
