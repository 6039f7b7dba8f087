// Dublin Core and Media RSS lookups.

#include "formats/feed_extensions.h"

#include "formats/reader_support.h"
#include "util/strings.h"

namespace tidewick {

std::string_view DublinCoreTermsDate(const TXmlNode* node) {
  for (const std::string_view name : {"dcterms:issued", "dcterms:modified", "dcterms:created"}) {
    const std::string_view date = TrimView(ChildValue(node, name));
    if (!date.empty()) {
      return date;
    }
  }
  return {};
}

const TXmlNode* FindMediaElement(const TXmlNode* node, std::string_view lowerName) {
  if (const TXmlNode* own = FindChild(node, lowerName)) {
    return own;
  }
  const TXmlNode* group = FindChild(node, "media:group");
  if (const TXmlNode* inGroup = FindChild(group, lowerName)) {
    return inGroup;
  }
  if (const TXmlNode* inContent = FindChild(FindChild(node, "media:content"), lowerName)) {
    return inContent;
  }
  return FindChild(FindChild(group, "media:content"), lowerName);
}

}  // namespace tidewick
