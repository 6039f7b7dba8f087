#include "shell/item_list.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <limits>

namespace tidewick {
namespace {

uint64_t HashAppend(uint64_t hash, std::string_view text) {
  // Mixing in the length keeps "ab"+"c" and "a"+"bc" apart.
  const uint64_t part = std::hash<std::string_view>{}(text) ^ (text.size() * 0x9E3779B97F4A7C15ull);
  return (hash ^ part) * 0x100000001B3ull + (hash >> 29);
}

// A fresh stamp; 0 (none) once all are used up, after which rows find their entries by identity alone.
uint32_t NextItemStamp() {
  static std::atomic<uint32_t> last{0};
  uint32_t value = last.load(std::memory_order_relaxed);
  do {
    if (value == std::numeric_limits<uint32_t>::max()) {
      return 0;
    }
  } while (!last.compare_exchange_weak(value, value + 1, std::memory_order_relaxed));
  return value + 1;
}

}  // namespace

TFeedItem* ResolveItemRow(TItemRow& row, TFeed& feed) {
  TFeedItems& items = feed.Items;
  if (row.ItemIndex >= 0 && static_cast<size_t>(row.ItemIndex) < items.size()) {
    TFeedItem& remembered = items[row.ItemIndex];
    if ((row.Stamp != 0 && remembered.Stamp.Value() == row.Stamp) || ItemIdentityHash(remembered) == row.IdentityHash) {
      return &remembered;
    }
  }
  for (size_t i = 0; i < items.size(); ++i) {
    if (ItemIdentityHash(items[i]) == row.IdentityHash) {
      row.ItemIndex = static_cast<int32_t>(i);
      row.Stamp = items[i].Stamp.Value();
      return &items[i];
    }
  }
  return nullptr;
}

namespace {

void AddFeedRows(TFeed& feed, std::vector<TItemRow>& rows) {
  for (size_t i = 0; i < feed.Items.size(); ++i) {
    TFeedItem& item = feed.Items[i];
    if (item.Stamp.Value() == 0) {
      item.Stamp.Set(NextItemStamp());
    }
    rows.push_back({feed.Id, static_cast<int32_t>(i), item.Stamp.Value(), ItemIdentityHash(item)});
  }
}

}  // namespace

uint64_t ItemIdentityHash(const TFeedItem& item) {
  uint64_t hash = 0xCBF29CE484222325ull;
  hash = HashAppend(hash, item.Title);
  hash = HashAppend(hash, item.Link);
  return HashAppend(hash, item.Author);
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
      for (TFeed& feed : Feeds) {
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

TItemIdentity IdentityOf(const TFeed& feed, const TFeedItem& item) {
  return {feed.Id, item.Title, item.Link, item.Author};
}

void TItemList::Fill(const TListNode& node, bool groupInFolders, const TListOrder& order) {
  m_feedSlots.clear();
  m_rows = CollectItemRows(node, groupInFolders);
  SortItemRows(m_rows, order);
}

void TItemList::Sort(const TListOrder& order) {
  SortItemRows(m_rows, order);
}

void TItemList::Clear() {
  m_rows.clear();
  m_feedSlots.clear();
}

int TItemList::FeedPosition(uint64_t feedId) {
  if (m_feedSlots.empty()) {
    m_feedSlots.resize(std::bit_ceil(std::max<size_t>(Feeds.size(), 8) * 2));
  }
  TFeedSlot& slot = m_feedSlots[feedId & (m_feedSlots.size() - 1)];
  if (slot.Id == feedId) {
    if (slot.Position < 0) {
      return -1;  // Ids are never handed out again: a deleted feed stays deleted
    }
    if (static_cast<size_t>(slot.Position) < Feeds.size() && Feeds[slot.Position].Id == feedId) {
      return slot.Position;
    }
  }
  const int position = FindFeedById(feedId);
  slot = {feedId, position};
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
  return feed == nullptr ? nullptr : ResolveItemRow(m_rows[row], *feed);
}

namespace {

void Prefetch(const void* address) {
#if defined(__GNUC__)
  __builtin_prefetch(address);
#else
  (void)address;
#endif
}

// The entry at the row's remembered position, without any check: only for prefetching.
const TFeedItem* RememberedEntry(const TFeed* feed, const TItemRow& row) {
  if (feed == nullptr || row.ItemIndex < 0 || static_cast<size_t>(row.ItemIndex) >= feed->Items.size()) {
    return nullptr;
  }
  return &feed->Items[row.ItemIndex];
}

}  // namespace

void TItemList::PrefetchEntry(size_t row) {
  if (const TFeedItem* item = RememberedEntry(Feed(row), m_rows[row])) {
    const auto* bytes = reinterpret_cast<const char*>(item);
    for (size_t offset = 0; offset < sizeof(TFeedItem); offset += 64) {
      Prefetch(bytes + offset);
    }
  }
}

void TItemList::PrefetchTexts(size_t row) {
  if (const TFeedItem* item = RememberedEntry(Feed(row), m_rows[row])) {
    Prefetch(item->Title.data());
    const char* description = item->Description.data();
    for (size_t offset = 0; offset < std::min<size_t>(item->Description.size(), 512); offset += 64) {
      Prefetch(description + offset);
    }
  }
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
