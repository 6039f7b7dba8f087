#include "store_session.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "commands.h"

namespace tidewick {
namespace {

// Whether a failed lock attempt means another holder (rather than a lock file that cannot be made).
bool LockHeldElsewhere(const std::string& storeFile) {
  const int fd = ::open((storeFile + ".lock").c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) {
    return false;
  }
  ::close(fd);
  return true;
}

int LockStore(const std::string& storeFile, TFeedStoreLock& lock) {
  std::string message;
  if (lock.Acquire(storeFile, message)) {
    return kExitOk;
  }
  if (LockHeldElsewhere(storeFile)) {
    std::fprintf(stderr, "tidewick-feed: %s (lock: %s.lock)\n", message.c_str(), storeFile.c_str());
    return kExitLocked;
  }
  return UsageError(message);
}

int LoadStoreForWriting(const std::string& storeFile, bool missingIsEmpty, TStoreLoadResult& loaded) {
  loaded = LoadFeedStore(storeFile);
  const bool read = loaded.Status == TStoreLoadStatus::Loaded || loaded.Recovered();
  if (loaded.Status == TStoreLoadStatus::Missing && !missingIsEmpty) {
    return UsageError("cannot read the feed store \"" + storeFile + "\"");
  }
  std::error_code error;
  if (!read && std::filesystem::exists(storeFile, error)) {
    return UsageError(!loaded.Message.empty()
                          ? loaded.Message
                          : "cannot read the feed store \"" + storeFile + "\"; it is left as it is");
  }
  if (!loaded.MaySave()) {
    return UsageError(loaded.Message);
  }
  if (loaded.Recovered()) {
    std::fprintf(stderr, "tidewick-feed: %s\n", loaded.Message.c_str());
  }
  if (!loaded.StateDamagedCopy.empty()) {
    std::fprintf(stderr, "tidewick-feed: the refresh state file was damaged and is ignored; it is kept as \"%s\"\n",
                 loaded.StateDamagedCopy.c_str());
  }
  return kExitOk;
}

}  // namespace

bool LoadToolSettings(const std::string& settingsFile, const std::string& storeFile, TSettings& settings) {
  if (settingsFile.empty()) {
    return true;
  }
  std::error_code error;
  if (!std::filesystem::is_regular_file(settingsFile, error)) {
    return false;
  }
  TSettingsLocation location;
  location.SettingsFileName = settingsFile;
  location.FeedsFileName = storeFile;
  location.AppPath = std::filesystem::path(settingsFile).parent_path().string() + "/";
  if (LoadSettings(settings, location).Damaged) {
    std::fprintf(stderr, "tidewick-feed: the settings file \"%s\" is damaged; using what could be read\n",
                 settingsFile.c_str());
  }
  return true;
}

int OpenStoreForWriting(const std::string& storeFile, bool missingIsEmpty, TFeedStoreLock& lock,
                        TStoreLoadResult& loaded) {
  if (const int status = LockStore(storeFile, lock); status != kExitOk) {
    return status;
  }
  return LoadStoreForWriting(storeFile, missingIsEmpty, loaded);
}

int DoneStatus(const TStoreLoadResult& loaded) {
  if (!loaded.Recovered()) {
    return kExitOk;
  }
  if (!loaded.DamagedCopy.empty()) {
    std::fprintf(stderr, "tidewick-feed: the feed store was damaged; the damaged file is kept as \"%s\"\n",
                 loaded.DamagedCopy.c_str());
  }
  return kExitRecovered;
}

}  // namespace tidewick
