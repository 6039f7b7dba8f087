#pragma once

// The hand-back channel: workers post a task that must run on the main thread and wait until it has run. The main
// thread drains the queue (the Qt layer from its event loop, woken by the wake hook; the command-line tool from a
// plain wait loop).

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

namespace tidewick {

class THandBackQueue {
 public:
  using TTask = std::function<void()>;
  using TWakeHook = std::function<void()>;

  THandBackQueue() = default;
  ~THandBackQueue();
  THandBackQueue(const THandBackQueue&) = delete;
  THandBackQueue& operator=(const THandBackQueue&) = delete;

  // Worker side: queues task and blocks until the main thread has run it. False when the queue was closed before
  // the task ran (the task is then never run).
  bool RunOnMainThread(TTask task);

  // Main thread: runs every task queued so far, in order, and releases their workers. Returns how many ran. A task
  // that throws is treated as done.
  size_t Drain();

  // Main thread: waits until a task is queued or the time has passed; true when a task is waiting.
  bool WaitForTask(std::chrono::milliseconds timeout);

  // Called (on the posting worker's thread) whenever a task is queued, so the main loop can wake up and Drain().
  // Set it before workers start.
  void SetWakeHook(TWakeHook hook);

  // Refuses new tasks and releases every waiting worker without running its task. Used at destruction.
  void Close();

  // Re-opens a closed queue.
  void Open();

  size_t PendingCount() const;

 private:
  struct TPending {
    TTask Task;
    bool Finished = false;
    bool Ran = false;
  };

  mutable std::mutex m_mutex;
  std::condition_variable m_posted;    // main thread waits here for tasks
  std::condition_variable m_finished;  // workers wait here for their task
  std::deque<std::shared_ptr<TPending>> m_pending;
  TWakeHook m_wakeHook;
  bool m_closed = false;
};

}  // namespace tidewick
