#include "formats/enclosure_reading.h"

#include <charconv>
#include <cstdint>
#include <string>

#include "formats/link_resolution.h"
#include "formats/reader_support.h"
#include "util/case_fold.h"
#include "util/strings.h"

namespace tidewick {
namespace {

int64_t LengthOf(std::string_view text) {
  text = TrimView(text);
  int64_t length = -1;
  const auto parsed = std::from_chars(text.data(), text.data() + text.size(), length);
  return parsed.ec == std::errc() && parsed.ptr == text.data() + text.size() && length >= 0 ? length : -1;
}

void AddFrom(const TXmlNode* element, std::string_view urlAttribute, std::string_view lengthAttribute,
             std::string_view documentAddress, TEntry& item) {
  const std::string_view address = TrimView(AttribValue(element, urlAttribute));
  if (address.empty() || address.size() > kMaxEnclosureUrlBytes) {
    return;  // also spares the resolution an address that would be refused anyway
  }
  std::string url = ResolveLinkAt(element, std::string(address), documentAddress);
  if (IsWebAddress(url)) {
    AddEntryEnclosure(item, {.Url = std::move(url),
                             .Type = SingleLineText(AttribValue(element, "type")),
                             .Length = LengthOf(AttribValue(element, lengthAttribute))});
  }
}

}  // namespace

void ReadEnclosures(const TXmlNode& node, std::string_view documentAddress, TEntry& item) {
  for (const TXmlNode* child : node.Nodes()) {
    if (item.Enclosures.size() >= kMaxEntryEnclosures) {
      return;
    }
    if (child->HasFoldedName("enclosure")) {
      AddFrom(child, "url", "length", documentAddress, item);
    } else if (child->HasFoldedName("link") &&
               SameAsciiIgnoringCase(TrimView(AttribValue(child, "rel")), "enclosure")) {
      AddFrom(child, "href", "length", documentAddress, item);
    } else if (child->HasFoldedName("media:content")) {
      AddFrom(child, "url", "filesize", documentAddress, item);
    } else if (child->HasFoldedName("media:group")) {
      for (const TXmlNode* content : child->Nodes()) {
        if (content->HasFoldedName("media:content") && item.Enclosures.size() < kMaxEntryEnclosures) {
          AddFrom(content, "url", "filesize", documentAddress, item);
        }
      }
    }
  }
}

}  // namespace tidewick
