#pragma once

// RSS 0.91, 0.92 and 2.0: a top element "rss" holding one "channel" with its "item" children.

#include "feeds/feed_records.h"

namespace tidewick {

class TXmlDoc;

bool ReadRssChannel(const TXmlDoc& doc, TFeedInfo& info);
int ReadRssItems(const TXmlDoc& doc, TFeedItems& items);

}  // namespace tidewick
