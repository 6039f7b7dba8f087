#pragma once

// The files an entry carries: RSS enclosure, Atom link rel="enclosure" and Media RSS media:content (also inside a
// media:group), in document order, each address once.

#include <string_view>

#include "feeds/feed_records.h"

namespace tidewick {

class TXmlNode;

// Adds the enclosures below the entry's node to item. Relative addresses are resolved like links; only http and
// https addresses are kept (nothing else is ever fetched or opened for them); a length that is not a plain
// non-negative number counts as unknown. AddEntryEnclosure bounds the count and sizes.
void ReadEnclosures(const TXmlNode& node, std::string_view documentAddress, TEntry& item);

}  // namespace tidewick
