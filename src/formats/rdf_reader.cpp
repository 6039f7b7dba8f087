// RSS 1.0 (RDF).

#include "formats/rdf_reader.h"

#include <optional>
#include <string>

#include "formats/element_text.h"
#include "formats/enclosure_reading.h"
#include "formats/feed_extensions.h"
#include "formats/link_resolution.h"
#include "formats/reader_support.h"
#include "formats/rss_fields.h"
#include "xml/xml_doc.h"

namespace tidewick {

namespace {

constexpr int kRdfTtl = 60;

void ReadRdfItem(const TXmlNode& node, TEntry& item, std::string_view documentAddress) {
  TEarlierIdentity earlier;
  item.Title = ReadRssTitle(node, true, earlier.Title);
  item.Link = ReadRssLink(node, documentAddress, earlier.Link);
  if (item.Link.empty() || (earlier.Link && earlier.Link->empty())) {
    // The item's address stands in for a missing link; the earlier rule took it for an empty first link too.
    std::string about = MultiLineText(AttribValue(&node, "rdf:about"));
    if (item.Link.empty()) {
      item.Link = ResolveLinkAt(&node, about, documentAddress);
    }
    earlier.Link = item.Link != about ? std::optional<std::string>(std::move(about)) : std::nullopt;
  }
  item.Description = ReadRssDescription(node);
  if (item.Description.empty()) {
    item.Description = DescriptionText(FindMediaElement(&node, "media:description"));
  }
  item.PublishedDate = ReadRssDate(node, "dc:date", kIso8601Date);
  item.Author = SingleLineText(ChildValue(&node, "dc:creator"));
  ReadCategories(node, "dc:subject", {}, item);
  ReadEnclosures(node, documentAddress, item);
  KeepEarlierIdentity(item, std::move(earlier));
}

}  // namespace

bool ReadRdfChannel(const TXmlDoc& doc, TFeedInfo& info, std::string_view documentAddress) {
  const TXmlNode* channel = doc.GetNode("rdf:RDF\\channel");
  if (channel != nullptr) {
    std::optional<std::string> unused;
    info.Title = ReadRssTitle(*channel, false, unused);
    info.Link = ReadRssLink(*channel, documentAddress, unused);
    info.Description = ReadRssDescription(*channel);
    info.PublishedDate = ReadRssDate(*channel, "dc:date", kIso8601Date);
  } else {
    info.PublishedDate = NowUtc();
  }
  if (info.Title.empty()) {
    info.Title = UntitledFeedTitle();
  }
  const TXmlNode* image = FindChild(channel, "image");  // only inside the channel
  info.ImageTitle = SingleLineText(ChildValue(image, "title"));
  info.ImageURL = ResolveLinkAt(FindChild(image, "url"), MultiLineText(ChildValue(image, "url")), documentAddress);
  info.ImageLink = ResolveLinkAt(FindChild(image, "link"), MultiLineText(ChildValue(image, "link")), documentAddress);
  info.TTL = kRdfTtl;
  return true;
}

int ReadRdfItems(const TXmlDoc& doc, TEntries& items, std::string_view documentAddress) {
  return ReadEntries(doc.GetNode("rdf:RDF"), "item", items, [documentAddress](const TXmlNode& node, TEntry& item) {
    ReadRdfItem(node, item, documentAddress);
  });
}

}  // namespace tidewick
