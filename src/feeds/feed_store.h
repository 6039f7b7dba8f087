#pragma once

// The feed store file "Feeds.xml": every feed with its channel information and entries between runs.
// Saving writes a temporary file, syncs it and renames it over the store (keeping the store's file mode), keeping
// the previous complete store as "Feeds.xml.bak". Loading recognises a damaged store (any break in its structure),
// keeps a verified copy of it under a name of its own ("Feeds.xml.damaged-<UTC time>"), takes every feed and entry
// it can still read, also after the damage, and fills in from the backup only what lay in the damaged part. Nothing
// is ever saved over a store that could not be read, or over a damaged one without its copy.
//
// What a newer version stored and this one does not know is kept and written back: the attributes of the feed
// list, of each feed and of each entry, and their unknown child elements (as their XML text). So elements added to
// the store are safe with older versions when they follow one rule, which every new element must keep: among the
// children of Feeds no new name starts with "Feed" (ignoring case; a feed is Feed followed by its number only),
// among a feed's children none starts with "Item" (ignoring case); inside an entry any new name is free.

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "feeds/feed_records.h"
#include "platform/file_io.h"

namespace tidewick {

enum class TStoreLoadStatus {
  Loaded,               // complete store read (possibly with no feeds: see FeedCount)
  Missing,              // there is no file; Feeds unchanged
  Unreadable,           // the file exists but cannot be read (permissions, I/O error, no file descriptors); Feeds
                        // unchanged. Never save over it: SaveFeeds refuses, and the caller runs without saving
  RecoveredFromBackup,  // the store was damaged; what it still shows was loaded, and the backup gave what it does not
  RecoveredPartially,   // the store was damaged; what it still shows was loaded (no backup, or nothing from it)
};

struct TStoreLoadResult {
  TStoreLoadStatus Status = TStoreLoadStatus::Missing;
  int FeedCount = 0;
  int EntryCount = 0;
  int BackupEntryCount = 0;              // after damage: entries the backup gave to feeds the damaged file shows
  std::vector<std::string> BackupFeeds;  // after damage: names of the feeds taken whole from the backup
  std::string StateDamagedCopy;          // where a damaged refresh state file was kept (it was ignored)
  std::string DamagedCopy;  // where the damaged file was kept (empty when none was needed or copying failed)
  std::string Message;      // translated text for the user (also why saving is refused); empty when all was in order
  bool Recovered() const {
    return Status == TStoreLoadStatus::RecoveredFromBackup || Status == TStoreLoadStatus::RecoveredPartially;
  }
  // False when a save would destroy what the user may still need: the store could not be read, or it was damaged
  // and no verified copy of it could be kept. SaveFeeds refuses such a file by itself; a window keeps running
  // without saving the store and shows Message, the command-line tool stops with it.
  bool MaySave() const { return Status != TStoreLoadStatus::Unreadable && (!Recovered() || !DamagedCopy.empty()); }
};

// Replaces Feeds and SyncAccounts by the store in fileName (unless the file is missing), with recovery as described
// above (an account the damage took comes from the backup when feeds read still name it). A complete store takes the
// values of its refresh state file when that belongs to it.
TStoreLoadResult LoadFeedStore(const std::string& fileName);
// The same; true when at least one feed was read.
bool LoadFeeds(const std::string& fileName);

// What changed since the store file was last written or read, as far as the caller knows.
enum class TStoreChanges {
  All,
  // Only what refreshes learn (validators, request times, failures, LastDownloaded, Error): the refresh state file
  // beside the store takes it (see store_state.h) while the store file stays as it is. Whenever that cannot be
  // trusted (the store file is not the one this process read or wrote last, the feeds or their entry counts differ
  // from it, a damaged state file could not be kept) the whole store is written instead.
  RefreshStateOnly,
};

// Writes all of Feeds and SyncAccounts. False when anything failed, or when the file there could not be read or is
// damaged and no verified copy of it could be kept; Feeds.xml and Feeds.xml.bak are then as they were.
bool SaveFeeds(const std::string& fileName);
// The same for a copy of the feeds and accounts (a background save writes a snapshot taken on the main thread), with
// the reason of a failure. A change of the accounts (a sync's new Position) makes a RefreshStateOnly save write the
// whole store.
TFileSaveResult SaveFeedStore(const std::string& fileName, const TFeeds& feeds, const TSyncAccounts& accounts,
                              TStoreChanges changes = TStoreChanges::All);
// The same for code that does not handle accounts: writes the accounts this process last loaded from or saved to
// fileName, so it never drops them.
bool SaveFeeds(const std::string& fileName, const TFeeds& feeds);
TFileSaveResult SaveFeedStore(const std::string& fileName, const TFeeds& feeds,
                              TStoreChanges changes = TStoreChanges::All);

// A whole save that begins while a refresh run is still going on (the command line's refresh): each feed is written
// out as soon as it and every feed before it are final, so the disk writes while later feeds are still fetched;
// Finish writes the rest, syncs the file and puts it in place as SaveFeedStore does, with the same guards. Meanwhile
// no feed or account may be added, removed or moved, and a feed handed over as final must not change again. A save
// that is never finished leaves no file behind.
class TStoreSaveAhead {
 public:
  // Writes the start of the store (accounts last loaded from or saved to it) and as many feeds as are final.
  TStoreSaveAhead(const std::string& storeFileName, const TFeeds& feeds, size_t finalCount);
  ~TStoreSaveAhead();
  TStoreSaveAhead(const TStoreSaveAhead&) = delete;
  TStoreSaveAhead& operator=(const TStoreSaveAhead&) = delete;

  // feeds[0, finalCount) will not change again: writes those not written yet.
  void WriteFinal(const TFeeds& feeds, size_t finalCount);
  // Writes the feeds not written yet and replaces the store; the result says whether anything failed on the way.
  TFileSaveResult Finish(const TFeeds& feeds);

 private:
  struct TState;
  std::unique_ptr<TState> m_state;
};

// The names a save writes beside the store before they replace the store and its backup.
inline constexpr std::string_view kStoreTempSuffix = ".tmp";
inline constexpr std::string_view kStoreBackupPendingSuffix = ".bak.new";

// Removes what a save killed in the middle left beside the store (a temporary file as large as the store). Only
// while holding the store's lock, before this process saves.
void RemoveStaleStoreFiles(const std::string& storeFileName);

// The exact bytes SaveFeeds writes for feeds and accounts.
std::string FeedStoreText(const TFeeds& feeds, const TSyncAccounts& accounts = {});

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
