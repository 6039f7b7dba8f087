#include "feeds/feed_store.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <sys/file.h>
#include <sys/stat.h>
#include <utility>
#include <vector>

#include "feeds/store_accounts.h"
#include "feeds/store_copies.h"
#include "feeds/store_reader.h"
#include "feeds/store_rescue.h"
#include "feeds/store_state.h"
#include "feeds/store_writer.h"
#include "lang/lang_text.h"
#include "platform/file_io.h"
#include "platform/synced_file.h"
#include "util/files.h"

namespace tidewick {

namespace {

// Files this process has read or written completely, by identity, so a save need not read the old store
// again to know it may become the backup.
struct TFileIdentity {
  std::string Path;
  dev_t Device = 0;
  ino_t Inode = 0;
  off_t Size = 0;
  int64_t ModifiedNs = 0;
  mode_t Mode = 0;  // not part of the identity: a new mode does not change what the file holds
  bool operator==(const TFileIdentity& other) const {
    return Path == other.Path && Device == other.Device && Inode == other.Inode && Size == other.Size &&
           ModifiedNs == other.ModifiedNs;
  }
};

std::mutex g_storeMutex;
std::vector<TFileIdentity> g_completeFiles;
std::vector<TFileIdentity> g_copiedDamagedFiles;  // damaged stores with a verified copy: may be saved over
std::function<void(const std::string&)> g_saveTestHook;
// What a newer version wrote into the feed list of each store loaded (its attributes and unknown children), by the
// file name it was loaded from; written back by every save to that name.
std::map<std::string, TUnknownXml> g_storeUnknown;
// The accounts last loaded from or saved to each store, by the same name: what a save that does not handle accounts
// writes.
std::map<std::string, TSyncAccounts> g_storeAccounts;

// What the files of each store hold, by the store's file name (after links): the version of the store file, the
// refresh state text it or its state file holds, and the feeds' shape (names, addresses, entry counts), so a save of
// the refresh state alone can tell that the store file still holds everything else.
struct TStateRecord {
  std::string StoreToken;
  std::string StateText;
  std::string Shape;
  bool StateFileBlocked = false;  // a damaged or unreadable state file that was not kept: never written over
};
std::map<std::string, TStateRecord> g_stateRecords;

std::string ShapeOf(const TFeeds& feeds, const TSyncAccounts& accounts) {
  std::string shape;
  if (!accounts.empty()) {  // a new Position must reach the store file, not only the refresh state file
    WriteStoreText(
        {},
        [&shape](std::string_view piece) {
          shape.append(piece);
          return true;
        },
        {}, accounts);
  }
  for (const TFeed& feed : feeds) {
    shape += feed.Name;
    shape += '\0';
    shape += feed.URL;
    shape += '\0';
    shape += std::to_string(feed.Entries.size());
    shape += '\n';
  }
  return shape;
}

std::string StateFileOf(const std::string& targetName) {
  return targetName + std::string(kStateFileSuffix);
}

// After the store file targetName was read or written whole: what it now holds.
void RememberState(const std::string& targetName, const TFeeds& feeds, const TSyncAccounts& accounts, bool blocked) {
  const std::optional<TFileVersion> version = FileVersionOf(targetName);
  const std::lock_guard lock(g_storeMutex);
  if (!version) {
    g_stateRecords.erase(targetName);
    return;
  }
  const std::string token = StoreVersionToken(*version);
  g_stateRecords[targetName] = {token, RefreshStateText(feeds, token), ShapeOf(feeds, accounts), blocked};
}

void RememberStoreUnknown(const std::string& fileName, TUnknownXml unknown) {
  const std::lock_guard lock(g_storeMutex);
  if (unknown.Empty()) {
    g_storeUnknown.erase(fileName);
  } else {
    g_storeUnknown[fileName] = std::move(unknown);
  }
}

void RememberStoreAccounts(const std::string& fileName, const TSyncAccounts& accounts) {
  const std::lock_guard lock(g_storeMutex);
  g_storeAccounts[fileName] = accounts;
}

TSyncAccounts StoreAccountsOf(const std::string& fileName) {
  const std::lock_guard lock(g_storeMutex);
  const auto found = g_storeAccounts.find(fileName);
  return found == g_storeAccounts.end() ? TSyncAccounts() : found->second;
}

TUnknownXml StoreUnknownOf(const std::string& fileName) {
  const std::lock_guard lock(g_storeMutex);
  const auto found = g_storeUnknown.find(fileName);
  return found == g_storeUnknown.end() ? TUnknownXml() : found->second;
}

std::optional<TFileIdentity> IdentityOf(const std::string& fileName) {
  struct stat info {};
  if (::stat(fileName.c_str(), &info) != 0) {
    return std::nullopt;
  }
  return TFileIdentity{fileName,
                       info.st_dev,
                       info.st_ino,
                       info.st_size,
                       int64_t{info.st_mtim.tv_sec} * 1000000000 + info.st_mtim.tv_nsec,
                       info.st_mode & 07777};
}

bool Known(const std::vector<TFileIdentity>& files, const TFileIdentity& identity) {
  const std::lock_guard lock(g_storeMutex);
  return std::find(files.begin(), files.end(), identity) != files.end();
}

void Remember(std::vector<TFileIdentity>& files, const std::string& fileName) {
  const auto identity = IdentityOf(fileName);
  const std::lock_guard lock(g_storeMutex);
  std::erase_if(files, [&](const TFileIdentity& known) { return known.Path == fileName; });
  if (identity) {
    files.push_back(*identity);
  }
}

void RememberComplete(const std::string& fileName) {
  Remember(g_completeFiles, fileName);
}

bool IsCompleteStoreFile(const TFileIdentity& identity) {
  return Known(g_completeFiles, identity) || ReadStoreFile(identity.Path).Complete;
}

// A store that is not complete (damaged, or unreadable) may be replaced only once a verified copy of it exists.
bool DamagedStoreIsKept(const TFileIdentity& identity) {
  if (Known(g_copiedDamagedFiles, identity)) {
    return true;
  }
  if (KeepDamagedCopy(identity.Path).empty()) {
    return false;
  }
  Remember(g_copiedDamagedFiles, identity.Path);
  return true;
}

void ReplaceFeeds(TFeeds feeds) {
  Feeds.clear();
  for (TFeed& feed : feeds) {
    AddFeed(std::move(feed));
  }
}

// A store reached through a symbolic link is replaced where the link points, so the link stays.
std::string LinkTarget(const std::string& fileName) {
  namespace fs = std::filesystem;
  fs::path path = fileName;
  std::error_code error;
  for (int depth = 0; depth < 16 && fs::is_symlink(path, error); ++depth) {
    const fs::path target = fs::read_symlink(path, error);
    if (error) {
      break;
    }
    path = target.is_absolute() ? target : path.parent_path() / target;
  }
  return path.string();
}

void SyncFolderOf(const std::string& fileName) {
  const std::filesystem::path folder = std::filesystem::path(fileName).parent_path();
  const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0) {
    ::fsync(fd);
    ::close(fd);
  }
}

int EntriesIn(const TFeeds& feeds) {
  size_t count = 0;
  for (const TFeed& feed : feeds) {
    count += feed.Entries.size();
  }
  return static_cast<int>(count);
}

std::string QuotedNames(const std::vector<std::string>& names) {
  std::string text;
  for (const std::string& name : names) {
    text += (text.empty() ? "\"" : ", \"") + name + "\"";
  }
  return text;
}

// A damaged store: its copy is kept, everything it still shows is loaded, and the backup fills in the rest.
void LoadDamagedStore(const std::string& fileName, TStoreReadResult&& store, TStoreLoadResult& result) {
  result.DamagedCopy = KeepDamagedCopy(fileName);
  if (!result.DamagedCopy.empty()) {
    Remember(g_copiedDamagedFiles, fileName);
  }
  RememberStoreUnknown(fileName, std::move(store.StoreUnknown));
  const std::string backupName = fileName + ".bak";
  const TStoreReadResult backup = ReadStoreFile(backupName);
  if (backup.Complete) {
    RememberComplete(backupName);
  }
  TSyncAccounts accounts = std::move(store.Accounts);
  TStoreRescue rescue = RescueStore(std::move(store), backup.Complete ? &backup.Feeds : nullptr);
  if (backup.Complete) {
    RescueAccounts(rescue.Feeds, backup.Accounts, accounts);
  }
  RememberStoreAccounts(fileName, accounts);
  SyncAccounts = std::move(accounts);
  result.FeedCount = static_cast<int>(rescue.Feeds.size());
  result.EntryCount = EntriesIn(rescue.Feeds);
  result.BackupEntryCount = rescue.EntriesFromBackup;
  result.BackupFeeds = std::move(rescue.FeedsFromBackup);
  const bool fromBackup = result.BackupEntryCount > 0 || !result.BackupFeeds.empty();
  result.Status = fromBackup ? TStoreLoadStatus::RecoveredFromBackup : TStoreLoadStatus::RecoveredPartially;
  result.Message = GetLangText("Main|StoreRecovered",
                               "Die Feed-Datei \"%s1%\" war beschädigt; sie wurde als \"%s2%\" aufbewahrt. Aus "
                               "ihrem lesbaren Teil wurden %s3% Feeds mit %s4% Einträgen wiederhergestellt.",
                               JoinLangParams({fileName, result.DamagedCopy, std::to_string(rescue.FeedsRead),
                                               std::to_string(rescue.EntriesRead)}));
  if (result.BackupEntryCount > 0) {
    result.Message.append(" ").append(
        GetLangText("Main|StoreBackupEntries",
                    "Aus der Sicherung \"%s1%\" kamen %s2% Einträge hinzu, die in der "
                    "beschädigten Datei nicht mehr lesbar waren.",
                    JoinLangParams({backupName, std::to_string(result.BackupEntryCount)})));
  }
  if (!result.BackupFeeds.empty()) {
    result.Message.append(" ").append(GetLangText("Main|StoreBackupFeeds",
                                                  "Ganz aus der Sicherung \"%s1%\" stammen die Feeds %s2%, die in der "
                                                  "beschädigten Datei nicht mehr lesbar waren.",
                                                  JoinLangParams({backupName, QuotedNames(result.BackupFeeds)})));
  }
  if (result.DamagedCopy.empty()) {
    result.Message = GetLangText("Main|StoreDamagedNotKept",
                                 "Die Feed-Datei \"%s1%\" ist beschädigt, und es konnte keine Kopie von ihr angelegt "
                                 "werden. Sie wird nicht überschrieben; Änderungen an den Feeds werden nicht "
                                 "gespeichert.",
                                 fileName);
  }
  ReplaceFeeds(std::move(rescue.Feeds));
}

// A complete store just loaded into Feeds takes the values of its refresh state file, when that belongs to it.
void ApplyStateFile(const std::string& fileName, TStoreLoadResult& result) {
  const std::string target = LinkTarget(fileName);
  const std::optional<TFileVersion> version = FileVersionOf(target);
  TStateFileResult state;
  if (version) {
    state = ApplyRefreshStateFile(StateFileOf(target), StoreVersionToken(*version), Feeds);
  }
  result.StateDamagedCopy = state.DamagedCopy;
  const bool blocked = state.Status == TStateFileStatus::Unreadable ||
                       (state.Status == TStateFileStatus::Damaged && state.DamagedCopy.empty());
  RememberState(target, Feeds, SyncAccounts, blocked);
}

// Writes the refresh state file instead of the store when that is safe; nullopt when the store must be written.
std::optional<TFileSaveResult> SaveRefreshStateOnly(const std::string& fileName, const TFeeds& feeds,
                                                    const TSyncAccounts& accounts) {
  const std::optional<TFileIdentity> old = IdentityOf(fileName);
  const std::optional<TFileVersion> version = FileVersionOf(fileName);
  if (!old || !version || !Known(g_completeFiles, *old)) {
    return std::nullopt;
  }
  const std::string token = StoreVersionToken(*version);
  std::string text;
  {
    const std::lock_guard lock(g_storeMutex);
    const auto found = g_stateRecords.find(fileName);
    if (found == g_stateRecords.end() || found->second.StoreToken != token || found->second.StateFileBlocked ||
        found->second.Shape != ShapeOf(feeds, accounts)) {
      return std::nullopt;
    }
    text = RefreshStateText(feeds, token);
    if (text == found->second.StateText) {
      return TFileSaveResult{};  // the files hold all of it already
    }
  }
  if (!WriteRefreshStateFile(StateFileOf(fileName), text, old->Mode).Written()) {
    return std::nullopt;  // the whole store may still go in
  }
  const std::lock_guard lock(g_storeMutex);
  g_stateRecords[fileName].StateText = std::move(text);
  return TFileSaveResult{};
}

// The new store takes the old one's mode (a store holding credentials in its addresses may be private).
std::optional<mode_t> ModeOf(const std::optional<TFileIdentity>& old) {
  return old ? std::optional<mode_t>(old->Mode) : std::nullopt;
}

// Where a whole save goes and what it replaces.
struct TSaveTarget {
  std::string FileName;  // the store's file after links
  std::string TempName;
  std::optional<TFileIdentity> Old;
  bool OldComplete = false;
};

// Only a store that loads completely becomes the backup; any other file there is kept as a damaged copy first, and
// without that copy nothing is saved (nullopt, errno says why).
std::optional<TSaveTarget> SaveTargetFor(const std::string& fileName) {
  TSaveTarget target{fileName, fileName + std::string(kStoreTempSuffix), IdentityOf(fileName), false};
  target.OldComplete = target.Old && IsCompleteStoreFile(*target.Old);
  if (target.Old && !target.OldComplete && !DamagedStoreIsKept(*target.Old)) {
    return std::nullopt;
  }
  return target;
}

// Puts the written and synced temporary file in the store's place (written: its size, or -1 after a failure with
// the reason in error), the old complete store becoming the backup, and remembers what the files now hold.
TFileSaveResult CommitSave(const TSaveTarget& target, int64_t written, int error, const TFeeds& feeds,
                           const TSyncAccounts& accounts, const std::string& storeFileName) {
  const std::string& fileName = target.FileName;
  const std::string& tempName = target.TempName;
  if (g_saveTestHook) {
    g_saveTestHook(tempName);
  }
  const auto tempIdentity = IdentityOf(tempName);
  if (written < 0 || !tempIdentity || tempIdentity->Size != written) {
    ::unlink(tempName.c_str());
    return TFileSaveResult::Failed(error);
  }
  const std::string pendingBackup = fileName + std::string(kStoreBackupPendingSuffix);
  const bool backupPrepared = target.OldComplete && PrepareBackupCopy(fileName, pendingBackup, target.Old->Size);
  if (::rename(tempName.c_str(), fileName.c_str()) != 0) {
    error = errno;
    ::unlink(tempName.c_str());
    if (backupPrepared) {
      ::unlink(pendingBackup.c_str());
    }
    return TFileSaveResult::Failed(error);
  }
  if (backupPrepared && ::rename(pendingBackup.c_str(), (fileName + ".bak").c_str()) != 0) {
    ::unlink(pendingBackup.c_str());  // the new store is in place; only the backup is not renewed
  }
  SyncFolderOf(fileName);
  RememberComplete(fileName);
  // The store holds the refresh state now; a state file left beside it belongs to an older version of it.
  bool blocked = false;
  {
    const std::lock_guard lock(g_storeMutex);
    const auto found = g_stateRecords.find(fileName);
    blocked = found != g_stateRecords.end() && found->second.StateFileBlocked;
  }
  if (!blocked) {
    ::unlink(StateFileOf(fileName).c_str());
  }
  RememberState(fileName, feeds, accounts, blocked);
  RememberStoreAccounts(storeFileName, accounts);
  return {};
}

}  // namespace

TStoreLoadResult LoadFeedStore(const std::string& fileName) {
  TStoreLoadResult result;
  struct stat info {};
  if (::stat(fileName.c_str(), &info) != 0 && (errno == ENOENT || errno == ENOTDIR)) {
    return result;  // Missing: Feeds stay as they are
  }
  TStoreReadResult store = ReadStoreFile(fileName);
  if (store.ReadError != 0) {
    result.Status = TStoreLoadStatus::Unreadable;
    result.Message = GetLangText("Main|StoreUnreadable",
                                 "Die Feed-Datei \"%s1%\" kann nicht gelesen werden (%s2%). Sie wird nicht "
                                 "überschrieben; Änderungen an den Feeds werden nicht gespeichert.",
                                 JoinLangParams({fileName, std::strerror(store.ReadError)}));
    return result;
  }
  if (store.Complete) {
    RememberComplete(fileName);
    RememberStoreUnknown(fileName, std::move(store.StoreUnknown));
    RememberStoreAccounts(fileName, store.Accounts);
    SyncAccounts = std::move(store.Accounts);
    result.Status = TStoreLoadStatus::Loaded;
    result.FeedCount = static_cast<int>(store.Feeds.size());
    result.EntryCount = EntriesIn(store.Feeds);
    ReplaceFeeds(std::move(store.Feeds));
    ApplyStateFile(fileName, result);
    return result;
  }
  LoadDamagedStore(fileName, std::move(store), result);
  return result;
}

bool LoadFeeds(const std::string& fileName) {
  return LoadFeedStore(fileName).FeedCount > 0;
}

bool SaveFeeds(const std::string& storeFileName) {
  return SaveFeedStore(storeFileName, Feeds, SyncAccounts).Written();
}

bool SaveFeeds(const std::string& storeFileName, const TFeeds& feeds) {
  return SaveFeedStore(storeFileName, feeds).Written();
}

TFileSaveResult SaveFeedStore(const std::string& storeFileName, const TFeeds& feeds, TStoreChanges changes) {
  return SaveFeedStore(storeFileName, feeds, StoreAccountsOf(storeFileName), changes);
}

TFileSaveResult SaveFeedStore(const std::string& storeFileName, const TFeeds& feeds, const TSyncAccounts& accounts,
                              TStoreChanges changes) {
  const std::string fileName = LinkTarget(storeFileName);
  if (changes == TStoreChanges::RefreshStateOnly) {
    if (const std::optional<TFileSaveResult> saved = SaveRefreshStateOnly(fileName, feeds, accounts)) {
      return *saved;
    }
  }
  const std::optional<TSaveTarget> target = SaveTargetFor(fileName);
  if (!target) {
    return TFileSaveResult::Failed(errno);
  }
  TSyncedFileWriter temp(target->TempName, ModeOf(target->Old));
  WriteStoreText(
      feeds, [&temp](std::string_view piece) { return temp.Write(piece); }, StoreUnknownOf(storeFileName), accounts);
  int error = 0;
  const int64_t written = temp.Close(error);
  return CommitSave(*target, written, error, feeds, accounts, storeFileName);
}

struct TStoreSaveAhead::TState {
  std::string StoreFileName;
  std::optional<TSaveTarget> Target;
  int TargetError = 0;  // why there is no target
  TSyncAccounts Accounts;
  std::optional<TSyncedFileWriter> Temp;
  std::optional<TStoreTextWriter> Writer;
  size_t Written = 0;  // feeds written so far
  bool Finished = false;
};

TStoreSaveAhead::TStoreSaveAhead(const std::string& storeFileName, const TFeeds& feeds, size_t finalCount)
    : m_state(std::make_unique<TState>()) {
  TState& state = *m_state;
  state.StoreFileName = storeFileName;
  state.Target = SaveTargetFor(LinkTarget(storeFileName));
  if (!state.Target) {
    state.TargetError = errno;
    return;
  }
  state.Accounts = StoreAccountsOf(storeFileName);
  state.Temp.emplace(state.Target->TempName, ModeOf(state.Target->Old));
  state.Writer.emplace([&temp = *state.Temp](std::string_view piece) { return temp.Write(piece); },
                       StoreUnknownOf(storeFileName), state.Accounts, !feeds.empty());
  WriteFinal(feeds, finalCount);
}

TStoreSaveAhead::~TStoreSaveAhead() {
  if (m_state->Target && !m_state->Finished) {
    m_state->Writer.reset();
    m_state->Temp.reset();
    ::unlink(m_state->Target->TempName.c_str());
  }
}

void TStoreSaveAhead::WriteFinal(const TFeeds& feeds, size_t finalCount) {
  TState& state = *m_state;
  if (!state.Writer) {
    return;
  }
  for (const size_t end = std::min(finalCount, feeds.size()); state.Written < end; ++state.Written) {
    state.Writer->Feed(feeds[state.Written]);
  }
}

TFileSaveResult TStoreSaveAhead::Finish(const TFeeds& feeds) {
  TState& state = *m_state;
  if (!state.Target || state.Finished) {
    return TFileSaveResult::Failed(state.Target ? EINVAL : state.TargetError);
  }
  WriteFinal(feeds, feeds.size());
  state.Writer->Finish();
  int error = 0;
  const int64_t written = state.Temp->Close(error);
  state.Finished = true;
  return CommitSave(*state.Target, written, error, feeds, state.Accounts, state.StoreFileName);
}

void RemoveStaleStoreFiles(const std::string& storeFileName) {
  const std::string fileName = LinkTarget(storeFileName);
  for (const std::string_view suffix : {kStoreTempSuffix, kStoreBackupPendingSuffix, kStateTempSuffix}) {
    const std::string stale = fileName + std::string(suffix);
    struct stat info {};
    if (::lstat(stale.c_str(), &info) == 0 && S_ISREG(info.st_mode)) {
      ::unlink(stale.c_str());
    }
  }
}

std::string FeedStoreText(const TFeeds& feeds, const TSyncAccounts& accounts) {
  std::string text;
  WriteStoreText(
      feeds,
      [&](std::string_view piece) {
        text.append(piece);
        return true;
      },
      {}, accounts);
  return text;
}

void SetStoreSaveTestHook(std::function<void(const std::string& tempFileName)> hook) {
  g_saveTestHook = std::move(hook);
}

TFeedStoreLock::~TFeedStoreLock() {
  Release();
}

TFeedStoreLock::TFeedStoreLock(TFeedStoreLock&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}

TFeedStoreLock& TFeedStoreLock::operator=(TFeedStoreLock&& other) noexcept {
  if (this != &other) {
    Release();
    m_fd = std::exchange(other.m_fd, -1);
  }
  return *this;
}

bool TFeedStoreLock::Acquire(const std::string& storeFileName, std::string& message) {
  Release();
  const std::string lockName = storeFileName + ".lock";
  const int fd = ::open(lockName.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) {
    message = GetLangText("Main|StoreLockFailed", "Die Sperrdatei \"%s1%\" kann nicht angelegt werden.", lockName);
    return false;
  }
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    // Said by a process that gives up: it changes nothing, so it names no risk.
    message = GetLangText("Main|StoreBusy",
                          "Die Feed-Datei \"%s1%\" wird gerade von einem anderen Tidewick-Prozess bearbeitet; "
                          "sie bleibt unverändert.",
                          storeFileName);
    return false;
  }
  m_fd = fd;
  message.clear();
  return true;
}

void TFeedStoreLock::Release() {
  if (m_fd >= 0) {
    ::flock(m_fd, LOCK_UN);
    ::close(m_fd);
    m_fd = -1;
  }
}

}  // namespace tidewick
