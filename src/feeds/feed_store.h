#pragma once

// The feed store file "Feeds.xml": every feed with its channel information and entries between runs.
// Saving writes a temporary file, syncs it and renames it over the store, keeping the previous complete store
// as "Feeds.xml.bak". Loading recognises a damaged store, keeps it as "Feeds.xml.damaged" and recovers from
// the backup or from whatever can be read.

#include <functional>
#include <string>
#include <string_view>

#include "feeds/feed_records.h"

namespace tidewick {

enum class TStoreLoadStatus {
  Loaded,               // complete store read (possibly with no feeds: see FeedCount)
  Missing,              // no file, or it could not be opened; Feeds unchanged
  RecoveredFromBackup,  // the store was damaged; the complete backup was loaded
  RecoveredPartially,   // the store was damaged and no complete backup exists; what could be read was loaded
};

struct TStoreLoadResult {
  TStoreLoadStatus Status = TStoreLoadStatus::Missing;
  int FeedCount = 0;
  std::string DamagedCopy;  // where the damaged file was kept (empty when none was needed or copying failed)
  std::string Message;      // translated text for the user; empty when everything was in order
  bool Recovered() const {
    return Status == TStoreLoadStatus::RecoveredFromBackup || Status == TStoreLoadStatus::RecoveredPartially;
  }
};

// Replaces Feeds by the store in fileName (unless the file is missing), with recovery as described above.
TStoreLoadResult LoadFeedStore(const std::string& fileName);
// The same; true when at least one feed was read.
bool LoadFeeds(const std::string& fileName);

// Writes all of Feeds. False when anything failed; Feeds.xml and Feeds.xml.bak are then as they were.
bool SaveFeeds(const std::string& fileName);

// The exact bytes SaveFeeds writes for feeds.
std::string FeedStoreText(const TFeeds& feeds);

// Test seam: called with the temporary file's name after it was written and synced, before it replaces the
// store (a test truncates it to play an interrupted save). Empty by default.
void SetStoreSaveTestHook(std::function<void(const std::string& tempFileName)> hook);

// Advisory lock of one writer per store ("Feeds.xml.lock" beside it, flock). Released by the destructor or when
// the process ends, so a crashed holder never blocks.
class TFeedStoreLock {
 public:
  TFeedStoreLock() = default;
  ~TFeedStoreLock();
  TFeedStoreLock(TFeedStoreLock&& other) noexcept;
  TFeedStoreLock& operator=(TFeedStoreLock&& other) noexcept;
  TFeedStoreLock(const TFeedStoreLock&) = delete;
  TFeedStoreLock& operator=(const TFeedStoreLock&) = delete;

  // Takes the lock for the store fileName. False when another writer holds it (message: a translated text that
  // says so) or the lock file cannot be created.
  bool Acquire(const std::string& storeFileName, std::string& message);
  void Release();
  bool Held() const { return m_fd >= 0; }

 private:
  int m_fd = -1;
};

}  // namespace tidewick
