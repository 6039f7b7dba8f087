// tidewick-feed refresh: refreshes every feed of a store through the program's workers and scheduler, then saves
// the store (or only its refresh state file, when nothing else changed). Meant for cron and for measuring refresh
// speed.

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "command_words.h"
#include "commands.h"
#include "feeds/feed_records.h"
#include "feeds/feed_store.h"
#include "settings/settings.h"
#include "store_session.h"
#include "update/hand_back_queue.h"
#include "update/refresh_failure.h"
#include "update/refresh_policy.h"
#include "update/refresh_scheduler.h"
#include "util/allocator_tuning.h"
#include "util/dates.h"
#include "util/http_fetch.h"

namespace tidewick {
namespace {

constexpr const char* kRefreshUsage = "usage: tidewick-feed refresh [--verbose] [--settings FILE] [--lang FILE] STORE";

struct TRefreshArguments {
  std::string SettingsFile;
  std::string StoreFile;
  bool Verbose = false;
};

// What became of each feed, by feed id: the worker's answer and outcome, or why it was not asked.
struct TFeedReport {
  bool Asked = false;
  TRefreshAnswer Answer;
  TWorkerOutcome Outcome = TWorkerOutcome::Waiting;
  size_t NewItems = 0;
  TRequestVerdict Verdict = TRequestVerdict::Go;
  std::string MovedFrom;  // the address before a permanent redirect moved the feed in this run
};

bool ParseArguments(std::vector<std::string> args, TRefreshArguments& parsed) {
  TCommandWords words;
  if (!ParseCommandWords(std::move(args), {"--verbose", "-v"}, {"--settings"}, 1, 1, words)) {
    return false;
  }
  parsed.SettingsFile = words.Option("--settings");
  parsed.StoreFile = words.Files[0];
  parsed.Verbose = words.Has("--verbose") || words.Has("-v");
  return true;
}

std::string UtcText(TDateTime value) {
  return DateTimeToIso8601(value);
}

// One line of --verbose: what the last request of a feed brought, or why it was not asked.
std::string ReportLine(const TFeed& feed, const TFeedReport& report) {
  std::string line = feed.Name + " <" + feed.URL + ">: ";
  if (!report.Asked) {
    switch (report.Verdict) {
      case TRequestVerdict::Spaced:
        return line + "not asked: asked less than a minute ago";
      case TRequestVerdict::Waiting:
        return line + "not asked: the server asked to wait until " + UtcText(feed.Refresh.RetryAfter);
      case TRequestVerdict::Gone:
        return line + "not asked: gone (HTTP 410)";
      case TRequestVerdict::Go:
        break;
    }
    return line + "not asked";
  }
  const TRefreshAnswer& answer = report.Answer;
  line += answer.HttpCode > 0 ? "HTTP " + std::to_string(answer.HttpCode) : std::string("no HTTP status");
  line += ", " + std::to_string(answer.Bytes) + " bytes, ";
  switch (report.Outcome) {
    case TWorkerOutcome::Refreshed:
      line += answer.Kind == TAnswerKind::Unchanged ? std::string("unchanged")
                                                    : std::to_string(report.NewItems) + " new entries";
      break;
    case TWorkerOutcome::Deferred:
      line += "retry after " + UtcText(answer.RetryAfter);
      break;
    case TWorkerOutcome::Failed:
      line += "failed: " + FailureText(answer.Failure);
      break;
    default:
      line += "not taken in";
      break;
  }
  if (!report.MovedFrom.empty()) {
    line += "; moved for good from <" + report.MovedFrom + ">";
  }
  return line;
}

// The feeds whose results are in, or that were not asked, from the front of the store: once a run has changed more
// than refresh state, these are written out while the rest is still fetched, so the disk is busy at the same time.
class TFinalFeeds {
 public:
  explicit TFinalFeeds(const TRefreshScheduler& scheduler) : m_pending(Feeds.size(), false) {
    for (const auto& worker : scheduler.Workers().Workers()) {
      Mark(worker->FeedId(), true);  // asked in this run: final once its result is in
    }
  }
  void ResultIn(uint64_t feedId) { Mark(feedId, false); }
  size_t Count() {
    while (m_front < m_pending.size() && !m_pending[m_front]) {
      ++m_front;
    }
    return m_front;
  }

 private:
  void Mark(uint64_t feedId, bool pending) {
    if (const int position = FindFeedById(feedId); position >= 0 && static_cast<size_t>(position) < m_pending.size()) {
      m_pending[static_cast<size_t>(position)] = pending;
    }
  }

  std::vector<bool> m_pending;
  size_t m_front = 0;
};

// Runs the refresh of every feed to its end; returns the failure lines in store order and fills reports by feed id.
// Once a result changed more than refresh state, the store's save begins in saveAhead.
std::map<int, std::string> RefreshEveryFeed(TRefreshScheduler& scheduler, THandBackQueue& queue,
                                            std::map<uint64_t, TFeedReport>& reports, const std::string& storeFile,
                                            std::optional<TStoreSaveAhead>& saveAhead) {
  std::map<int, std::string> failures;
  const TDateTime now = NowUtc();
  for (const TFeed& feed : Feeds) {
    reports[feed.Id].Verdict = JudgeRequest(feed, now, TRequestOrigin::All);
  }
  std::optional<TFinalFeeds> finalFeeds;
  bool changedMore = false;
  scheduler.SetHandBackObserver([&](const TFeedUpdateThread& worker) {
    TFeedReport& report = reports[worker.FeedId()];
    report.Asked = true;
    report.Answer = worker.Answer();
    report.Outcome = worker.Outcome();
    report.NewItems = worker.NewEntryCount();
    changedMore = changedMore || worker.ChangedMoreThanRefreshState();
    if (finalFeeds) {
      finalFeeds->ResultIn(worker.FeedId());
    }
    const int position = FindFeedById(worker.FeedId());
    if (position >= 0 && Feeds[static_cast<size_t>(position)].URL != worker.Url()) {
      report.MovedFrom = worker.Url();
    }
    if (worker.Outcome() == TWorkerOutcome::Failed) {
      const std::string name = position >= 0 ? Feeds[static_cast<size_t>(position)].Name : "?";
      failures[position] = "failed: " + name + " <" + worker.Url() + ">: " + FailureText(worker.FailureReason());
    }
  });
  if (scheduler.RefreshAll(TThreadPriority::Normal) == 0) {
    return failures;  // an empty store: no run begins, so none would ever end
  }
  finalFeeds.emplace(scheduler);  // no result is taken in before the first poll
  for (;;) {
    const TRefreshPoll poll = scheduler.Poll();
    if (poll.RunEnded || !poll.Active) {
      return failures;
    }
    if (changedMore && !saveAhead) {
      saveAhead.emplace(storeFile, Feeds, finalFeeds->Count());
    } else if (saveAhead) {
      saveAhead->WriteFinal(Feeds, finalFeeds->Count());
    }
    // Briefly: a worker still counts as running for a moment after its result was taken in, and no task wakes the
    // loop when the last one stops (a wait of 20 ms could add a tenth to the 304 refresh of 300 feeds).
    queue.WaitForTask(std::chrono::milliseconds(5));
  }
}

}  // namespace

int RunRefresh(const std::vector<std::string>& args) {
  KeepAllocatorCompact();  // before the workers start
  TRefreshArguments arguments;
  if (!ParseArguments(args, arguments)) {
    return UsageError(kRefreshUsage);
  }
  TSettings settings;
  if (!LoadToolSettings(arguments.SettingsFile, arguments.StoreFile, settings)) {
    return UsageError("cannot read the settings file \"" + arguments.SettingsFile + "\"");
  }
  std::error_code error;
  if (!std::filesystem::is_regular_file(arguments.StoreFile, error)) {
    return UsageError("cannot read the feed store \"" + arguments.StoreFile + "\"");
  }
  TFeedStoreLock lock;
  TStoreLoadResult loaded;
  if (const int status = OpenStoreForWriting(arguments.StoreFile, false, lock, loaded); status != kExitOk) {
    return status;
  }
  if (!InitNetwork()) {
    return UsageError("the network library could not be set up");
  }
  THandBackQueue queue;
  TRefreshScheduler scheduler(Feeds, queue, [&settings] { return RefreshSettingsFrom(settings); });
  std::map<uint64_t, TFeedReport> reports;
  std::optional<TStoreSaveAhead> saveAhead;
  const std::map<int, std::string> failures =
      RefreshEveryFeed(scheduler, queue, reports, arguments.StoreFile, saveAhead);
  if (arguments.Verbose) {
    for (const TFeed& feed : Feeds) {
      std::printf("%s\n", ReportLine(feed, reports[feed.Id]).c_str());
    }
  } else {
    for (const auto& [position, line] : failures) {
      std::printf("%s\n", line.c_str());
    }
  }
  std::printf("%d feeds, %zu new entries, %zu failed\n", FeedCount(), scheduler.NewEntryCount(), failures.size());
  std::fflush(stdout);
  // A run that only learnt refresh state (all 304s, say) leaves the store file alone and writes its state file.
  const TStoreChanges changes = scheduler.TakeStoreChanges();
  const bool saved =
      saveAhead ? saveAhead->Finish(Feeds).Written() : SaveFeedStore(arguments.StoreFile, Feeds, changes).Written();
  if (!saved) {
    std::fprintf(stderr, "tidewick-feed: cannot save the feed store \"%s\"\n", arguments.StoreFile.c_str());
    return kExitSaveFailed;
  }
  const int done = DoneStatus(loaded);
  return done != kExitOk || failures.empty() ? done : kExitSomeFailed;
}

}  // namespace tidewick
