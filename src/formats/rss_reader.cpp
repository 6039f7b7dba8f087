// RSS 0.91, 0.92 and 2.0.

#include "formats/rss_reader.h"

#include <optional>
#include <string>
#include <string_view>

#include "formats/element_text.h"
#include "formats/enclosure_reading.h"
#include "formats/feed_extensions.h"
#include "formats/link_resolution.h"
#include "formats/reader_support.h"
#include "formats/rss_fields.h"
#include "util/case_fold.h"
#include "xml/xml_doc.h"
#include "xml/xml_text.h"

namespace tidewick {

namespace {

constexpr int kMaxTtl = 9999;
constexpr int kMaxFrequency = 1440;

// The refresh hint in minutes: the ttl element, else the syndication period and frequency.
int ReadTtl(const TXmlNode* channel) {
  std::string hint = LowerAscii(TrimView(ChildValue(channel, "ttl")));
  if (hint.empty()) {
    const std::string period = LowerAscii(TrimView(ChildValue(channel, "sy:updateperiod")));
    if (!period.empty()) {
      hint = period;
      int frequency = ReadDecimal(ChildValue(channel, "sy:updatefrequency"), 1);
      if (frequency >= 1 && frequency <= kMaxFrequency) {
        if (period == "hourly") {
          frequency *= 60;
        } else if (period == "daily" || period == "weekly" || period == "monthly" || period == "yearly") {
          frequency *= 1440;  // every period of a day or longer counts as one day
        }
        hint = std::to_string(frequency);
      }
    }
  }
  int ttl = ReadDecimal(hint);
  if (ttl > kMaxTtl) {
    ttl = 0;
  }
  if (ttl < 10) {
    ttl *= 60;  // small values are hours
  }
  return ttl;
}

// The guid of an item without a link, when it is the entry's web address (isPermaLink not "false"); else empty.
std::string PermalinkGuid(const TXmlNode& node) {
  const TXmlNode* guid = FindChild(&node, "guid");
  if (guid == nullptr || XmlNameMatches(TrimView(AttribValue(guid, "ispermalink")), "false")) {
    return {};
  }
  std::string link = MultiLineText(guid->Value());
  return IsWebAddress(link) ? link : std::string();
}

void ReadRssItem(const TXmlNode& node, TEntry& item, std::string_view documentAddress) {
  TEarlierIdentity earlier;
  item.Title = ReadRssTitle(node, true, earlier.Title);
  item.Link = ReadRssLink(node, documentAddress, earlier.Link);
  if (item.Link.empty()) {
    item.Link = PermalinkGuid(node);
    if (!item.Link.empty()) {
      earlier.Link = std::string();
    }
  }
  std::string description = ReadRssDescription(node);
  std::string content = DescriptionText(FindChild(&node, "content:encoded"));
  for (const std::string_view body : {"xhtml:body", "body"}) {
    if (content.empty()) {
      content = DescriptionText(FindChild(&node, body));  // the full text as an XHTML body
    }
  }
  if (description.empty()) {
    item.Description = std::move(content);
  } else if (!content.empty()) {
    item.Description = std::move(description);
    // Sized once: growing by appending would leave up to as much room again with an entry that is kept for good.
    item.Description.reserve(item.Description.size() + kContentMarker.size() + content.size());
    item.Description.append(kContentMarker).append(content);
  } else {
    item.Description = std::move(description);
  }
  if (item.Description.empty()) {
    item.Description = DescriptionText(FindMediaElement(&node, "media:description"));
  }
  item.PublishedDate = ReadRssDate(node, "pubdate", kRfc822Date);
  item.Author = SingleLineText(ChildValue(&node, "author"));
  ReadCategories(node, "category", {}, item);
  ReadCategories(node, "dc:subject", {}, item);
  ReadEnclosures(node, documentAddress, item);
  KeepEarlierIdentity(item, std::move(earlier));
}

}  // namespace

bool ReadRssChannel(const TXmlDoc& doc, TFeedInfo& info, std::string_view documentAddress) {
  const TXmlNode* channel = doc.GetNode("rss\\channel");
  if (channel != nullptr) {
    std::optional<std::string> unused;
    info.Title = ReadRssTitle(*channel, false, unused);
    info.Link = ReadRssLink(*channel, documentAddress, unused);
    info.Description = ReadRssDescription(*channel);
    info.PublishedDate = ReadRssDate(*channel, "pubdate", kRfc822Date);
  } else {
    info.PublishedDate = NowUtc();
  }
  if (info.Title.empty()) {
    info.Title = UntitledFeedTitle();
  }
  info.Copyright = SingleLineText(ChildValue(channel, "copyright"));
  info.Language = MultiLineText(ChildValue(channel, "language"));
  if (info.Language.empty()) {
    info.Language = MultiLineText(ChildValue(channel, "dc:language"));
  }
  info.LastBuildDate = DateOrNone(ChildValue(channel, "lastbuilddate"), kRfc822Date);
  const TXmlNode* image = FindChild(channel, "image");
  info.ImageTitle = SingleLineText(ChildValue(image, "title"));
  info.ImageURL = ResolveLinkAt(FindChild(image, "url"), MultiLineText(ChildValue(image, "url")), documentAddress);
  info.ImageWidth = ReadDecimal(ChildValue(image, "width"));
  info.ImageHeight = ReadDecimal(ChildValue(image, "height"));
  info.ImageLink = ResolveLinkAt(FindChild(image, "link"), MultiLineText(ChildValue(image, "link")), documentAddress);
  info.TTL = ReadTtl(channel);
  return true;
}

int ReadRssItems(const TXmlDoc& doc, TEntries& items, std::string_view documentAddress) {
  return ReadEntries(doc.GetNode("rss\\channel"), "item", items, [documentAddress](const TXmlNode& node, TEntry& item) {
    ReadRssItem(node, item, documentAddress);
  });
}

}  // namespace tidewick
