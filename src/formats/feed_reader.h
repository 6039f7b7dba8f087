#pragma once

// The interface every feed format reader offers: a channel reader and an item reader.

#include <string_view>

#include "feeds/feed_records.h"

namespace tidewick {

class TXmlDoc;

// One reader per format. ReadChannel fills a reset TFeedInfo and returns false only when reading failed;
// ReadItems replaces the items by the entries found (document order) and returns their number. Both resolve
// relative links against the document's address (where it was downloaded from; empty when unknown).
struct TFeedReader {
  bool (*ReadChannel)(const TXmlDoc& doc, TFeedInfo& info, std::string_view documentAddress);
  int (*ReadItems)(const TXmlDoc& doc, TEntries& items, std::string_view documentAddress);
};

// The reader for a format code of DetectFeedType ("RSS/..." and "Atom..." by prefix, "RDF" and "SMF" exactly, all
// case-sensitive); nullptr for any other code.
const TFeedReader* FindFeedReader(std::string_view feedType);

}  // namespace tidewick
