#pragma once

// RSS 0.91, 0.92 and 2.0: a top element "rss" holding one "channel" with its "item" children.

#include <string_view>

#include "feeds/feed_records.h"

namespace tidewick {

class TXmlDoc;

bool ReadRssChannel(const TXmlDoc& doc, TFeedInfo& info, std::string_view documentAddress = {});
int ReadRssItems(const TXmlDoc& doc, TEntries& items, std::string_view documentAddress = {});

}  // namespace tidewick
