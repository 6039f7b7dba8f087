#pragma once

// Atom 0.3 and 1.0: a top element "feed" with "entry" children; where the versions name an element differently,
// both names are tried.

#include <string_view>

#include "feeds/feed_records.h"

namespace tidewick {

class TXmlDoc;

bool ReadAtomFeed(const TXmlDoc& doc, TFeedInfo& info, std::string_view documentAddress = {});
int ReadAtomEntries(const TXmlDoc& doc, TEntries& items, std::string_view documentAddress = {});

}  // namespace tidewick
