#pragma once

// RSS 1.0 in RDF form: a top element "rdf:RDF" holding the "channel" and, beside it, the "item" elements.

#include "feeds/feed_records.h"

namespace tidewick {

class TXmlDoc;

bool ReadRdfChannel(const TXmlDoc& doc, TFeedInfo& info);
int ReadRdfItems(const TXmlDoc& doc, TFeedItems& items);

}  // namespace tidewick
