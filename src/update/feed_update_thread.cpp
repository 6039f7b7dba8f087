#include "update/feed_update_thread.h"

#include <algorithm>

#include "feeds/feed_merge.h"
#include "formats/feed_document.h"
#include "update/refresh_failure.h"

namespace tidewick {
namespace {

// Time-outs beyond a day are taken as a day, which keeps the milliseconds inside an int.
constexpr int kLongestTimeoutSeconds = 24 * 60 * 60;

TFetchOptions FetchOptionsFor(const TWorkerSettings& settings, const std::atomic<bool>& stop) {
  TFetchOptions options;
  options.Proxy = settings.Proxy;
  options.StopFlag = &stop;
  options.LowSpeedWindowMs = settings.LowSpeedWindowMs;
  return options;
}

TFeed* FindById(TFeeds& feeds, uint64_t id) {
  const auto found = std::find_if(feeds.begin(), feeds.end(), [id](const TFeed& feed) { return feed.Id == id; });
  return found == feeds.end() ? nullptr : &*found;
}

}  // namespace

TFeedUpdateThread::TFeedUpdateThread(uint64_t feedId, int feedIndex, std::string url, const TWorkerSettings& settings,
                                     TThreadPriority priority)
    : m_feedId(feedId), m_feedIndex(feedIndex), m_url(std::move(url)), m_settings(settings), m_priority(priority) {}

TFeedUpdateThread::~TFeedUpdateThread() = default;

bool TFeedUpdateThread::Execute(const std::atomic<bool>& stop, THandBackQueue& queue,
                                const std::function<void()>& handBack) {
  if (stop.load()) {
    Cancel();
    return false;
  }
  m_outcome.store(TWorkerOutcome::Running, std::memory_order_release);
  bool aborted = false;
  try {
    std::string content;
    const int seconds = std::clamp(m_settings.TimeoutSeconds, 0, kLongestTimeoutSeconds);
    TFetchOptions options = FetchOptionsFor(m_settings, stop);
    options.IfNoneMatch = m_ifNoneMatch;
    options.IfModifiedSince = m_ifModifiedSince;
    const auto now = [this] { return m_clock ? m_clock() : NowUtc(); };
    const TDateTime started = now();
    const TFetchResult fetched = FetchUrl(m_url, content, seconds * 1000, options);
    aborted = fetched.Status == TFetchStatus::Aborted;
    m_answer = ClassifyFetch(fetched, started, now());
    if (m_answer.Kind == TAnswerKind::Document) {
      ReadDocument(std::move(content));
    }
    m_failureReason = m_answer.Failure;
  } catch (...) {
    m_answer.Kind = TAnswerKind::Failed;
    m_failureReason = m_answer.Failure = kFailureUnexpected;
  }
  const bool handedBack = !aborted && queue.RunOnMainThread(handBack);
  if (!handedBack) {
    m_outcome.store(TWorkerOutcome::Cancelled, std::memory_order_release);
  }
  m_fresh.reset();
  m_done.store(true, std::memory_order_release);
  return handedBack;
}

void TFeedUpdateThread::SetValidators(std::string etag, std::string lastModified) {
  m_ifNoneMatch = std::move(etag);
  m_ifModifiedSince = std::move(lastModified);
}

void TFeedUpdateThread::ReadDocument(std::string content) {
  auto fresh = std::make_unique<TFeed>();
  const long status = m_answer.HttpCode;
  const TFeedDocumentResult read = ReadDownloadedFeed(std::move(content), *fresh, m_url);
  // A document cut short would drop every entry it no longer holds: the refresh counts as failed instead.
  m_readOk = read.Ok && read.Complete;
  if (m_readOk) {
    m_fresh = std::move(fresh);
    return;
  }
  m_answer.Kind = TAnswerKind::Failed;
  if (read.Ok) {
    m_answer.Failure = kFailureCutShort;
  } else if (status >= 400) {
    m_answer.Failure = HttpFailureCode(status);  // an error page says less than its status
  } else {
    m_answer.Failure = kFailureNotAFeed;
  }
}

void TFeedUpdateThread::SyncFeedBack(TFeeds& feeds, const std::vector<std::string>& autoReadTerms) {
  TFeed* const stored = FindById(feeds, m_feedId);
  if (stored == nullptr || stored->URL != m_url) {
    // Deleted meanwhile, or given another address: neither the old address's entries nor its failure belong here.
    m_outcome.store(TWorkerOutcome::Cancelled, std::memory_order_release);
    return;
  }
  TWorkerOutcome outcome = TWorkerOutcome::Failed;
  try {
    switch (m_answer.Kind) {
      case TAnswerKind::Document:
        if (m_readOk && m_fresh) {
          const TMergeCounts counts = MergeFeed(*stored, std::move(*m_fresh), TAutoReadTerms(autoReadTerms));
          m_newEntryCount = static_cast<size_t>(counts.Added);
          m_changedMore = counts.EntriesChanged();
          outcome = TWorkerOutcome::Refreshed;
        }
        break;
      case TAnswerKind::Unchanged:
        stored->MinutesElapsed = 0;
        stored->LastDownloaded = m_answer.Started;
        stored->Error = false;
        outcome = TWorkerOutcome::Refreshed;
        break;
      case TAnswerKind::RetryLater:
        outcome = TWorkerOutcome::Deferred;
        break;
      case TAnswerKind::Gone:
      case TAnswerKind::Failed:
        break;
    }
  } catch (...) {
    m_answer.Kind = TAnswerKind::Failed;
    m_failureReason = m_answer.Failure = kFailureUnexpected;
    outcome = TWorkerOutcome::Failed;
  }
  if (outcome == TWorkerOutcome::Failed) {
    m_answer.Kind = m_answer.Kind == TAnswerKind::Gone ? TAnswerKind::Gone : TAnswerKind::Failed;
    stored->Error = true;
  }
  if (RecordAnswer(*stored, m_answer)) {
    m_changedMore = true;
  }
  m_outcome.store(outcome, std::memory_order_release);
}

void TFeedUpdateThread::Cancel() {
  m_outcome.store(TWorkerOutcome::Cancelled, std::memory_order_release);
  m_done.store(true, std::memory_order_release);
}

TFeedUpdateThreadArray::TFeedUpdateThreadArray(TFeeds& feeds, THandBackQueue& queue, TAutoReadSource autoReadTerms)
    : m_feeds(feeds), m_queue(queue), m_autoReadTerms(std::move(autoReadTerms)) {}

TFeedUpdateThreadArray::~TFeedUpdateThreadArray() {
  StopAllWorkers();
}

TFeedUpdateThread* TFeedUpdateThreadArray::Start(int feedIndex, const TWorkerSettings& settings,
                                                 TThreadPriority priority) {
  if (feedIndex < 0 || static_cast<size_t>(feedIndex) >= m_feeds.size()) {
    return nullptr;
  }
  const TFeed& feed = m_feeds[static_cast<size_t>(feedIndex)];
  const auto priorityClass = static_cast<size_t>(priority);
  const std::scoped_lock lock(m_mutex);
  if (!m_active.insert(feed.Id).second) {
    return nullptr;  // already waiting or running
  }
  m_workers.push_back(std::make_unique<TFeedUpdateThread>(feed.Id, feedIndex, feed.URL, settings, priority));
  TFeedUpdateThread* const worker = m_workers.back().get();
  TFetchOptions validators;
  AddValidators(feed, validators);
  worker->SetValidators(std::move(validators.IfNoneMatch), std::move(validators.IfModifiedSince));
  worker->SetClock(m_clock);
  m_waiting[priorityClass].push_back(worker);
  // Threads are started here, on the main thread, so each begins at the normal priority and only ever lowers it.
  if (m_waiting[priorityClass].size() > static_cast<size_t>(m_spareThreads[priorityClass]) &&
      m_threadsOfClass[priorityClass] < kMaxConcurrentDownloads) {
    ++m_liveThreads;
    ++m_threadsOfClass[priorityClass];
    ++m_spareThreads[priorityClass];
    m_threads.emplace_back([this, priority] { PoolThreadBody(priority); });
  }
  m_wake.notify_all();
  return worker;
}

size_t TFeedUpdateThreadArray::RunningCount() const {
  return static_cast<size_t>(
      std::count_if(m_workers.begin(), m_workers.end(), [](const auto& worker) { return !worker->Done(); }));
}

// A free slot goes to the highest class that has work waiting.
bool TFeedUpdateThreadArray::MayTakeLocked(size_t priorityClass) const {
  if (m_waiting[priorityClass].empty() || m_busySlots >= kMaxConcurrentDownloads) {
    return false;
  }
  for (size_t higher = priorityClass + 1; higher < kClassCount; ++higher) {
    if (!m_waiting[higher].empty()) {
      return false;
    }
  }
  return true;
}

void TFeedUpdateThreadArray::PoolThreadBody(TThreadPriority priority) {
  const auto priorityClass = static_cast<size_t>(priority);
  m_prioritySetter(priority);
  for (;;) {
    TFeedUpdateThread* worker = nullptr;
    {
      std::unique_lock lock(m_mutex);
      m_wake.wait(lock, [this, priorityClass] { return m_stop.load() || MayTakeLocked(priorityClass); });
      if (m_stop.load()) {
        --m_liveThreads;
        return;
      }
      worker = m_waiting[priorityClass].front();
      m_waiting[priorityClass].pop_front();
      --m_spareThreads[priorityClass];
      ++m_busySlots;
    }
    const int running = ++m_running;
    for (int peak = m_peakRunning.load(); running > peak && !m_peakRunning.compare_exchange_weak(peak, running);) {
    }
    const bool handedBack = worker->Execute(m_stop, m_queue, [this, worker] { HandBack(*worker); });
    --m_running;
    {
      const std::scoped_lock lock(m_mutex);
      if (!handedBack) {
        m_active.erase(worker->FeedId());
      }
      ++m_spareThreads[priorityClass];
      --m_busySlots;
    }
    m_wake.notify_all();  // the slot may belong to a thread of another class
  }
}

void TFeedUpdateThreadArray::HandBack(TFeedUpdateThread& worker) {
  worker.SyncFeedBack(m_feeds, m_autoReadTerms ? m_autoReadTerms() : std::vector<std::string>{});
  {
    const std::scoped_lock lock(m_mutex);
    m_active.erase(worker.FeedId());  // the feed may be queued again as soon as its result is in
  }
  if (m_observer) {
    m_observer(worker);
  }
}

void TFeedUpdateThreadArray::CancelWaitingLocked() {
  for (auto& list : m_waiting) {
    for (TFeedUpdateThread* worker : list) {
      m_active.erase(worker->FeedId());
      worker->Cancel();
    }
    list.clear();
  }
}

void TFeedUpdateThreadArray::StopAllWorkers() {
  {
    const std::scoped_lock lock(m_mutex);
    m_stop.store(true);
    CancelWaitingLocked();
  }
  m_wake.notify_all();
  // Running workers either abort their download or hand back what they already have; serve them meanwhile.
  for (;;) {
    m_queue.Drain();
    {
      const std::scoped_lock lock(m_mutex);
      if (m_liveThreads == 0) {
        break;
      }
    }
    m_queue.WaitForTask(std::chrono::milliseconds(5));
  }
  m_threads.clear();  // every thread has left its loop: joining is immediate
  m_workers.clear();
  const std::scoped_lock lock(m_mutex);
  m_active.clear();
  std::fill(std::begin(m_threadsOfClass), std::end(m_threadsOfClass), 0);
  std::fill(std::begin(m_spareThreads), std::end(m_spareThreads), 0);
  m_busySlots = 0;
  m_stop.store(false);
}

void StopAllWorkers(TFeedUpdateThreadArray& workers) {
  workers.StopAllWorkers();
}

}  // namespace tidewick
