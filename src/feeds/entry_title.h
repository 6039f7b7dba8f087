#pragma once

// An entry without a title keeps an empty Title, so its identity never depends on the language; wherever titles
// are shown or exported, the placeholder of the active language stands in.

#include <string>

#include "feeds/feed_records.h"

namespace tidewick {

std::string UntitledEntryText();  // "Main|UntitledItem" in the active language

// The title as shown in the list, the view, the popup and exports.
std::string ItemDisplayTitle(const TEntry& item);

}  // namespace tidewick
