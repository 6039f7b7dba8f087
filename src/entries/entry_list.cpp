#include "entries/entry_list.h"

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
uint32_t NextEntryStamp() {
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

TEntry* ResolveEntryRow(TEntryRow& row, TFeed& feed) {
  TEntries& items = feed.Entries;
  if (row.EntryIndex >= 0 && static_cast<size_t>(row.EntryIndex) < items.size()) {
    TEntry& remembered = items[row.EntryIndex];
    if ((row.Stamp != 0 && remembered.Stamp.Value() == row.Stamp) ||
        EntryIdentityHash(remembered) == row.IdentityHash) {
      return &remembered;
    }
  }
  for (size_t i = 0; i < items.size(); ++i) {
    if (EntryIdentityHash(items[i]) == row.IdentityHash) {
      row.EntryIndex = static_cast<int32_t>(i);
      row.Stamp = items[i].Stamp.Value();
      return &items[i];
    }
  }
  return nullptr;
}

namespace {

bool IsKept(const TFeed& feed, const TEntry& item, const TListFilter& filter) {
  const std::optional<TEntryIdentity>& keep = filter.Keep;
  return keep && keep->FeedId == feed.Id && keep->Title == item.Title && keep->Link == item.Link &&
         keep->Author == item.Author;
}

void AddFeedRows(TFeed& feed, std::vector<TEntryRow>& rows, bool starredOnly, const TListFilter& filter) {
  for (size_t i = 0; i < feed.Entries.size(); ++i) {
    TEntry& item = feed.Entries[i];
    const bool wanted = (!starredOnly || item.Starred) && (!filter.UnreadOnly || !item.IsRead);
    if (!wanted && !((starredOnly || filter.UnreadOnly) && IsKept(feed, item, filter))) {
      continue;
    }
    if (item.Stamp.Value() == 0) {
      item.Stamp.Set(NextEntryStamp());
    }
    rows.push_back({feed.Id, static_cast<int32_t>(i), item.Stamp.Value(), EntryIdentityHash(item)});
  }
}

}  // namespace

uint64_t EntryIdentityHash(const TEntry& item) {
  uint64_t hash = 0xCBF29CE484222325ull;
  hash = HashAppend(hash, item.Title);
  hash = HashAppend(hash, item.Link);
  return HashAppend(hash, item.Author);
}

TEmptyListReason EmptyListReason(const TListNode& node, bool groupInFolders, bool unreadOnly, size_t rowCount) {
  if (rowCount > 0) {
    return TEmptyListReason::None;
  }
  const bool grouped = groupInFolders || node.Kind == TListNodeKind::Feed || node.Kind == TListNodeKind::Starred;
  if (!grouped) {
    return TEmptyListReason::NotGrouped;
  }
  if (unreadOnly) {
    return TEmptyListReason::NoUnread;
  }
  switch (node.Kind) {
    case TListNodeKind::Feed:
      return TEmptyListReason::FeedEmpty;
    case TListNodeKind::Starred:
      return TEmptyListReason::NoneStarred;
    case TListNodeKind::Root:
    case TListNodeKind::Folder:
      break;
  }
  return TEmptyListReason::FolderEmpty;
}

std::vector<TEntryRow> CollectEntryRows(const TListNode& node, bool groupInFolders, const TListFilter& filter) {
  std::vector<TEntryRow> rows;
  if (node.Kind == TListNodeKind::Root) {
    if (groupInFolders) {
      size_t total = 0;
      for (const TFeed& feed : Feeds) {
        total += feed.Entries.size();
      }
      rows.reserve(filter.UnreadOnly ? 0 : total);
      for (TFeed& feed : Feeds) {
        AddFeedRows(feed, rows, false, filter);
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
      AddFeedRows(Feeds[position], rows, node.Kind == TListNodeKind::Starred, filter);
    }
  }
  return rows;
}

TEntryIdentity IdentityOf(const TFeed& feed, const TEntry& item) {
  return {feed.Id, item.Title, item.Link, item.Author};
}

void TEntryList::Fill(const TListNode& node, bool groupInFolders, const TListOrder& order, const TListFilter& filter) {
  m_feedSlots.clear();
  m_rows = CollectEntryRows(node, groupInFolders, filter);
  SortEntryRows(m_rows, order);
}

void TEntryList::Sort(const TListOrder& order) {
  SortEntryRows(m_rows, order);
}

void TEntryList::Clear() {
  m_rows.clear();
  m_feedSlots.clear();
}

int TEntryList::FeedPosition(uint64_t feedId) {
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

TFeed* TEntryList::Feed(size_t row) {
  if (row >= m_rows.size()) {
    return nullptr;
  }
  const int position = FeedPosition(m_rows[row].FeedId);
  return position < 0 ? nullptr : &Feeds[position];
}

TEntry* TEntryList::Item(size_t row) {
  TFeed* feed = Feed(row);
  return feed == nullptr ? nullptr : ResolveEntryRow(m_rows[row], *feed);
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
const TEntry* RememberedEntry(const TFeed* feed, const TEntryRow& row) {
  if (feed == nullptr || row.EntryIndex < 0 || static_cast<size_t>(row.EntryIndex) >= feed->Entries.size()) {
    return nullptr;
  }
  return &feed->Entries[row.EntryIndex];
}

}  // namespace

void TEntryList::PrefetchEntry(size_t row) {
  if (const TEntry* item = RememberedEntry(Feed(row), m_rows[row])) {
    const auto* bytes = reinterpret_cast<const char*>(item);
    for (size_t offset = 0; offset < sizeof(TEntry); offset += 64) {
      Prefetch(bytes + offset);
    }
  }
}

void TEntryList::PrefetchTexts(size_t row) {
  if (const TEntry* item = RememberedEntry(Feed(row), m_rows[row])) {
    Prefetch(item->Title.data());
    const char* description = item->Description.data();
    for (size_t offset = 0; offset < std::min<size_t>(item->Description.size(), 512); offset += 64) {
      Prefetch(description + offset);
    }
  }
}

std::optional<size_t> TEntryList::FindRow(const TEntryIdentity& identity) {
  TEntry probe;
  probe.Title = identity.Title;
  probe.Link = identity.Link;
  probe.Author = identity.Author;
  const uint64_t hash = EntryIdentityHash(probe);
  for (size_t row = 0; row < m_rows.size(); ++row) {
    if (m_rows[row].FeedId != identity.FeedId || m_rows[row].IdentityHash != hash) {
      continue;
    }
    const TEntry* item = Item(row);
    if (item != nullptr && item->Title == identity.Title && item->Link == identity.Link &&
        item->Author == identity.Author) {
      return row;
    }
  }
  return std::nullopt;
}

}  // namespace tidewick
