#pragma once

// Atom 0.3 and 1.0: a top element "feed" with "entry" children; where the versions name an element differently,
// both names are tried.

#include "feeds/feed_records.h"

namespace tidewick {

class TXmlDoc;

bool ReadAtomFeed(const TXmlDoc& doc, TFeedInfo& info);
int ReadAtomEntries(const TXmlDoc& doc, TFeedItems& items);

}  // namespace tidewick
