#pragma once

// Dublin Core and Media RSS: the elements many RSS and RDF feeds carry instead of the core ones.

#include <string_view>

namespace tidewick {

class TXmlNode;

// The first non-empty (trimmed) of the Dublin Core terms dates dcterms:issued, dcterms:modified and dcterms:created
// below node (ISO 8601); empty when there is none.
std::string_view DublinCoreTermsDate(const TXmlNode* node);

// A Media RSS element (media:title, media:description) of node: its own, else the one inside its media:group, else
// inside its media:content, else inside the media:content of its media:group. nullptr when there is none.
const TXmlNode* FindMediaElement(const TXmlNode* node, std::string_view lowerName);

}  // namespace tidewick
