#pragma once

// An entry without a title keeps an empty Title, so its identity never depends on the language; wherever titles
// are shown or exported, the placeholder of the active language stands in.

#include <cstddef>
#include <string>
#include <string_view>

#include "feeds/feed_records.h"

namespace tidewick {

std::string UntitledEntryText();  // "Main|UntitledItem" in the active language

// The title as shown in the list, the view, the popup and exports.
std::string ItemDisplayTitle(const TEntry& item);

// The most of a title, name or address a row, label or tool tip shows: laying out a 16 MB title took 15 s a paint.
inline constexpr std::size_t kMaxShownTextBytes = 4 * 1024;

// text as shown on screen: cut to kMaxShownTextBytes on a character boundary, with "…" when it was cut. What is
// stored stays whole.
std::string ShownText(std::string_view text);
// ItemDisplayTitle as shown on screen, without copying a long title whole.
std::string ShownTitle(const TEntry& item);

}  // namespace tidewick
