#pragma once

// RSS 1.0 in RDF form: a top element "rdf:RDF" holding the "channel" and, beside it, the "item" elements.

#include <string_view>

#include "feeds/feed_records.h"

namespace tidewick {

class TXmlDoc;

bool ReadRdfChannel(const TXmlDoc& doc, TFeedInfo& info, std::string_view documentAddress = {});
int ReadRdfItems(const TXmlDoc& doc, TEntries& items, std::string_view documentAddress = {});

}  // namespace tidewick
