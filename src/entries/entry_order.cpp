#include "entries/entry_order.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "entries/entry_fold.h"
#include "entries/entry_list.h"
#include "feeds/entry_title.h"
#include "lang/lang_text.h"
#include "settings/settings.h"

namespace tidewick {
namespace {

// What the order compares, gathered once per row so the sort itself never touches the store. The sort moves
// small records (group, a number that orders like the main key, the first 16 bytes of the folded title) and
// only reaches into the folded titles themselves when those are equal.
struct TOrderRecord {
  uint64_t Primary = 0;    // the date (newer first in the automatic order) or the feed name's rank
  uint64_t TitleHead = 0;  // first 8 bytes of the folded title, as a big-endian number (valid with HasTitleHead)
  uint64_t TitleNext = 0;  // the 8 bytes after those
  uint32_t Row = 0;
  uint8_t Group = 0;  // 1 for read entries when unread ones come first, else 0
  bool HasTitleHead = false;
};

uint64_t BigEndianBytes(std::string_view text, size_t offset) {
  uint64_t value = 0;
  for (size_t i = 0; i < 8; ++i) {
    const size_t at = offset + i;
    value = (value << 8) | (at < text.size() ? static_cast<unsigned char>(text[at]) : 0u);
  }
  return value;
}

// A number that orders as the date does (0 and -0 alike).
uint64_t DateKey(TDateTime date) {
  const uint64_t bits = std::bit_cast<uint64_t>(date == 0 ? 0.0 : date);
  return (bits >> 63) != 0 ? ~bits : bits | (uint64_t{1} << 63);
}

template <typename TNumber>
int Compare(TNumber a, TNumber b) {
  return a < b ? -1 : (a > b ? 1 : 0);
}

// Folded titles, made when first needed (the automatic order needs them only for entries of equal date).
class TFoldedTitles {
 public:
  TFoldedTitles(const std::vector<const TEntry*>& items)
      : m_items(items),
        m_titles(items.size()),
        m_made(items.size(), false),
        m_untitled(FoldForList(UntitledEntryText())) {}

  const std::string& Of(uint32_t row) {
    if (!m_made[row]) {
      m_made[row] = true;
      if (const TEntry* item = m_items[row]) {
        m_titles[row] = item->Title.empty() ? m_untitled : FoldForList(item->Title);
      }
    }
    return m_titles[row];
  }

  void SetHead(TOrderRecord& record) {
    const std::string& title = Of(record.Row);
    record.TitleHead = BigEndianBytes(title, 0);
    record.TitleNext = BigEndianBytes(title, 8);
    record.HasTitleHead = true;
  }

  int CompareTitles(const TOrderRecord& a, const TOrderRecord& b) {
    if (a.HasTitleHead && b.HasTitleHead) {
      if (const int byHead = Compare(a.TitleHead, b.TitleHead); byHead != 0) {
        return byHead;
      }
      if (const int byNext = Compare(a.TitleNext, b.TitleNext); byNext != 0) {
        return byNext;
      }
    }
    const int result = Of(a.Row).compare(Of(b.Row));
    return Compare(result, 0);
  }

 private:
  const std::vector<const TEntry*>& m_items;
  std::vector<std::string> m_titles;
  std::vector<bool> m_made;
  std::string m_untitled;
};

// Ranks of the folded feed names, so the feed column compares numbers; equal names share a rank, and a row whose
// feed vanished ranks as an empty name.
std::vector<uint64_t> FeedNameRanks(uint64_t& vanishedRank) {
  std::vector<std::string> names(Feeds.size());
  for (size_t i = 0; i < Feeds.size(); ++i) {
    names[i] = FoldForList(Feeds[i].Name);
  }
  std::vector<std::string> sorted = names;
  sorted.emplace_back();
  std::sort(sorted.begin(), sorted.end());
  sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
  auto rank = [&sorted](const std::string& name) {
    return static_cast<uint64_t>(std::lower_bound(sorted.begin(), sorted.end(), name) - sorted.begin());
  };
  std::vector<uint64_t> ranks(Feeds.size());
  for (size_t i = 0; i < Feeds.size(); ++i) {
    ranks[i] = rank(names[i]);
  }
  vanishedRank = rank(std::string());
  return ranks;
}

}  // namespace

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

void SortEntryRows(std::vector<TEntryRow>& rows, const TListOrder& order) {
  const bool byFeed = !order.AutoSort && order.SortLastColumn == kFeedColumn;
  const bool byTitle = !order.AutoSort && order.SortLastColumn == kTitleColumn;
  const bool byDate = order.AutoSort || order.SortLastColumn == kDateColumn;
  const bool titlesCount = byTitle || byDate;
  uint64_t vanishedRank = 0;
  const std::vector<uint64_t> feedRanks = byFeed ? FeedNameRanks(vanishedRank) : std::vector<uint64_t>();
  std::unordered_map<uint64_t, size_t> positions;
  for (size_t i = 0; i < Feeds.size(); ++i) {
    positions[Feeds[i].Id] = i;
  }

  std::vector<const TEntry*> items(rows.size(), nullptr);
  std::vector<TOrderRecord> records(rows.size());
  uint64_t lastId = 0;
  size_t lastPosition = 0;
  bool lastFound = false;
  for (size_t i = 0; i < rows.size(); ++i) {
    TOrderRecord& record = records[i];
    record.Row = static_cast<uint32_t>(i);
    record.Primary = byFeed ? vanishedRank : 0;
    if (rows[i].FeedId != lastId || i == 0) {  // rows come feed by feed: one lookup per feed
      const auto position = positions.find(rows[i].FeedId);
      lastId = rows[i].FeedId;
      lastFound = position != positions.end();
      lastPosition = lastFound ? position->second : 0;
    }
    if (!lastFound) {
      continue;
    }
    if (byFeed) {
      record.Primary = feedRanks[lastPosition];
    }
    if (const TEntry* item = ResolveEntryRow(rows[i], Feeds[lastPosition])) {
      items[i] = item;
      if (order.AutoSort) {
        record.Group = order.ShowUnreadFirst && item->IsRead ? 1 : 0;
        record.Primary = ~DateKey(item->PublishedDate);  // newer first
      } else if (byDate) {
        record.Primary = DateKey(item->PublishedDate);
      }
    }
  }

  TFoldedTitles titles(items);
  if (byTitle) {
    for (TOrderRecord& record : records) {
      titles.SetHead(record);
    }
  }
  // The automatic order runs its own way (unread first, newer first, titles A-Z); the manual order turns its whole
  // comparison round when descending.
  const bool descending = !order.AutoSort && !order.SortAscending;
  std::stable_sort(records.begin(), records.end(), [&](const TOrderRecord& a, const TOrderRecord& b) {
    if (a.Group != b.Group) {
      return a.Group < b.Group;
    }
    int result = Compare(a.Primary, b.Primary);
    if (result == 0 && titlesCount) {
      result = titles.CompareTitles(a, b);
    }
    return descending ? result > 0 : result < 0;
  });

  std::vector<TEntryRow> sorted;
  sorted.reserve(rows.size());
  for (const TOrderRecord& record : records) {
    sorted.push_back(rows[record.Row]);
  }
  rows = std::move(sorted);
}

}  // namespace tidewick
