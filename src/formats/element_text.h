#pragma once

// The texts of title and description elements as feeds write them: plain or escaped text, bare or XHTML markup
// (child elements), and Atom 0.3 base64.

#include <optional>
#include <string>
#include <string_view>

namespace tidewick {

class TXmlNode;

// Base64 text decoded, blanks and line breaks inside it skipped; bytes that are no valid UTF-8 are read as
// Windows-1252. Nothing when the text is not base64.
std::optional<std::string> DecodeBase64Text(std::string_view text);

// The readable text of markup: tags, comments and processing instructions left out, every run of blanks and line
// breaks one blank, the references of the text decoded once (as the XML reader decodes a value; latin1 for a
// Latin-1 document), CDATA sections taken as written.
std::string MarkupText(std::string_view markup, bool latin1);

// A title (single line): the element's text, or, when it holds child elements, the text of all its markup, so a
// title written as markup keeps every word. Empty for a missing element.
std::string TitleText(const TXmlNode* node);

// A description (multi line, HTML): the element's text, or, when it holds child elements, its inner markup, so a
// description written as bare markup keeps all of it. Empty for a missing element.
std::string DescriptionText(const TXmlNode* node);

// Whether the title and description readings above give more than the element's text before its first child
// (child elements, or base64).
bool NeedsMoreThanValue(const TXmlNode* node);

// The same two for Atom text constructs, which may also be base64 (Atom 0.3 mode="base64", or in Atom 1.0 a media
// type that is neither text nor XML, such as application/octet-stream). Base64 content of a type that is no text
// (an image, say) reads as empty rather than as garbage.
std::string AtomTitleText(const TXmlNode* node);
std::string AtomDescriptionText(const TXmlNode* node);

}  // namespace tidewick
