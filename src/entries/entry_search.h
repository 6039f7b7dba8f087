#pragma once

// Searching the listed entries: a plain substring test, ignoring letter case, over each entry's title and summary as
// plain text. Only the rows the list shows are searched, in list order, and the search never wraps around.

#include <cstddef>
#include <optional>
#include <string_view>

#include "entries/entry_list.h"
#include "feeds/feed_records.h"

namespace tidewick {

// Whether the title, the summary (the part before the content marker), the author or a category contains the text;
// foldedText is the search text after FoldCase. Each is searched apart, so no match spans two.
bool ItemMatchesSearch(const TEntry& item, std::string_view foldedText);

enum class TSearchStep {
  First,     // from the first row on
  Next,      // from the row after the selected one (or the first) on
  Previous,  // from the row before the selected one (or the last) back to the first
};

// The row of the next match, or nothing; rows whose entry vanished are passed over. An empty text finds nothing.
std::optional<size_t> FindEntryRow(TEntryList& list, std::string_view text, TSearchStep step,
                                   std::optional<size_t> selected);

}  // namespace tidewick
