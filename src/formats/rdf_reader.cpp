// RSS 1.0 (RDF).

#include "formats/rdf_reader.h"

#include <string>

#include "formats/reader_support.h"
#include "xml/xml_doc.h"

namespace tidewick {

namespace {

constexpr int kRdfTtl = 60;

void ReadRdfItem(const TXmlNode& node, TFeedItem& item) {
  item.Title = SingleLineText(ChildValue(&node, "title"));
  item.Link = MultiLineText(ChildValue(&node, "link"));
  if (item.Link.empty()) {
    item.Link = MultiLineText(AttribValue(&node, "rdf:about"));
  }
  item.Description = MultiLineText(ChildValue(&node, "description"));
  item.PublishedDate = DateOrNow(ChildValue(&node, "dc:date"), kIso8601Date);
  item.Author = SingleLineText(ChildValue(&node, "dc:creator"));
}

}  // namespace

bool ReadRdfChannel(const TXmlDoc& doc, TFeedInfo& info) {
  const TXmlNode* channel = doc.GetNode("rdf:RDF\\channel");
  info.Title = SingleLineText(ChildValue(channel, "title"));
  if (info.Title.empty()) {
    info.Title = UntitledFeedTitle();
  }
  info.Link = MultiLineText(ChildValue(channel, "link"));
  info.Description = MultiLineText(ChildValue(channel, "description"));
  info.PublishedDate = DateOrNow(ChildValue(channel, "dc:date"), kIso8601Date);
  const TXmlNode* image = FindChild(channel, "image");  // only inside the channel
  info.ImageTitle = SingleLineText(ChildValue(image, "title"));
  info.ImageURL = MultiLineText(ChildValue(image, "url"));
  info.ImageLink = MultiLineText(ChildValue(image, "link"));
  info.TTL = kRdfTtl;
  return true;
}

int ReadRdfItems(const TXmlDoc& doc, TFeedItems& items) {
  return ReadEntries(doc.GetNode("rdf:RDF"), "item", items, ReadRdfItem);
}

}  // namespace tidewick
