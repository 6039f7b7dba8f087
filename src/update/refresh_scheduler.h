#pragma once

// Refresh scheduling and result intake, free of any window code: the window's timers call MinuteTick (every
// minute) and Poll (every second while IsRunning()), its commands call RefreshFeeds/RefreshAll/StopAll, and it
// applies the returned state (status text, progress, end of run, error report) to its widgets.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "feeds/feed_records.h"
#include "feeds/feed_store.h"
#include "settings/settings.h"
#include "update/feed_update_thread.h"
#include "update/hand_back_queue.h"
#include "update/refresh_policy.h"
#include "update/thread_priority.h"

namespace tidewick {

// The settings the scheduler and its workers read, taken from the settings record on the main thread.
struct TRefreshSettings {
  bool AutoUpdate = true;
  bool RefreshAtStart = true;  // FeedsAutoUpdateAtStart: the feeds marked for it are refreshed at start
  bool ShowRefreshErrorMsg = true;
  int Timeout = 10;  // seconds
  TProxy Proxy;
  std::vector<std::string> AutoReadList;
};

// The message box the window shows after a run with failed feeds.
struct TRefreshErrorReport {
  std::string Title;  // "Main|DlgRefreshErrorTitle"
  // "Main|DlgRefreshErrorOneText" naming the feed and why it failed, or "Main|DlgRefreshErrorMoreText" with the
  // count, followed by the first kReportedFailures feeds with their reasons and how many more there are.
  std::string Text;
};

// The error report names at most this many feeds.
inline constexpr int kReportedFailures = 5;

// One polling pass, as the window shows it.
struct TRefreshPoll {
  bool Active = false;  // false: there was no run, nothing to show
  int Running = 0;      // workers not yet done
  int Total = 0;        // workers in the run
  int Position = 0;     // progress on the 0..10000 scale
  std::string StatusText;
  bool RunEnded = false;  // the run is over: refresh tree captions, entry list and tray, hide the progress bar
  std::optional<TRefreshErrorReport> ErrorReport;
};

inline constexpr int kProgressMaximum = 10000;

class TRefreshScheduler {
 public:
  using TSettingsSource = std::function<TRefreshSettings()>;

  // feeds and queue must outlive the scheduler; settings is asked on the main thread whenever a value is needed.
  TRefreshScheduler(TFeeds& feeds, THandBackQueue& queue, TSettingsSource settings);
  ~TRefreshScheduler();
  TRefreshScheduler(const TRefreshScheduler&) = delete;
  TRefreshScheduler& operator=(const TRefreshScheduler&) = delete;

  // The one-minute timer: with AutoUpdate on, counts a minute for each feed with an Interval of 1 or more and starts
  // an idle-priority refresh of each feed whose count reaches its Interval (the count then starts again at 0). A due
  // feed that was asked less than a minute ago or whose server asked us to wait stays due for the next minute; one
  // that is gone is not asked. Returns how many workers were started.
  //
  // No request below ever fetches an account feed (Remote.IsAccountFeed()): its account's sync brings its entries.
  // Every request below honours JudgeRequest: a feed is asked at most once a minute (a request within the minute
  // merges into the running or the last one), never before its server's Retry-After, and a gone feed only when the
  // user asks for it (RefreshFeeds, RefreshFeed).
  int MinuteTick();

  // Start-up: refreshes every feed marked RefreshAtStart at idle priority (their counts start again at 0), unless
  // the setting RefreshAtStart (FeedsAutoUpdateAtStart) is off: then nothing is asked.
  int RefreshAtStartup();

  // Refreshes the feeds at these positions (a tree node turned into a list by the window); positions outside the
  // store are skipped, as are feeds already waiting or running. Sets the status text "Main|sbMainRefreshFeeds".
  int RefreshFeeds(const std::vector<int>& positions, TThreadPriority priority);

  // One feed; sets the status text "Main|sbMainRefreshFeed". False when the position lies outside the store.
  bool RefreshFeed(int position, TThreadPriority priority);

  // Every feed in store order (refresh all: priority Lowest). Gone feeds are left out.
  int RefreshAll(TThreadPriority priority = TThreadPriority::Lowest);

  // The polling pass: serves waiting hand-backs, reports progress and, once every worker is done, ends the run
  // (workers freed, status "Main|sbMainReady") and decides the error report. The report counts every feed with an
  // error mark, also one that failed in an earlier run, except a gone feed this run did not ask: the program itself
  // stopped asking it, which is no failure of the run (its mark stays).
  TRefreshPoll Poll();

  // The feeds whose results were taken in since the last call (in the order they came), so the window can show
  // each result at once instead of at the end of the run. Emptied at the end of a run.
  std::vector<uint64_t> TakeTakenIn();

  // Stops every refresh (stop command and exit): no error report. Returns the run-end state for the window.
  TRefreshPoll StopAll();

  // True while a run is in progress (the window's one-second timer is on).
  bool IsRunning() const { return !m_workers.Empty(); }

  // The last status text set by a request, a poll or a stop.
  const std::string& StatusText() const { return m_statusText; }

  // The workers of the current run (for tests and the command-line tool).
  const TFeedUpdateThreadArray& Workers() const { return m_workers; }

  // New entries taken in since the scheduler was created.
  size_t NewEntryCount() const { return m_newEntryCount; }
  // What the hand-backs since the last call changed in the store: only refresh state (validators, request times,
  // failures, LastDownloaded, Error), or more (entries, addresses). The save after a run passes it on.
  TStoreChanges TakeStoreChanges();

  // Main thread: called after each hand-back (the command-line tool reports failures with it).
  void SetHandBackObserver(TFeedUpdateThreadArray::THandBackObserver observer) { m_observer = std::move(observer); }

  // Before the first request: the clock requests are judged and stamped by (NowUtc unless a test sets one).
  void SetClock(std::function<TDateTime()> clock);
  // The low-speed window of the workers started from now on (kLowSpeedWindowMs unless a test shortens it).
  void SetLowSpeedWindowMs(int windowMs) { m_lowSpeedWindowMs = windowMs; }

 private:
  bool StartWorker(int position, TThreadPriority priority, const TRefreshSettings& settings, TRequestOrigin origin);
  TRefreshPoll EndRun(bool reportErrors);
  std::optional<TRefreshErrorReport> DecideErrorReport() const;

  TFeeds& m_feeds;
  THandBackQueue& m_queue;
  TSettingsSource m_settings;
  TFeedUpdateThreadArray::THandBackObserver m_observer;
  std::function<TDateTime()> m_clock = [] { return NowUtc(); };
  std::unordered_set<uint64_t> m_askedThisRun;  // feeds handed back in the current run
  std::vector<uint64_t> m_takenIn;              // handed back since the last TakeTakenIn
  TFeedUpdateThreadArray m_workers;             // after the members its hand-backs use
  std::string m_statusText;
  size_t m_newEntryCount = 0;
  bool m_changedMore = false;  // since the last TakeStoreChanges
  int m_lowSpeedWindowMs = kLowSpeedWindowMs;
};

// The status text of a polling pass: "Aktualisiere Feeds... (%s1% Anfragen offen)" with the open count.
std::string RefreshStatusText(int running);

// The progress position on the 0..10000 scale for running of total workers.
int RefreshProgressPosition(int running, int total);

// The values of the settings record that refreshes read (for the scheduler's settings source).
TRefreshSettings RefreshSettingsFrom(const TSettingsValues& settings);

}  // namespace tidewick
