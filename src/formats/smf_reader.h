#pragma once

// The forum "xml-feed" export: a top element "smf:xml-feed" holding "article" elements; no channel information.

#include <string_view>

#include "feeds/feed_records.h"

namespace tidewick {

class TXmlDoc;

bool ReadSmfChannel(const TXmlDoc& doc, TFeedInfo& info, std::string_view documentAddress = {});
int ReadSmfArticles(const TXmlDoc& doc, TEntries& items, std::string_view documentAddress = {});

}  // namespace tidewick
