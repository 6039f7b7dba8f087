#pragma once

// Fields that RSS and RDF (RSS 1.0) read alike: titles and descriptions with their Dublin Core and Media RSS
// stand-ins, the first usable link, and dates with the Dublin Core terms as a last resort.

#include <optional>
#include <string>
#include <string_view>

#include "util/dates.h"

namespace tidewick {

class TXmlNode;

// The title of a channel or item: "title" (markup included), else "dc:title", else, with media, the Media RSS title,
// else the title inside the first "enclosure".
// earlier gets the text before the title's first child element when that differs.
std::string ReadRssTitle(const TXmlNode& node, bool media, std::optional<std::string>& earlier);

// The description: "description" (bare markup included), else "dc:description"; empty when neither gives one.
std::string ReadRssDescription(const TXmlNode& node);

// The text of the first "link" child that is not empty, resolved against the xml:base in effect and the document's
// address; empty when there is none. earlier gets the first link's text as written when that differs.
std::string ReadRssLink(const TXmlNode& node, std::string_view documentAddress, std::optional<std::string>& earlier);

// The date: first (of kind firstKind) when not empty, else "dc:date", else the Atom date ("a10:updated" or
// "atom:updated"), else the Dublin Core terms dates (ISO 8601); none of them → now, unreadable → no date.
TDateTime ReadRssDate(const TXmlNode& node, std::string_view first, std::string_view firstKind);

}  // namespace tidewick
