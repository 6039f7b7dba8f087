#pragma once

// Reading on: where the next (or previous) unread entry is, first further down the entry list, then in the next feed
// in tree order that has one. The search wraps round past the last feed to the first and ends where it began, so
// one key walks through everything unread, feed after feed.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "entries/entry_list.h"

namespace tidewick {

enum class TUnreadDirection { Next, Previous };

// The row of the first unread entry after (Next) or before (Previous) the row from in list order; from the first
// (last) row when from is empty. Rows whose entry vanished are passed over.
std::optional<size_t> FindUnreadRow(TEntryList& list, std::optional<size_t> from, TUnreadDirection direction);

// The feed to move on to once the list holds no further unread entry: the first feed after (before) currentFeed in
// feedOrder that has unread entries, wrapping round; currentFeed itself comes last, so its unread entries above (below)
// the selection are found too. Starts at the first (last) feed when currentFeed is not in feedOrder. Nothing when no
// feed of feedOrder has an unread entry. One pass over the store.
std::optional<uint64_t> FindUnreadFeed(const std::vector<uint64_t>& feedOrder, uint64_t currentFeed,
                                       TUnreadDirection direction);

}  // namespace tidewick
