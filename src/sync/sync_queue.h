#pragma once

// Changes made on this machine that the server has not yet confirmed: read marks and stars of account entries. The
// queue survives a restart and a kill: it lives in "Feeds.xml.sync-queue" beside the store, replaced atomically by
// the process that holds the store's lock, with the store's damage rules (a file that cannot be read whole is kept
// as "Feeds.xml.sync-queue.damaged-<UTC time>" and the queue starts empty; nothing is written over an unreadable
// one). The latest change of an article's field wins: a later change replaces an earlier one, and on the next sync
// it wins over the server's state it was made against.

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tidewick {

inline constexpr std::string_view kSyncQueueSuffix = ".sync-queue";
inline constexpr size_t kMaxSyncAccountKeyBytes = 1024;

enum class TSyncField { Read, Starred };

struct TSyncChange {
  std::string Account;  // TSyncAccount::Key
  int64_t ArticleId = 0;
  TSyncField Field = TSyncField::Read;
  bool Value = false;  // read / starred after the change

  bool operator==(const TSyncChange&) const = default;
};

class TSyncQueue {
 public:
  // Adds a change, replacing an earlier one of the same account, article and field (which keeps its place). A change
  // no server could name is ignored: an empty account key or one over kMaxSyncAccountKeyBytes, an id not above 0.
  void Add(const TSyncChange& change);
  // Removes changes the server confirmed, unless a later Add replaced them meanwhile (same value kept otherwise).
  void Confirm(const std::vector<TSyncChange>& sent);
  // Drops every change of an account (the account was removed).
  void DropAccount(const std::string& account);
  // The pending changes of one account, in the order they were made (a replaced one in the place of the first).
  std::vector<TSyncChange> Pending(const std::string& account) const;
  // Every pending change, in the same order.
  const std::vector<TSyncChange>& Changes() const { return m_changes; }
  bool Empty() const;
  size_t Size() const;
  // The pending value of an article's field, if any (a sync applies it over the server's state).
  const TSyncChange* Find(const std::string& account, int64_t articleId, TSyncField field) const;

 private:
  void Reindex();

  std::vector<TSyncChange> m_changes;
  std::unordered_map<std::string, size_t> m_index;  // a change's place in m_changes, by account, article and field
};

// The queue file beside a store file.
std::string SyncQueueFileName(const std::string& storeFileName);

struct TSyncQueueLoad {
  bool Readable = true;     // false: the file exists but could not be read; never save over it
  std::string DamagedCopy;  // where a damaged file was kept (it was ignored)
};
TSyncQueueLoad LoadSyncQueue(const std::string& fileName, TSyncQueue& queue);
// Writes the queue atomically; an empty queue removes the file. False on any failure (the old file stays).
bool SaveSyncQueue(const std::string& fileName, const TSyncQueue& queue);

}  // namespace tidewick
