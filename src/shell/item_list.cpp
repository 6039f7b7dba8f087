#include "shell/item_list.h"

#include <algorithm>
#include <numeric>

#include "feeds/item_title.h"
#include "lang/lang_text.h"
#include "shell/item_fold.h"
#include "shell/settings.h"

namespace tidewick {
namespace {

uint64_t HashAppend(uint64_t hash, std::string_view text) {
  // Mixing in the length keeps "ab"+"c" and "a"+"bc" apart.
  const uint64_t part = std::hash<std::string_view>{}(text) ^ (text.size() * 0x9E3779B97F4A7C15ull);
  return (hash ^ part) * 0x100000001B3ull + (hash >> 29);
}

// The entry a row names inside its feed: the remembered position when it still holds the same entry, otherwise
// the first entry with the same identity (a deletion moves the last entry into the gap).
TFeedItem* ResolveInFeed(TItemRow& row, TFeed& feed) {
  TFeedItems& items = feed.Items;
  if (row.ItemIndex >= 0 && static_cast<size_t>(row.ItemIndex) < items.size() &&
      ItemIdentityHash(items[row.ItemIndex]) == row.IdentityHash) {
    return &items[row.ItemIndex];
  }
  for (size_t i = 0; i < items.size(); ++i) {
    if (ItemIdentityHash(items[i]) == row.IdentityHash) {
      row.ItemIndex = static_cast<int32_t>(i);
      return &items[i];
    }
  }
  return nullptr;
}

void AddFeedRows(const TFeed& feed, std::vector<TItemRow>& rows) {
  for (size_t i = 0; i < feed.Items.size(); ++i) {
    rows.push_back({feed.Id, static_cast<int32_t>(i), ItemIdentityHash(feed.Items[i])});
  }
}

// What the order compares, gathered once per row so the sort itself never touches the store.
struct TSortKey {
  bool Readed = false;
  TDateTime Date = 0;
  const TFeedItem* Item = nullptr;
  bool TitleFolded = false;
  std::string Title;        // folded, made when first needed
  const std::string* Feed;  // folded feed name
};

const std::string& FoldedTitle(TSortKey& key, const std::string& untitled) {
  if (!key.TitleFolded) {
    key.TitleFolded = true;
    if (key.Item != nullptr) {
      key.Title = key.Item->Title.empty() ? untitled : FoldForList(key.Item->Title);
    }
  }
  return key.Title;
}

int CompareText(const std::string& a, const std::string& b) {
  const int result = a.compare(b);
  return result < 0 ? -1 : (result > 0 ? 1 : 0);
}

int CompareDates(TDateTime a, TDateTime b) {
  return a < b ? -1 : (a > b ? 1 : 0);
}

// The manual order's comparison, before the direction is applied.
int CompareByColumn(TSortKey& a, TSortKey& b, int column, const std::string& untitled) {
  switch (column) {
    case kTitleColumn:
      return CompareText(FoldedTitle(a, untitled), FoldedTitle(b, untitled));
    case kDateColumn: {
      const int byDate = CompareDates(a.Date, b.Date);
      return byDate != 0 ? byDate : CompareText(FoldedTitle(a, untitled), FoldedTitle(b, untitled));
    }
    case kFeedColumn:
      return CompareText(*a.Feed, *b.Feed);
    default:
      return 0;  // a column the list does not have
  }
}

bool AutomaticallyBefore(TSortKey& a, TSortKey& b, bool unreadFirst, const std::string& untitled) {
  if (unreadFirst && a.Readed != b.Readed) {
    return !a.Readed;
  }
  if (a.Date != b.Date) {
    return a.Date > b.Date;
  }
  return FoldedTitle(a, untitled) < FoldedTitle(b, untitled);  // titles only for equal dates
}

}  // namespace

uint64_t ItemIdentityHash(const TFeedItem& item) {
  uint64_t hash = 0xCBF29CE484222325ull;
  hash = HashAppend(hash, item.Title);
  hash = HashAppend(hash, item.Link);
  return HashAppend(hash, item.Author);
}

TListOrder ListOrderFromSettings(const TSettingsValues& settings) {
  return {settings.AutoSort, settings.ShowUnreadFirst, settings.SortLastColumn, settings.SortAscending};
}

void StoreListOrder(const TListOrder& order, TSettingsValues& settings) {
  settings.SortLastColumn = order.SortLastColumn;
  settings.SortAscending = order.SortAscending;
}

TListOrder ClickColumn(TListOrder order, int column) {
  if (order.AutoSort) {
    return order;
  }
  if (column == order.SortLastColumn) {
    order.SortAscending = !order.SortAscending;
  } else {
    order.SortLastColumn = column;
  }
  return order;
}

std::string ColumnHeaderText(int column, const TListOrder& order) {
  std::string text;
  switch (column) {
    case kTitleColumn:
      text = GetLangText("Main|lvItemsTitle", "Titel");
      break;
    case kDateColumn:
      text = GetLangText("Main|lvItemsModTime", "Änderungszeit");
      break;
    case kFeedColumn:
      text = GetLangText("Main|lvItemsFeed", "Feed");
      break;
    default:
      return text;
  }
  if (!order.AutoSort && column == order.SortLastColumn) {
    text += order.SortAscending ? "   v" : "   ^";
  }
  return text;
}

std::vector<TItemRow> CollectItemRows(const TListNode& node, bool groupInFolders) {
  std::vector<TItemRow> rows;
  if (node.Kind == TListNodeKind::Root) {
    if (groupInFolders) {
      size_t total = 0;
      for (const TFeed& feed : Feeds) {
        total += feed.Items.size();
      }
      rows.reserve(total);
      for (const TFeed& feed : Feeds) {
        AddFeedRows(feed, rows);
      }
    }
    return rows;
  }
  // A folder without grouping lists nothing: it never stands for a feed that merely shares its name.
  if (node.Kind == TListNodeKind::Folder && !groupInFolders) {
    return rows;
  }
  for (const uint64_t id : node.FeedIds) {
    const int position = FindFeedById(id);
    if (position >= 0) {
      AddFeedRows(Feeds[position], rows);
    }
  }
  return rows;
}

void SortItemRows(std::vector<TItemRow>& rows, const TListOrder& order) {
  const std::string untitled = FoldForList(UntitledItemText());
  std::vector<std::string> feedNames(Feeds.size());
  std::unordered_map<uint64_t, size_t> positions;
  for (size_t i = 0; i < Feeds.size(); ++i) {
    positions[Feeds[i].Id] = i;
    feedNames[i] = FoldForList(Feeds[i].Name);
  }
  static const std::string kNoFeed;

  std::vector<TSortKey> keys(rows.size(), TSortKey{false, 0, nullptr, false, {}, &kNoFeed});
  uint64_t lastId = 0;
  size_t lastPosition = 0;
  for (size_t i = 0; i < rows.size(); ++i) {
    if (rows[i].FeedId != lastId || i == 0) {  // rows come feed by feed: one lookup per feed
      const auto position = positions.find(rows[i].FeedId);
      if (position == positions.end()) {
        continue;
      }
      lastId = rows[i].FeedId;
      lastPosition = position->second;
    }
    keys[i].Feed = &feedNames[lastPosition];
    if (const TFeedItem* item = ResolveInFeed(rows[i], Feeds[lastPosition])) {
      keys[i].Readed = item->Readed;
      keys[i].Date = item->PublishedDate;
      keys[i].Item = item;
    }
  }

  std::vector<size_t> permutation(rows.size());
  std::iota(permutation.begin(), permutation.end(), size_t{0});
  if (order.AutoSort) {
    std::stable_sort(permutation.begin(), permutation.end(), [&](size_t a, size_t b) {
      return AutomaticallyBefore(keys[a], keys[b], order.ShowUnreadFirst, untitled);
    });
  } else {
    std::stable_sort(permutation.begin(), permutation.end(), [&](size_t a, size_t b) {
      const int result = CompareByColumn(keys[a], keys[b], order.SortLastColumn, untitled);
      return order.SortAscending ? result < 0 : result > 0;
    });
  }
  std::vector<TItemRow> sorted;
  sorted.reserve(rows.size());
  for (const size_t index : permutation) {
    sorted.push_back(rows[index]);
  }
  rows = std::move(sorted);
}

TItemIdentity IdentityOf(const TFeed& feed, const TFeedItem& item) {
  return {feed.Id, item.Title, item.Link, item.Author};
}

void TItemList::Fill(const TListNode& node, bool groupInFolders, const TListOrder& order) {
  m_feedPositions.clear();
  m_rows = CollectItemRows(node, groupInFolders);
  SortItemRows(m_rows, order);
}

void TItemList::Sort(const TListOrder& order) {
  SortItemRows(m_rows, order);
}

void TItemList::Clear() {
  m_rows.clear();
  m_feedPositions.clear();
}

int TItemList::FeedPosition(uint64_t feedId) {
  const auto cached = m_feedPositions.find(feedId);
  if (cached != m_feedPositions.end() && cached->second >= 0 && static_cast<size_t>(cached->second) < Feeds.size() &&
      Feeds[cached->second].Id == feedId) {
    return cached->second;
  }
  const int position = FindFeedById(feedId);
  m_feedPositions[feedId] = position;
  return position;
}

TFeed* TItemList::Feed(size_t row) {
  if (row >= m_rows.size()) {
    return nullptr;
  }
  const int position = FeedPosition(m_rows[row].FeedId);
  return position < 0 ? nullptr : &Feeds[position];
}

TFeedItem* TItemList::Item(size_t row) {
  TFeed* feed = Feed(row);
  return feed == nullptr ? nullptr : ResolveInFeed(m_rows[row], *feed);
}

std::optional<size_t> TItemList::FindRow(const TItemIdentity& identity) {
  TFeedItem probe;
  probe.Title = identity.Title;
  probe.Link = identity.Link;
  probe.Author = identity.Author;
  const uint64_t hash = ItemIdentityHash(probe);
  for (size_t row = 0; row < m_rows.size(); ++row) {
    if (m_rows[row].FeedId != identity.FeedId || m_rows[row].IdentityHash != hash) {
      continue;
    }
    const TFeedItem* item = Item(row);
    if (item != nullptr && item->Title == identity.Title && item->Link == identity.Link &&
        item->Author == identity.Author) {
      return row;
    }
  }
  return std::nullopt;
}

}  // namespace tidewick
