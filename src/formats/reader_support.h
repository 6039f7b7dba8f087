#pragma once

// Helpers the four feed readers share: child lookup, the text modes, dates, numbers and placeholder titles.

#include <cstddef>
#include <exception>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

#include "feeds/feed_records.h"
#include "util/dates.h"
#include "util/strings.h"
#include "xml/xml_node.h"

namespace tidewick {

// Date kinds of ParseFeedDate: RFC 822 ("U") and ISO 8601 ("C").
inline constexpr std::string_view kRfc822Date = "U";
inline constexpr std::string_view kIso8601Date = "C";

// The first child of node whose name matches lowerName (given in lower case, as element names fold); nullptr when
// node is null or has no such child.
const TXmlNode* FindChild(const TXmlNode* node, std::string_view lowerName);
// The value of that child, empty when it is missing.
std::string_view ChildValue(const TXmlNode* node, std::string_view lowerName);
// The value of node's attribute of that name (matched ignoring case), empty when missing.
std::string_view AttribValue(const TXmlNode* node, std::string_view lowerName);

// Adds to item's categories the text of each child of node named lowerName, or, when attributes are named, the first
// of them that is not blank (Atom: the readable label, else the term), single line; AddEntryCategory keeps the count
// and lengths bounded.
void ReadCategories(const TXmlNode& node, std::string_view lowerName,
                    std::initializer_list<std::string_view> attributes, TEntry& item);

// The two modes of CleanText: titles, authors, copyrights and image titles are single line, the rest multi line.
std::string SingleLineText(std::string_view text);
std::string MultiLineText(std::string_view text);

// A date text, trimmed: empty gives NowUtc, otherwise the parsed UTC value or 0 when it cannot be parsed.
TDateTime DateOrNow(std::string_view text, std::string_view kind);
// The same, but an empty text gives 0.
TDateTime DateOrNone(std::string_view text, std::string_view kind);

// A trimmed decimal integer with an optional sign; fallback when the text is not one or does not fit.
int ReadDecimal(std::string_view text, int fallback = 0);

// The placeholder title of a channel without one, translated when a language file is loaded. An entry without a
// title keeps it empty: its identity must not depend on the language (ItemDisplayTitle shows the placeholder).
std::string UntitledFeedTitle();

// What earlier versions of the readers gave an entry where the current rules give something else: the merge matches
// stored entries by it too. Unset fields are the same as now.
struct TEarlierIdentity {
  std::optional<std::string> Title;
  std::optional<std::string> Link;
};
// Records earlier on item (HasLegacyIdentity, LegacyTitle, LegacyLink) when it differs from the item's title or link.
void KeepEarlierIdentity(TEntry& item, TEarlierIdentity&& earlier);

// More entries than any real feed carries; a document with more is taken as cut short at this many.
inline constexpr std::size_t kMaxEntriesPerDocument = 50000;

// Appends one entry per child of parent named lowerName, in document order, filled by readEntry(child, item).
// An entry whose reading fails is left out; the others are still read. Reading stops one entry beyond
// kMaxEntriesPerDocument, so the caller sees that there were more. Returns the number of entries in items.
template <typename TReadEntry>
int ReadEntries(const TXmlNode* parent, std::string_view lowerName, TEntries& items, TReadEntry readEntry) {
  items.clear();
  if (parent == nullptr) {
    return 0;
  }
  for (const TXmlNode* child : parent->Nodes()) {
    if (!child->HasFoldedName(lowerName)) {
      continue;
    }
    if (items.size() > kMaxEntriesPerDocument) {
      break;
    }
    try {
      TEntry item;
      InitEntry(item);
      readEntry(*child, item);
      items.push_back(std::move(item));
    } catch (const std::exception&) {
      // A damaged entry is skipped; the rest of the feed still counts.
    }
  }
  return static_cast<int>(items.size());
}

}  // namespace tidewick
