// tidewick-feed sync: syncs every account of a store with its server (new articles, read marks, stars, the queue of
// changes made here), then saves the store and the queue. Meant for cron, beside or instead of the window.

#include <cstdio>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <utility>
#include <vector>

#include "command_words.h"
#include "commands.h"
#include "feeds/feed_records.h"
#include "feeds/feed_store.h"
#include "settings/settings.h"
#include "store_session.h"
#include "sync/secret_store.h"
#include "sync/sync_error_text.h"
#include "sync/sync_queue.h"
#include "sync/sync_run.h"
#include "util/files.h"
#include "util/http_fetch.h"

namespace tidewick {
namespace {

constexpr const char* kSyncUsage =
    "usage: tidewick-feed sync [--all-marks] [--settings FILE] [--password-file FILE] [--lang FILE] STORE";
// A password file holds one line; anything longer is not one.
constexpr int64_t kMaxPasswordFileBytes = 4096;

struct TSyncArguments {
  std::string SettingsFile;
  std::string PasswordFile;
  std::string StoreFile;
  bool AllMarks = false;
};

bool ParseArguments(std::vector<std::string> args, TSyncArguments& parsed) {
  TCommandWords words;
  if (!ParseCommandWords(std::move(args), {"--all-marks"}, {"--settings", "--password-file"}, 1, 1, words)) {
    return false;
  }
  parsed.SettingsFile = words.Option("--settings");
  parsed.PasswordFile = words.Option("--password-file");
  parsed.StoreFile = words.Files[0];
  parsed.AllMarks = words.Has("--all-marks");
  return true;
}

// The first line of a password file that only its owner may read; empty with a reason otherwise.
bool ReadPasswordFile(const std::string& fileName, std::string& password, std::string& reason) {
  struct stat status {};
  if (::stat(fileName.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) {
    reason = "cannot read the password file \"" + fileName + "\"";
    return false;
  }
  if ((status.st_mode & (S_IRWXG | S_IRWXO)) != 0) {
    reason = "the password file \"" + fileName + "\" may be read by others; allow only its owner (chmod 600)";
    return false;
  }
  std::string text = ReadFileToString(fileName, kMaxPasswordFileBytes + 1);
  if (static_cast<int64_t>(text.size()) > kMaxPasswordFileBytes) {
    reason = "the password file \"" + fileName + "\" is too long for a password";
    return false;
  }
  password = text.substr(0, text.find_first_of("\r\n"));
  return true;
}

// The account's password: from the file named on the command line, else from the Secret Service.
bool PasswordFor(const TSyncAccount& account, const TSyncArguments& arguments, std::string& password,
                 std::string& reason) {
  if (!arguments.PasswordFile.empty()) {
    return ReadPasswordFile(arguments.PasswordFile, password, reason);
  }
  switch (LookupAccountPassword(account.ServerUrl, account.UserName, password)) {
    case TSecretResult::Ok:
      return true;
    case TSecretResult::NotFound:
      reason = "the Secret Service holds no password for it (give one with --password-file)";
      return false;
    case TSecretResult::Unavailable:
      reason = "no Secret Service answers (give the password with --password-file)";
      return false;
  }
  return false;
}

// Syncs one account into Feeds; false (with the reason printed) when it failed, and then nothing of it changed.
// storeChanged turns true when the account or its feeds changed.
bool SyncAccount(TSyncAccount& account, const TSyncArguments& arguments, const TSettings& settings, TSyncQueue& queue,
                 bool& storeChanged) {
  const std::string name = account.Title + " <" + account.ServerUrl + ">";
  std::string password;
  std::string reason;
  if (!PasswordFor(account, arguments, password, reason)) {
    std::printf("failed: %s: %s\n", name.c_str(), reason.c_str());
    return false;
  }
  const auto service = MakeSyncService(account.Kind, SyncConnectionFor(account, settings, std::move(password)));
  if (!service) {
    std::printf("failed: %s: this version cannot sync with a server of the kind \"%s\"\n", name.c_str(),
                account.Kind.c_str());
    return false;
  }
  TSyncSnapshot snapshot = MakeSyncSnapshot(Feeds, account, queue);
  snapshot.CheckAllMarks = arguments.AllMarks;
  const TSyncRunResult run = FetchSyncDownload(*service, snapshot);
  if (!run.Status.Ok()) {
    std::printf("failed: %s: %s\n", name.c_str(), SyncErrorText(run.Status).c_str());
    return false;
  }
  const TSyncApplyResult applied = ApplySyncDownload(Feeds, account, run.Download, queue);
  storeChanged = storeChanged || applied.StoreChanged();
  queue.Confirm(run.Download.Sent);
  std::printf("%s: %d new entries, %d marks changed, %zu changes sent, %d feeds added, %d removed, %lld requests\n",
              name.c_str(), applied.NewEntries, applied.MarksChanged, run.Download.Sent.size(), applied.FeedsAdded,
              applied.FeedsRemoved, static_cast<long long>(run.Download.Requests));
  return true;
}

}  // namespace

int RunSync(const std::vector<std::string>& args) {
  TSyncArguments arguments;
  if (!ParseArguments(args, arguments)) {
    return UsageError(kSyncUsage);
  }
  TSettings settings;
  if (!LoadToolSettings(arguments.SettingsFile, arguments.StoreFile, settings)) {
    return UsageError("cannot read the settings file \"" + arguments.SettingsFile + "\"");
  }
  TFeedStoreLock lock;
  TStoreLoadResult loaded;
  if (const int status = OpenStoreForWriting(arguments.StoreFile, false, lock, loaded); status != kExitOk) {
    return status;
  }
  const std::string queueFile = SyncQueueFileName(arguments.StoreFile);
  TSyncQueue queue;
  const TSyncQueueLoad queueLoad = LoadSyncQueue(queueFile, queue);
  if (!queueLoad.Readable) {
    return UsageError("cannot read the queue of unsent changes \"" + queueFile + "\"; it is left as it is");
  }
  if (!queueLoad.DamagedCopy.empty()) {
    std::fprintf(stderr,
                 "tidewick-feed: the queue of unsent changes was damaged and is ignored; it is kept as \"%s\"\n",
                 queueLoad.DamagedCopy.c_str());
  }
  if (!InitNetwork()) {
    return UsageError("the network library could not be set up");
  }
  int failed = 0;
  int synced = 0;
  bool storeChanged = false;
  for (TSyncAccount& account : SyncAccounts) {
    if (SyncAccount(account, arguments, settings, queue, storeChanged)) {
      ++synced;
    } else {
      ++failed;
    }
  }
  std::printf("%zu accounts, %d synced, %d failed\n", SyncAccounts.size(), synced, failed);
  std::fflush(stdout);
  // The store first: a kill between the two leaves sent changes in the queue, and sending them again is harmless.
  // A sync that changed nothing leaves the store file alone (cron may run it every few minutes on a large store).
  if (storeChanged && !SaveFeedStore(arguments.StoreFile, Feeds, SyncAccounts).Written()) {
    std::fprintf(stderr, "tidewick-feed: cannot save the feed store \"%s\"\n", arguments.StoreFile.c_str());
    return kExitSaveFailed;
  }
  if (!SaveSyncQueue(queueFile, queue)) {
    std::fprintf(stderr, "tidewick-feed: cannot save the queue of unsent changes \"%s\"\n", queueFile.c_str());
    return kExitSaveFailed;
  }
  const int done = DoneStatus(loaded);
  return done != kExitOk || failed == 0 ? done : kExitSomeFailed;
}

}  // namespace tidewick
