#include "shell/item_list.h"

#include <algorithm>
#include <numeric>

#include "feeds/item_title.h"
#include "lang/lang_text.h"
#include "shell/settings.h"
#include "util/case_fold.h"

namespace tidewick {
namespace {

constexpr uint64_t kFnvOffset = 14695981039346656037ull;
constexpr uint64_t kFnvPrime = 1099511628211ull;

uint64_t HashAppend(uint64_t hash, std::string_view text) {
  for (const char c : text) {
    hash = (hash ^ static_cast<unsigned char>(c)) * kFnvPrime;
  }
  // A separator, so "ab"+"c" and "a"+"bc" differ.
  return (hash ^ 0xFFu) * kFnvPrime;
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
  std::string Title;        // folded
  const std::string* Feed;  // folded feed name
};

int CompareText(const std::string& a, const std::string& b) {
  return a.compare(b) < 0 ? -1 : (a == b ? 0 : 1);
}

int CompareDates(TDateTime a, TDateTime b) {
  return a < b ? -1 : (a > b ? 1 : 0);
}

// The manual order's comparison, before the direction is applied.
int CompareByColumn(const TSortKey& a, const TSortKey& b, int column) {
  switch (column) {
    case kTitleColumn:
      return CompareText(a.Title, b.Title);
    case kDateColumn: {
      const int byDate = CompareDates(a.Date, b.Date);
      return byDate != 0 ? byDate : CompareText(a.Title, b.Title);
    }
    case kFeedColumn:
      return CompareText(*a.Feed, *b.Feed);
    default:
      return 0;  // a column the list does not have
  }
}

bool AutomaticallyBefore(const TSortKey& a, const TSortKey& b, bool unreadFirst) {
  if (unreadFirst && a.Readed != b.Readed) {
    return !a.Readed;
  }
  if (a.Date != b.Date) {
    return a.Date > b.Date;
  }
  return a.Title < b.Title;
}

}  // namespace

uint64_t ItemIdentityHash(const TFeedItem& item) {
  uint64_t hash = kFnvOffset;
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
  const std::string untitled = FoldCase(UntitledItemText());
  std::unordered_map<uint64_t, std::string> feedNames;
  std::unordered_map<uint64_t, int> positions;
  for (size_t i = 0; i < Feeds.size(); ++i) {
    positions[Feeds[i].Id] = static_cast<int>(i);
    feedNames[Feeds[i].Id] = FoldCase(Feeds[i].Name);
  }
  static const std::string kNoFeed;

  std::vector<TSortKey> keys(rows.size(), TSortKey{false, 0, {}, &kNoFeed});
  for (size_t i = 0; i < rows.size(); ++i) {
    const auto position = positions.find(rows[i].FeedId);
    if (position == positions.end()) {
      continue;
    }
    keys[i].Feed = &feedNames[rows[i].FeedId];
    if (const TFeedItem* item = ResolveInFeed(rows[i], Feeds[position->second])) {
      keys[i].Readed = item->Readed;
      keys[i].Date = item->PublishedDate;
      keys[i].Title = item->Title.empty() ? untitled : FoldCase(item->Title);
    }
  }

  std::vector<size_t> permutation(rows.size());
  std::iota(permutation.begin(), permutation.end(), size_t{0});
  if (order.AutoSort) {
    std::stable_sort(permutation.begin(), permutation.end(),
                     [&](size_t a, size_t b) { return AutomaticallyBefore(keys[a], keys[b], order.ShowUnreadFirst); });
  } else {
    std::stable_sort(permutation.begin(), permutation.end(), [&](size_t a, size_t b) {
      const int result = CompareByColumn(keys[a], keys[b], order.SortLastColumn);
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
