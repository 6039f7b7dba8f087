#pragma once

// The window holds the store's write lock for its whole run, so a cron "tidewick-feed refresh" and the window
// never write over each other's work. When the tool holds it at start, the window waits for it.

#include <string>

#include "feeds/feed_store.h"

namespace tidewick {

enum class TStoreLockOutcome {
  Taken,      // the lock is held
  Cancelled,  // the user did not want to wait
  Unusable,   // no lock file can be created there (a read-only folder): run without it
};

// Tries at once; while another process holds the lock, shows a message that says so with a Cancel button and
// tries again every pollMs.
TStoreLockOutcome TakeStoreLockWaiting(TFeedStoreLock& lock, const std::string& storeFileName, int pollMs = 250);

}  // namespace tidewick
