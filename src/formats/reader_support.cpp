// Helpers shared by the feed readers.

#include "formats/reader_support.h"

#include <charconv>
#include <string>

#include "formats/feed_document.h"
#include "lang/lang_text.h"
#include "xml/xml_text.h"

namespace tidewick {

const TXmlNode* FindChild(const TXmlNode* node, std::string_view lowerName) {
  if (node == nullptr) {
    return nullptr;
  }
  for (const TXmlNode* child : node->Nodes()) {
    if (child->HasFoldedName(lowerName)) {
      return child;
    }
  }
  return nullptr;
}

std::string_view ChildValue(const TXmlNode* node, std::string_view lowerName) {
  const TXmlNode* child = FindChild(node, lowerName);
  return child == nullptr ? std::string_view{} : child->Value();
}

void ReadCategories(const TXmlNode& node, std::string_view lowerName,
                    std::initializer_list<std::string_view> attributes, TEntry& item) {
  for (const TXmlNode* child : node.Nodes()) {
    if (item.Categories.size() >= kMaxEntryCategories) {
      return;
    }
    if (!child->HasFoldedName(lowerName)) {
      continue;
    }
    std::string text = attributes.size() == 0 ? SingleLineText(child->Value()) : std::string();
    for (const std::string_view attribute : attributes) {
      if (TrimView(text).empty()) {
        text = SingleLineText(AttribValue(child, attribute));
      }
    }
    AddEntryCategory(item, text);
  }
}

std::string_view AttribValue(const TXmlNode* node, std::string_view lowerName) {
  if (node == nullptr) {
    return {};
  }
  for (const TXmlAttrib* attrib = node->Attribs().First(); attrib != nullptr; attrib = attrib->Next()) {
    if (XmlNameMatches(attrib->Name(), lowerName)) {
      return attrib->Value();
    }
  }
  return {};
}

std::string SingleLineText(std::string_view text) {
  return CleanText(text, true);
}

std::string MultiLineText(std::string_view text) {
  return CleanText(text, false);
}

TDateTime DateOrNow(std::string_view text, std::string_view kind) {
  const std::string_view trimmed = TrimView(text);
  return trimmed.empty() ? NowUtc() : ParseFeedDate(trimmed, kind);
}

TDateTime DateOrNone(std::string_view text, std::string_view kind) {
  const std::string_view trimmed = TrimView(text);
  return trimmed.empty() ? kNoDate : ParseFeedDate(trimmed, kind);
}

int ReadDecimal(std::string_view text, int fallback) {
  std::string_view digits = TrimView(text);
  if (!digits.empty() && digits.front() == '+') {
    digits.remove_prefix(1);
    if (!digits.empty() && digits.front() == '-') {
      return fallback;
    }
  }
  int value = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value, 10);
  if (digits.empty() || error != std::errc{} || end != digits.data() + digits.size()) {
    return fallback;
  }
  return value;
}

void KeepEarlierIdentity(TEntry& item, TEarlierIdentity&& earlier) {
  const bool titleDiffers = earlier.Title && *earlier.Title != item.Title;
  const bool linkDiffers = earlier.Link && *earlier.Link != item.Link;
  if (!titleDiffers && !linkDiffers) {
    return;
  }
  item.HasLegacyIdentity = true;
  item.LegacyTitle = titleDiffers ? std::move(*earlier.Title) : item.Title;
  item.LegacyLink = linkDiffers ? std::move(*earlier.Link) : item.Link;
}

std::string UntitledFeedTitle() {
  return GetLangText("Main|UntitledFeed", "Unbenannter Feed");
}

}  // namespace tidewick
