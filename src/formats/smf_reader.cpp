// The forum "xml-feed" export (SMF).

#include "formats/smf_reader.h"

#include "formats/reader_support.h"
#include "xml/xml_doc.h"

namespace tidewick {

namespace {

constexpr int kSmfTtl = 60;

void ReadSmfArticle(const TXmlNode& node, TEntry& item) {
  item.Title = SingleLineText(ChildValue(&node, "subject"));
  item.Link = MultiLineText(ChildValue(&node, "link"));
  item.Description = MultiLineText(ChildValue(&node, "body"));
  item.PublishedDate = NowUtc();  // the format's time texts are localised and not read
  item.Author = SingleLineText(ChildValue(FindChild(&node, "poster"), "name"));
}

}  // namespace

bool ReadSmfChannel(const TXmlDoc& /*doc*/, TFeedInfo& info, std::string_view /*documentAddress*/) {
  // The format carries no channel information; the tree shows the feed's own name.
  InitFeedInfo(info);
  info.PublishedDate = NowUtc();
  info.TTL = kSmfTtl;
  return true;
}

// The forum writes absolute links: the document's address is not needed.
int ReadSmfArticles(const TXmlDoc& doc, TEntries& items, std::string_view /*documentAddress*/) {
  return ReadEntries(doc.GetNode("smf:xml-feed"), "article", items, ReadSmfArticle);
}

}  // namespace tidewick
