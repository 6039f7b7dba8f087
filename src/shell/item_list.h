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

#include "feeds/feed_records.h"

namespace tidewick {

struct TSettingsValues;

struct TItemRow {
  uint64_t FeedId = 0;
  int32_t ItemIndex = -1;     // where the entry stood when the list was filled (a hint, checked on every use)
  uint32_t Stamp = 0;         // the entry's stamp then (0: none to go by)
  uint64_t IdentityHash = 0;  // of Title, Link and Author, to find the entry again once it moved
};

// The same three fields the merge rule treats as an entry's identity.
uint64_t ItemIdentityHash(const TFeedItem& item);

enum class TListNodeKind { Root, Folder, Feed };

// What the tree's selected node lists.
struct TListNode {
  TListNodeKind Kind = TListNodeKind::Root;
  // Folder: the feeds below it in tree order (any depth). Feed: its own feed. Root: unused (store order).
  std::vector<uint64_t> FeedIds;
};

inline constexpr int kItemColumnCount = 3;
inline constexpr int kTitleColumn = 0;
inline constexpr int kDateColumn = 1;
inline constexpr int kFeedColumn = 2;

struct TListOrder {
  bool AutoSort = true;
  bool ShowUnreadFirst = true;
  int SortLastColumn = kDateColumn;  // the column of the manual order
  bool SortAscending = false;
};

TListOrder ListOrderFromSettings(const TSettingsValues& settings);
void StoreListOrder(const TListOrder& order, TSettingsValues& settings);

// A header click: a new column keeps the direction, the same column turns it round. Nothing changes while the
// list orders itself (AutoSort).
TListOrder ClickColumn(TListOrder order, int column);

// The translated header of a column, with "   v" (ascending) or "   ^" after the manual order's column.
std::string ColumnHeaderText(int column, const TListOrder& order);

// The rows a node lists, in store or tree order; stamps the listed entries that have no stamp yet. Folders and the root
// list the feeds below them only with groupInFolders; otherwise they list nothing. Feeds that no longer exist
// contribute nothing.
std::vector<TItemRow> CollectItemRows(const TListNode& node, bool groupInFolders);

// Orders rows once: the automatic order (unread first when asked, newer first, titles ignoring case) or the manual
// order by order.SortLastColumn. Equal rows keep their store order.
void SortItemRows(std::vector<TItemRow>& rows, const TListOrder& order);

// Identity of the entry being read, kept across a refill.
struct TItemIdentity {
  uint64_t FeedId = 0;
  std::string Title;
  std::string Link;
  std::string Author;
};

// The listed rows with a cache that finds their entries again in the store.
class TItemList {
 public:
  void Fill(const TListNode& node, bool groupInFolders, const TListOrder& order);
  void Sort(const TListOrder& order);
  void Clear();

  size_t Size() const { return m_rows.size(); }
  const std::vector<TItemRow>& Rows() const { return m_rows; }

  // The row's entry and feed in the store; nullptr when the entry vanished (deleted, or dropped by a refresh).
  TFeedItem* Item(size_t row);
  TFeed* Feed(size_t row);

  // Asks the processor to start loading what Item(row) and a search of its texts will read, for loops that walk
  // many rows: the rows of a sorted list lie all over the store, and waiting for memory is most of such a walk.
  void PrefetchEntry(size_t row);
  void PrefetchTexts(size_t row);

  // The row showing this entry, by feed and identity.
  std::optional<size_t> FindRow(const TItemIdentity& identity);

 private:
  int FeedPosition(uint64_t feedId);

  struct TFeedSlot {
    uint64_t Id = 0;
    int Position = -1;
  };

  std::vector<TItemRow> m_rows;
  // Last known store positions by feed Id, one slot per Id modulo the size (Ids are handed out in sequence, so a
  // list's feeds rarely share a slot; a shared slot only costs a lookup).
  std::vector<TFeedSlot> m_feedSlots;
};

TItemIdentity IdentityOf(const TFeed& feed, const TFeedItem& item);

}  // namespace tidewick
