#include "entries/next_unread.h"

#include <algorithm>
#include <unordered_map>

namespace tidewick {

std::optional<size_t> FindUnreadRow(TEntryList& list, std::optional<size_t> from, TUnreadDirection direction) {
  const size_t size = list.Size();
  if (direction == TUnreadDirection::Next) {
    for (size_t row = from ? *from + 1 : 0; row < size; ++row) {
      const TEntry* item = list.Item(row);
      if (item != nullptr && !item->IsRead) {
        return row;
      }
    }
    return std::nullopt;
  }
  for (size_t row = from ? std::min(*from, size) : size; row > 0; --row) {
    const TEntry* item = list.Item(row - 1);
    if (item != nullptr && !item->IsRead) {
      return row - 1;
    }
  }
  return std::nullopt;
}

std::optional<uint64_t> FindUnreadFeed(const std::vector<uint64_t>& feedOrder, uint64_t currentFeed,
                                       TUnreadDirection direction) {
  const size_t count = feedOrder.size();
  if (count == 0) {
    return std::nullopt;
  }
  std::unordered_map<uint64_t, const TFeed*> byId;
  byId.reserve(Feeds.size());
  for (const TFeed& feed : Feeds) {
    byId.emplace(feed.Id, &feed);
  }
  auto hasUnread = [&byId](uint64_t id) {
    const auto found = byId.find(id);
    return found != byId.end() && std::any_of(found->second->Entries.begin(), found->second->Entries.end(),
                                              [](const TEntry& item) { return !item.IsRead; });
  };
  const auto current = std::find(feedOrder.begin(), feedOrder.end(), currentFeed);
  const bool next = direction == TUnreadDirection::Next;
  // Positions are walked as steps away from a start just outside the order when the current feed is not in it.
  const size_t start = current != feedOrder.end() ? static_cast<size_t>(current - feedOrder.begin())
                       : next                     ? count - 1
                                                  : 0;
  for (size_t step = 1; step <= count; ++step) {
    const size_t position = next ? (start + step) % count : (start + count - step % count) % count;
    if (hasUnread(feedOrder[position])) {
      return feedOrder[position];
    }
  }
  return std::nullopt;
}

}  // namespace tidewick
