// RSS 0.91, 0.92 and 2.0.

#include "formats/rss_reader.h"

#include <string>
#include <string_view>

#include "formats/reader_support.h"
#include "util/case_fold.h"
#include "xml/xml_doc.h"

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

void ReadRssItem(const TXmlNode& node, TFeedItem& item) {
  item.Title = SingleLineText(ChildValue(&node, "title"));
  item.Link = MultiLineText(ChildValue(&node, "link"));
  std::string description = MultiLineText(ChildValue(&node, "description"));
  std::string content = MultiLineText(ChildValue(&node, "content:encoded"));
  if (description.empty()) {
    item.Description = std::move(content);
  } else if (!content.empty()) {
    item.Description = std::move(description);
    item.Description.append(kContentMarker).append(content);
  } else {
    item.Description = std::move(description);
  }
  const std::string_view pubDate = TrimView(ChildValue(&node, "pubdate"));
  item.PublishedDate =
      pubDate.empty() ? DateOrNow(ChildValue(&node, "dc:date"), kIso8601Date) : DateOrNow(pubDate, kRfc822Date);
  item.Author = SingleLineText(ChildValue(&node, "author"));
}

}  // namespace

bool ReadRssChannel(const TXmlDoc& doc, TFeedInfo& info) {
  const TXmlNode* channel = doc.GetNode("rss\\channel");
  info.Title = SingleLineText(ChildValue(channel, "title"));
  if (info.Title.empty()) {
    info.Title = UntitledFeedTitle();
  }
  info.Link = MultiLineText(ChildValue(channel, "link"));
  info.Description = MultiLineText(ChildValue(channel, "description"));
  info.Copyright = SingleLineText(ChildValue(channel, "copyright"));
  info.Language = MultiLineText(ChildValue(channel, "language"));
  if (info.Language.empty()) {
    info.Language = MultiLineText(ChildValue(channel, "dc:language"));
  }
  const std::string_view pubDate = TrimView(ChildValue(channel, "pubdate"));
  info.PublishedDate =
      pubDate.empty() ? DateOrNow(ChildValue(channel, "dc:date"), kIso8601Date) : DateOrNow(pubDate, kRfc822Date);
  info.LastBuildDate = DateOrNone(ChildValue(channel, "lastbuilddate"), kRfc822Date);
  const TXmlNode* image = FindChild(channel, "image");
  info.ImageTitle = SingleLineText(ChildValue(image, "title"));
  info.ImageURL = MultiLineText(ChildValue(image, "url"));
  info.ImageWidth = ReadDecimal(ChildValue(image, "width"));
  info.ImageHeight = ReadDecimal(ChildValue(image, "height"));
  info.ImageLink = MultiLineText(ChildValue(image, "link"));
  info.TTL = ReadTtl(channel);
  return true;
}

int ReadRssItems(const TXmlDoc& doc, TFeedItems& items) {
  return ReadEntries(doc.GetNode("rss\\channel"), "item", items, ReadRssItem);
}

}  // namespace tidewick
