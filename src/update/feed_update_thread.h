#pragma once

// The refresh workers: one TFeedUpdateThread per feed refresh, run on small pools of threads owned by the
// TFeedUpdateThreadArray, one pool per priority class: a thread takes its class's priority once, when it starts, so a
// thread lowered for a timer refresh never runs a refresh the user asked for (an unprivileged thread cannot raise its
// priority again). A worker downloads and reads the feed's document into a fresh record off the main thread;
// the hand-back (SyncFeedBack) merges it into the store's current record on the main thread, found by the feed's
// stable Id.

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_set>
#include <utility>
#include <vector>

#include "feeds/feed_records.h"
#include "update/hand_back_queue.h"
#include "update/refresh_policy.h"
#include "update/thread_priority.h"
#include "util/http_fetch.h"

namespace tidewick {

// At most this many downloads run at once; further workers wait for a slot.
inline constexpr int kMaxConcurrentDownloads = 16;

// What a worker reads from the settings, copied on the main thread when the worker is created.
struct TWorkerSettings {
  int TimeoutSeconds = 10;  // Timeout
  TProxy Proxy;
  int LowSpeedWindowMs = kLowSpeedWindowMs;  // tests shorten it
};

enum class TWorkerOutcome {
  Waiting,    // queued, no slot yet
  Running,    // downloading or reading
  Refreshed,  // handed back: entries merged, or the server said they are current (304)
  Failed,     // handed back: the feed got its error mark (410 Gone too)
  Deferred,   // handed back: the server asked us to come back later (429/503 with Retry-After); no error mark
  Cancelled,  // stopped before or during the download: the feed was left as it was
};

class TFeedUpdateThread {
 public:
  TFeedUpdateThread(uint64_t feedId, int feedIndex, std::string url, const TWorkerSettings& settings,
                    TThreadPriority priority);
  TFeedUpdateThread(const TFeedUpdateThread&) = delete;
  TFeedUpdateThread& operator=(const TFeedUpdateThread&) = delete;
  ~TFeedUpdateThread();

  // True once the worker has finished: handed back, cancelled or skipped. Safe to read on any thread.
  bool Done() const { return m_done.load(std::memory_order_acquire); }
  // The feed's position when the worker was created (positions may shift later; the hand-back uses FeedId).
  int FeedIndex() const { return m_feedIndex; }
  uint64_t FeedId() const { return m_feedId; }
  TThreadPriority Priority() const { return m_priority; }
  const std::string& Url() const { return m_url; }
  TWorkerOutcome Outcome() const { return m_outcome.load(std::memory_order_acquire); }
  // New entries the hand-back added (0 before it ran).
  size_t NewEntryCount() const { return m_newEntryCount; }
  // Whether the hand-back changed more of the stored feed than its refresh state, LastDownloaded and Error: its
  // entries, or its address (a permanent redirect). False before it ran.
  bool ChangedMoreThanRefreshState() const { return m_changedMore; }
  // Why the refresh failed, as a code of refresh_failure.h ("no-answer", "not-a-feed"...); empty otherwise. Main
  // thread, after the hand-back.
  const std::string& FailureReason() const { return m_failureReason; }
  // What the request learnt (status, bytes, validators...). Main thread, after the hand-back.
  const TRefreshAnswer& Answer() const { return m_answer; }

  // Main thread, before the worker is queued: the validators of the stored copy (see AddValidators).
  void SetValidators(std::string etag, std::string lastModified);
  // Main thread, before the worker is queued: the clock that stamps the request (NowUtc unless a test sets one).
  void SetClock(std::function<TDateTime()> clock) { m_clock = std::move(clock); }

  // The thread body: downloads and reads the document, then hands back through queue and waits for it. When stop is
  // raised before or during the download the worker ends without a hand-back. handBack is the task that the queue
  // runs on the main thread (normally a call of SyncFeedBack). True when the hand-back ran.
  bool Execute(const std::atomic<bool>& stop, THandBackQueue& queue, const std::function<void()>& handBack);

  // Main thread: applies the result to the store's current record for FeedId (a feed deleted meanwhile, or one whose
  // address was changed since the download began, is skipped: the result belongs to the old address). On success the
  // entries are merged with autoReadTerms (a 304 keeps them as they are) and MinutesElapsed, LastDownloaded and Error
  // are reset; on failure only Error is set; a Retry-After wish changes neither. The answer goes into the feed's
  // refresh state (RecordAnswer), which may move the feed to a permanent redirect's target. Name, Interval,
  // RefreshAtStart and the marks stay as the store has them.
  void SyncFeedBack(TFeeds& feeds, const std::vector<std::string>& autoReadTerms);

  // Ends a worker that never got a slot, without a hand-back.
  void Cancel();

 private:
  // Worker thread: reads the downloaded body into m_fresh, or turns the answer into a failure.
  void ReadDocument(std::string content);

  const uint64_t m_feedId;
  const int m_feedIndex;
  const std::string m_url;
  const TWorkerSettings m_settings;
  const TThreadPriority m_priority;
  std::atomic<bool> m_done{false};
  std::atomic<TWorkerOutcome> m_outcome{TWorkerOutcome::Waiting};
  std::unique_ptr<TFeed> m_fresh;  // the document read by Execute; released after the hand-back
  bool m_readOk = false;
  std::string m_failureReason;
  std::string m_ifNoneMatch;
  std::string m_ifModifiedSince;
  std::function<TDateTime()> m_clock;
  TRefreshAnswer m_answer;
  size_t m_newEntryCount = 0;
  bool m_changedMore = false;
};

// The set of workers of the current run, in the order they were started, and the pool that runs them.
class TFeedUpdateThreadArray {
 public:
  using TAutoReadSource = std::function<std::vector<std::string>()>;
  using THandBackObserver = std::function<void(const TFeedUpdateThread& worker)>;
  // Applies a priority to the calling thread; SetCurrentThreadPriority unless a test stubs it.
  using TPrioritySetter = std::function<bool(TThreadPriority priority)>;

  // feeds and queue must outlive the array. autoReadTerms is asked on the main thread at each hand-back.
  TFeedUpdateThreadArray(TFeeds& feeds, THandBackQueue& queue, TAutoReadSource autoReadTerms = {});
  ~TFeedUpdateThreadArray();
  TFeedUpdateThreadArray(const TFeedUpdateThreadArray&) = delete;
  TFeedUpdateThreadArray& operator=(const TFeedUpdateThreadArray&) = delete;

  // Main thread: queues a worker for the feed at feedIndex. Null when the position lies outside the store or the
  // feed already has a waiting or running worker.
  TFeedUpdateThread* Start(int feedIndex, const TWorkerSettings& settings, TThreadPriority priority);

  // Main thread: runs the hand-backs that are waiting (same as draining the queue).
  size_t ServeHandBacks() { return m_queue.Drain(); }

  // Main thread: workers in start order.
  const std::vector<std::unique_ptr<TFeedUpdateThread>>& Workers() const { return m_workers; }
  size_t Count() const { return m_workers.size(); }
  size_t RunningCount() const;  // workers not yet done
  bool Empty() const { return m_workers.empty(); }

  // Ends the run: waiting workers end at once without a hand-back, running downloads are aborted (their feeds stay
  // as they were), results already downloaded are still handed back; the pool's threads are joined (the queue is
  // served meanwhile) and the set is emptied. When the run was already over, it only frees the workers.
  void StopAllWorkers();

  // The most downloads seen running at the same moment since the array was created.
  int PeakConcurrency() const { return m_peakRunning.load(); }

  // Main thread: called after each hand-back, with the worker's outcome set.
  void SetHandBackObserver(THandBackObserver observer) { m_observer = std::move(observer); }

  // Main thread, before the first Start.
  void SetPrioritySetter(TPrioritySetter setter) { m_prioritySetter = std::move(setter); }
  // Main thread, before the first Start: the clock that stamps each request (NowUtc unless a test sets one).
  void SetClock(std::function<TDateTime()> clock) { m_clock = std::move(clock); }

 private:
  static constexpr size_t kClassCount = 4;

  void PoolThreadBody(TThreadPriority priority);
  bool MayTakeLocked(size_t priorityClass) const;
  void HandBack(TFeedUpdateThread& worker);
  void CancelWaitingLocked();

  TFeeds& m_feeds;
  THandBackQueue& m_queue;
  TAutoReadSource m_autoReadTerms;
  THandBackObserver m_observer;
  TPrioritySetter m_prioritySetter = SetCurrentThreadPriority;
  std::function<TDateTime()> m_clock;
  std::vector<std::unique_ptr<TFeedUpdateThread>> m_workers;

  std::mutex m_mutex;  // guards the waiting lists, m_active, the slots and the thread counts
  std::condition_variable m_wake;
  std::deque<TFeedUpdateThread*> m_waiting[kClassCount];  // by priority class, highest last
  std::unordered_set<uint64_t> m_active;                  // feed ids with a waiting or running worker
  std::atomic<bool> m_stop{false};
  std::vector<std::jthread> m_threads;  // per class at most kMaxConcurrentDownloads, started as work arrives
  int m_threadsOfClass[kClassCount] = {};
  int m_spareThreads[kClassCount] = {};  // started (or starting) threads of a class without a worker
  int m_liveThreads = 0;
  int m_busySlots = 0;  // downloads running, across all classes
  std::atomic<int> m_running{0};
  std::atomic<int> m_peakRunning{0};
};

// Same as workers.StopAllWorkers().
void StopAllWorkers(TFeedUpdateThreadArray& workers);

}  // namespace tidewick
