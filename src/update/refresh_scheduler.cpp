#include "update/refresh_scheduler.h"

#include <algorithm>
#include <utility>

#include "lang/lang_text.h"
#include "update/refresh_failure.h"

namespace tidewick {
namespace {

TWorkerSettings WorkerSettingsFrom(const TRefreshSettings& settings, int lowSpeedWindowMs) {
  TWorkerSettings worker;
  worker.LowSpeedWindowMs = lowSpeedWindowMs;
  worker.TimeoutSeconds = settings.Timeout;
  worker.Proxy = settings.Proxy;
  return worker;
}

// "Name: reason" for one line of the error report.
std::string ReportLine(const TFeed& feed) {
  const std::string reason = feed.Refresh.Url == feed.URL ? FailureText(feed.Refresh.LastFailure) : std::string();
  if (reason.empty()) {
    return feed.Name;
  }
  return GetLangText("Main|DlgRefreshErrorLine", "%s1%: %s2%", JoinLangParams({feed.Name, reason}));
}

}  // namespace

std::string RefreshStatusText(int running) {
  return GetLangText("Main|sbMainRefresh", "Aktualisiere Feeds... (%s1% Anfragen offen)", std::to_string(running));
}

int RefreshProgressPosition(int running, int total) {
  if (running <= 0 || total <= 0) {
    return kProgressMaximum;
  }
  const int step = kProgressMaximum / total;
  return (total - std::min(running, total)) * step;
}

TRefreshScheduler::TRefreshScheduler(TFeeds& feeds, THandBackQueue& queue, TSettingsSource settings)
    : m_feeds(feeds),
      m_queue(queue),
      m_settings(std::move(settings)),
      m_workers(feeds, queue, [this] { return m_settings().AutoReadList; }) {
  m_workers.SetHandBackObserver([this](const TFeedUpdateThread& worker) {
    m_newEntryCount += worker.NewEntryCount();
    m_changedMore = m_changedMore || worker.ChangedMoreThanRefreshState();
    m_askedThisRun.insert(worker.FeedId());
    m_takenIn.push_back(worker.FeedId());
    if (m_observer) {
      m_observer(worker);
    }
  });
}

TRefreshScheduler::~TRefreshScheduler() {
  m_workers.StopAllWorkers();
}

void TRefreshScheduler::SetClock(std::function<TDateTime()> clock) {
  m_clock = std::move(clock);
  m_workers.SetClock(m_clock);
}

bool TRefreshScheduler::StartWorker(int position, TThreadPriority priority, const TRefreshSettings& settings,
                                    TRequestOrigin origin) {
  // An account feed's entries come from its sync server; its own address would replace them.
  if (position < 0 || static_cast<size_t>(position) >= m_feeds.size() ||
      m_feeds[static_cast<size_t>(position)].Remote.IsAccountFeed() ||
      JudgeRequest(m_feeds[static_cast<size_t>(position)], m_clock(), origin) != TRequestVerdict::Go) {
    return false;
  }
  return m_workers.Start(position, WorkerSettingsFrom(settings, m_lowSpeedWindowMs), priority) != nullptr;
}

int TRefreshScheduler::MinuteTick() {
  const TRefreshSettings settings = m_settings();
  if (!settings.AutoUpdate) {
    return 0;
  }
  int started = 0;
  const TDateTime now = m_clock();
  for (size_t i = 0; i < m_feeds.size(); ++i) {
    TFeed& feed = m_feeds[i];
    if (feed.Interval < 1) {
      continue;
    }
    ++feed.MinutesElapsed;
    if (feed.MinutesElapsed < feed.Interval) {
      continue;
    }
    const TRequestVerdict verdict = JudgeRequest(feed, now, TRequestOrigin::Timed);
    if (verdict == TRequestVerdict::Spaced || verdict == TRequestVerdict::Waiting) {
      feed.MinutesElapsed = feed.Interval;  // due again at the next tick
      continue;
    }
    if (verdict == TRequestVerdict::Go) {
      started += StartWorker(static_cast<int>(i), TThreadPriority::Idle, settings, TRequestOrigin::Timed) ? 1 : 0;
    }
    feed.MinutesElapsed = 0;
  }
  if (started > 0) {
    m_statusText = GetLangText("Main|sbMainRefreshFeed", "Aktualisiere Feed...");
  }
  return started;
}

int TRefreshScheduler::RefreshAtStartup() {
  const TRefreshSettings settings = m_settings();
  if (!settings.RefreshAtStart) {
    return 0;
  }
  int started = 0;
  for (size_t i = 0; i < m_feeds.size(); ++i) {
    if (m_feeds[i].RefreshAtStart) {
      m_feeds[i].MinutesElapsed = 0;
      started += StartWorker(static_cast<int>(i), TThreadPriority::Idle, settings, TRequestOrigin::Timed) ? 1 : 0;
    }
  }
  if (started > 0) {
    m_statusText = GetLangText("Main|sbMainRefreshFeed", "Aktualisiere Feed...");
  }
  return started;
}

int TRefreshScheduler::RefreshFeeds(const std::vector<int>& positions, TThreadPriority priority) {
  const TRefreshSettings settings = m_settings();
  m_statusText = GetLangText("Main|sbMainRefreshFeeds", "Aktualisiere Feeds...");
  int started = 0;
  for (const int position : positions) {
    started += StartWorker(position, priority, settings, TRequestOrigin::User) ? 1 : 0;
  }
  return started;
}

bool TRefreshScheduler::RefreshFeed(int position, TThreadPriority priority) {
  if (position < 0 || static_cast<size_t>(position) >= m_feeds.size()) {
    return false;
  }
  m_statusText = GetLangText("Main|sbMainRefreshFeed", "Aktualisiere Feed...");
  StartWorker(position, priority, m_settings(), TRequestOrigin::User);
  return true;
}

int TRefreshScheduler::RefreshAll(TThreadPriority priority) {
  const TRefreshSettings settings = m_settings();
  m_statusText = GetLangText("Main|sbMainRefreshFeeds", "Aktualisiere Feeds...");
  int started = 0;
  for (size_t i = 0; i < m_feeds.size(); ++i) {
    started += StartWorker(static_cast<int>(i), priority, settings, TRequestOrigin::All) ? 1 : 0;
  }
  return started;
}

TRefreshPoll TRefreshScheduler::Poll() {
  TRefreshPoll poll;
  if (m_workers.Empty()) {
    return poll;
  }
  // Results that are waiting go in first, so the counts below include them.
  m_queue.Drain();
  poll.Active = true;
  poll.Running = static_cast<int>(m_workers.RunningCount());
  poll.Total = static_cast<int>(m_workers.Count());
  poll.Position = RefreshProgressPosition(poll.Running, poll.Total);
  poll.StatusText = RefreshStatusText(poll.Running);
  m_statusText = poll.StatusText;
  if (poll.Running > 0) {
    return poll;
  }
  TRefreshPoll ended = EndRun(true);
  ended.Total = poll.Total;
  return ended;
}

TStoreChanges TRefreshScheduler::TakeStoreChanges() {
  return std::exchange(m_changedMore, false) ? TStoreChanges::All : TStoreChanges::RefreshStateOnly;
}

std::vector<uint64_t> TRefreshScheduler::TakeTakenIn() {
  std::vector<uint64_t> taken;
  taken.swap(m_takenIn);
  return taken;
}

TRefreshPoll TRefreshScheduler::StopAll() {
  m_statusText = GetLangText("Main|sbMainStopRefresh", "Beende alle Aktualisierungen...");
  return EndRun(false);
}

TRefreshPoll TRefreshScheduler::EndRun(bool reportErrors) {
  TRefreshPoll poll;
  poll.Active = true;
  poll.Total = static_cast<int>(m_workers.Count());
  m_workers.StopAllWorkers();
  poll.RunEnded = true;
  poll.Position = 0;
  m_statusText = GetLangText("Main|sbMainReady", "Bereit.");
  poll.StatusText = m_statusText;
  if (reportErrors && m_settings().ShowRefreshErrorMsg) {
    poll.ErrorReport = DecideErrorReport();
  }
  m_askedThisRun.clear();
  m_takenIn.clear();
  return poll;
}

std::optional<TRefreshErrorReport> TRefreshScheduler::DecideErrorReport() const {
  std::vector<const TFeed*> failed;
  for (const TFeed& feed : m_feeds) {
    const bool leftAlone = feed.Refresh.Gone && feed.Refresh.Url == feed.URL && !m_askedThisRun.contains(feed.Id);
    if (feed.Error && !leftAlone) {
      failed.push_back(&feed);
    }
  }
  if (failed.empty()) {
    return std::nullopt;
  }
  TRefreshErrorReport report;
  report.Title = GetLangText("Main|DlgRefreshErrorTitle", "Feeds aktualisieren");
  if (failed.size() == 1) {
    report.Text = GetLangText("Main|DlgRefreshErrorOneText", "Das Feed \"%s1%\" konnte nicht abgefragt werden.",
                              failed.front()->Name);
    if (const std::string reason = FailureReasonLine(*failed.front()); !reason.empty()) {
      report.Text.append("\n").append(reason);
    }
    return report;
  }
  report.Text = GetLangText("Main|DlgRefreshErrorMoreText", "%s1% Feeds konnten nicht abgefragt werden.",
                            std::to_string(failed.size()));
  report.Text += "\n";
  const size_t named = std::min(failed.size(), static_cast<size_t>(kReportedFailures));
  for (size_t i = 0; i < named; ++i) {
    report.Text.append("\n").append(ReportLine(*failed[i]));
  }
  if (failed.size() > named) {
    report.Text.append("\n").append(
        GetLangText("Main|DlgRefreshErrorAndMore", "... und %s1% weitere", std::to_string(failed.size() - named)));
  }
  return report;
}

TRefreshSettings RefreshSettingsFrom(const TSettingsValues& settings) {
  TRefreshSettings refresh;
  refresh.AutoUpdate = settings.AutoUpdate;
  refresh.RefreshAtStart = settings.FeedsAutoUpdateAtStart;
  refresh.ShowRefreshErrorMsg = settings.ShowRefreshErrorMsg;
  refresh.Timeout = settings.Timeout;
  refresh.Proxy = ProxyFrom(settings);
  refresh.AutoReadList = settings.AutoReadList;
  return refresh;
}

}  // namespace tidewick
