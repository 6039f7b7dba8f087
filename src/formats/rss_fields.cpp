// Fields RSS and RDF share.

#include "formats/rss_fields.h"

#include <string>

#include "formats/element_text.h"
#include "formats/feed_extensions.h"
#include "formats/link_resolution.h"
#include "formats/reader_support.h"
#include "util/url_reference.h"
#include "xml/xml_node.h"

namespace tidewick {

std::string ReadRssTitle(const TXmlNode& node, bool media, std::optional<std::string>& earlier) {
  const TXmlNode* title = FindChild(&node, "title");
  std::string plain = title == nullptr ? std::string() : SingleLineText(title->Value());
  if (!plain.empty() && title->Nodes().Count() == 0) {
    return plain;  // the common case: a title of plain or escaped text
  }
  std::string text = TitleText(title);
  if (text.empty()) {
    text = TitleText(FindChild(&node, "dc:title"));
  }
  if (text.empty() && media) {
    text = TitleText(FindMediaElement(&node, "media:title"));
  }
  if (text.empty() && media) {
    text = TitleText(FindChild(FindChild(&node, "enclosure"), "title"));  // podcasts that name only the file
  }
  if (text != plain) {
    earlier = std::move(plain);
  }
  return text;
}

std::string ReadRssDescription(const TXmlNode& node) {
  std::string description = DescriptionText(FindChild(&node, "description"));
  if (description.empty()) {
    description = DescriptionText(FindChild(&node, "dc:description"));
  }
  return description;
}

std::string ReadRssLink(const TXmlNode& node, std::string_view documentAddress, std::optional<std::string>& earlier) {
  bool first = true;
  for (const TXmlNode* child : node.Nodes()) {
    if (!child->HasFoldedName("link")) {
      continue;
    }
    std::string link = MultiLineText(child->Value());
    if (link.empty()) {
      first = false;  // an empty first link was all the earlier rule saw
      continue;
    }
    if (first && HasUrlScheme(link)) {
      return link;  // the common case: the first link, absolute
    }
    std::string resolved = ResolveLinkAt(child, link, documentAddress);
    if (!first) {
      earlier = std::string();
    } else if (resolved != link) {
      earlier = std::move(link);
    }
    return resolved;
  }
  return {};
}

TDateTime ReadRssDate(const TXmlNode& node, std::string_view first, std::string_view firstKind) {
  const std::string_view firstDate = TrimView(ChildValue(&node, first));
  if (!firstDate.empty()) {
    return DateOrNow(firstDate, firstKind);
  }
  std::string_view date = TrimView(ChildValue(&node, "dc:date"));
  // .NET's feed writer gives RSS items the Atom date under its a10 prefix; others name the prefix atom.
  for (const std::string_view atomDate : {"a10:updated", "atom:updated"}) {
    if (date.empty()) {
      date = TrimView(ChildValue(&node, atomDate));
    }
  }
  return DateOrNow(date.empty() ? DublinCoreTermsDate(&node) : date, kIso8601Date);
}

}  // namespace tidewick
