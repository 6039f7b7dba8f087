#pragma once

// The rows of the entry list: which entries the selected tree node shows, and in which order. A row refers to its
// entry by the feed's stable Id and the entry's identity (title, link, author); it holds no copy of the entry's
// state, so read marks are always the store's own.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "entries/entry_order.h"
#include "feeds/feed_records.h"

namespace tidewick {

struct TEntryRow {
  uint64_t FeedId = 0;
  int32_t EntryIndex = -1;    // where the entry stood when the list was filled (a hint, checked on every use)
  uint32_t Stamp = 0;         // the entry's stamp then (0: none to go by)
  uint64_t IdentityHash = 0;  // of Title, Link and Author, to find the entry again once it moved
};

// The same three fields the merge rule treats as an entry's identity.
uint64_t EntryIdentityHash(const TEntry& item);

// The entry a row names inside its feed: the remembered position while it still holds the very entry that was
// listed (its stamp) or one with the same identity, otherwise the first entry with that identity (a deletion moves
// the last entry into the gap); nullptr when there is none.
TEntry* ResolveEntryRow(TEntryRow& row, TFeed& feed);

enum class TListNodeKind { Root, Folder, Feed, Starred };

// What the tree's selected node lists.
struct TListNode {
  TListNodeKind Kind = TListNodeKind::Root;
  // Folder: the feeds below it in tree order (any depth). Feed: its own feed. Starred: every feed in tree order.
  // Root: unused (store order).
  std::vector<uint64_t> FeedIds;
};

// Identity of the entry being read, kept across a refill.
struct TEntryIdentity {
  uint64_t FeedId = 0;
  std::string Title;
  std::string Link;
  std::string Author;
};

// Which of a node's entries are listed.
struct TListFilter {
  bool UnreadOnly = false;
  // Listed whatever UnreadOnly says: the entry being read stays in a refilled list although it is read now.
  std::optional<TEntryIdentity> Keep;
};

// The rows a node lists, in store or tree order; stamps the listed entries that have no stamp yet. Folders and the root
// list the feeds below them only with groupInFolders; otherwise they list nothing. The Starred node lists the starred
// entries of its feeds whatever groupInFolders says. Feeds that no longer exist contribute nothing.
std::vector<TEntryRow> CollectEntryRows(const TListNode& node, bool groupInFolders, const TListFilter& filter = {});

// Why a list shows nothing, for the one line the empty list shows instead.
enum class TEmptyListReason {
  None,         // it lists something
  NotGrouped,   // a folder or the root while GroupInFolders is off (its default): users took this for a fault
  FeedEmpty,    // the feed holds no entries (yet)
  FolderEmpty,  // grouped, and no feed below holds an entry
  NoUnread,     // only unread entries are listed, and there are none
  NoneStarred,  // the Starred node, and no entry has a star
};
TEmptyListReason EmptyListReason(const TListNode& node, bool groupInFolders, bool unreadOnly, size_t rowCount);

// The listed rows with a cache that finds their entries again in the store.
class TEntryList {
 public:
  void Fill(const TListNode& node, bool groupInFolders, const TListOrder& order, const TListFilter& filter = {});
  void Sort(const TListOrder& order);
  void Clear();

  size_t Size() const { return m_rows.size(); }
  const std::vector<TEntryRow>& Rows() const { return m_rows; }

  // The row's entry and feed in the store; nullptr when the entry vanished (deleted, or dropped by a refresh).
  TEntry* Item(size_t row);
  TFeed* Feed(size_t row);

  // Asks the processor to start loading what Item(row) and a search of its texts will read, for loops that walk
  // many rows: the rows of a sorted list lie all over the store, and waiting for memory is most of such a walk.
  void PrefetchEntry(size_t row);
  void PrefetchTexts(size_t row);

  // The row showing this entry, by feed and identity.
  std::optional<size_t> FindRow(const TEntryIdentity& identity);

 private:
  int FeedPosition(uint64_t feedId);

  struct TFeedSlot {
    uint64_t Id = 0;
    int Position = -1;
  };

  std::vector<TEntryRow> m_rows;
  // Last known store positions by feed Id, one slot per Id modulo the size (Ids are handed out in sequence, so a
  // list's feeds rarely share a slot; a shared slot only costs a lookup).
  std::vector<TFeedSlot> m_feedSlots;
};

TEntryIdentity IdentityOf(const TFeed& feed, const TEntry& item);

}  // namespace tidewick
