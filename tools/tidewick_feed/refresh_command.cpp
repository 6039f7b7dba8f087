// tidewick-feed refresh: refreshes every feed of a store through the program's workers and scheduler, then saves
// the store. Meant for cron and for measuring refresh speed.

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "commands.h"
#include "feeds/feed_records.h"
#include "feeds/feed_store.h"
#include "shell/settings.h"
#include "update/hand_back_queue.h"
#include "update/refresh_scheduler.h"
#include "util/allocator_tuning.h"
#include "util/http_fetch.h"

namespace tidewick {
namespace {

constexpr int kExitSomeFailed = 1;
constexpr int kExitLocked = 3;
constexpr int kExitSaveFailed = 4;
constexpr int kExitRecovered = 5;  // refreshed and saved, but the store had been damaged: someone should look

constexpr const char* kRefreshUsage = "usage: tidewick-feed refresh [--settings FILE] [--lang FILE] STORE";

struct TRefreshArguments {
  std::string SettingsFile;
  std::string StoreFile;
};

bool ParseArguments(std::vector<std::string> args, TRefreshArguments& parsed) {
  if (!TakeLangOption(args)) {
    return false;
  }
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--settings" && i + 1 < args.size() && parsed.SettingsFile.empty()) {
      parsed.SettingsFile = args[++i];
    } else if (!args[i].empty() && args[i][0] != '-' && parsed.StoreFile.empty()) {
      parsed.StoreFile = args[i];
    } else {
      return false;
    }
  }
  return !parsed.StoreFile.empty();
}

// The settings file named on the command line, or the defaults.
bool LoadRefreshSettings(const TRefreshArguments& arguments, TSettings& settings) {
  if (arguments.SettingsFile.empty()) {
    return true;
  }
  std::error_code error;
  if (!std::filesystem::is_regular_file(arguments.SettingsFile, error)) {
    return false;
  }
  TSettingsLocation location;
  location.SettingsFileName = arguments.SettingsFile;
  location.FeedsFileName = arguments.StoreFile;
  location.AppPath = std::filesystem::path(arguments.SettingsFile).parent_path().string() + "/";
  if (LoadSettings(settings, location).Damaged) {
    std::fprintf(stderr, "tidewick-feed: the settings file \"%s\" is damaged; using what could be read\n",
                 arguments.SettingsFile.c_str());
  }
  return true;
}

// Whether a failed lock attempt means another holder (rather than a lock file that cannot be made).
bool LockHeldElsewhere(const std::string& storeFile) {
  const int fd = ::open((storeFile + ".lock").c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) {
    return false;
  }
  ::close(fd);
  return true;
}

// Runs the refresh of every feed to its end; returns the failure lines in store order.
std::map<int, std::string> RefreshEveryFeed(TRefreshScheduler& scheduler, THandBackQueue& queue) {
  std::map<int, std::string> failures;
  scheduler.SetHandBackObserver([&failures](const TFeedUpdateThread& worker) {
    if (worker.Outcome() == TWorkerOutcome::Failed) {
      const int position = FindFeedById(worker.FeedId());
      const std::string name = position >= 0 ? Feeds[static_cast<size_t>(position)].Name : "?";
      failures[position] = "failed: " + name + " <" + worker.Url() + ">: " + worker.FailureReason();
    }
  });
  if (scheduler.RefreshAll(TThreadPriority::Normal) == 0) {
    return failures;  // an empty store: no run begins, so none would ever end
  }
  for (;;) {
    const TRefreshPoll poll = scheduler.Poll();
    if (poll.RunEnded || !poll.Active) {
      return failures;
    }
    queue.WaitForTask(std::chrono::milliseconds(20));
  }
}

}  // namespace

int RunRefresh(const std::vector<std::string>& args) {
  ShareAllocatorArenas();  // before the workers start
  TRefreshArguments arguments;
  if (!ParseArguments(args, arguments)) {
    return UsageError(kRefreshUsage);
  }
  TSettings settings;
  if (!LoadRefreshSettings(arguments, settings)) {
    return UsageError("cannot read the settings file \"" + arguments.SettingsFile + "\"");
  }
  std::error_code error;
  if (!std::filesystem::is_regular_file(arguments.StoreFile, error)) {
    return UsageError("cannot read the feed store \"" + arguments.StoreFile + "\"");
  }
  TFeedStoreLock lock;
  std::string lockMessage;
  if (!lock.Acquire(arguments.StoreFile, lockMessage)) {
    if (LockHeldElsewhere(arguments.StoreFile)) {
      std::fprintf(stderr, "tidewick-feed: %s (lock: %s.lock)\n", lockMessage.c_str(), arguments.StoreFile.c_str());
      return kExitLocked;
    }
    return UsageError(lockMessage);
  }
  const TStoreLoadResult loaded = LoadFeedStore(arguments.StoreFile);
  if (loaded.Status == TStoreLoadStatus::Missing) {
    return UsageError("cannot read the feed store \"" + arguments.StoreFile + "\"");
  }
  if (!loaded.MaySave()) {
    return UsageError(loaded.Message);
  }
  if (loaded.Recovered()) {
    std::fprintf(stderr, "tidewick-feed: %s\n", loaded.Message.c_str());
  }
  if (!InitNetwork()) {
    return UsageError("the network library could not be set up");
  }
  THandBackQueue queue;
  TRefreshScheduler scheduler(Feeds, queue, [&settings] { return RefreshSettingsFrom(settings); });
  const std::map<int, std::string> failures = RefreshEveryFeed(scheduler, queue);
  for (const auto& [position, line] : failures) {
    std::printf("%s\n", line.c_str());
  }
  std::printf("%d feeds, %zu new entries, %zu failed\n", FeedCount(), scheduler.NewItemCount(), failures.size());
  std::fflush(stdout);
  if (!SaveFeeds(arguments.StoreFile)) {
    std::fprintf(stderr, "tidewick-feed: cannot save the feed store \"%s\"\n", arguments.StoreFile.c_str());
    return kExitSaveFailed;
  }
  if (loaded.Recovered()) {
    std::fprintf(stderr, "tidewick-feed: the feed store was damaged; the damaged file is kept as \"%s\"\n",
                 loaded.DamagedCopy.c_str());
    return kExitRecovered;
  }
  return failures.empty() ? kExitOk : kExitSomeFailed;
}

}  // namespace tidewick
