#pragma once

#include <string>
#include <string_view>

namespace tidewick {

// Resolves character references in UTF-8 text, in one pass (text produced by a replacement is never examined again,
// so "&amp;lt;" gives "&lt;"). In every encoding: decimal and hexadecimal references to valid code points and the
// five predefined entities. In a Latin-1 document ("ISO-8859-1", compared ignoring case) also the Latin-1 named
// references of HTML 4.01, "&hibar;" and "&Dstrok;"; there "&nbsp;" and "&#160;" read as a plain space. Anything
// else, and every invalid reference, stays as written.
std::string DecodeText(std::string_view text, std::string_view encoding);
void AppendDecodedText(std::string& out, std::string_view text, bool latin1);
// Decodes into `dest`, which has room for text.size() bytes (a reference is never shorter than its character);
// returns the decoded length. `dest` may be text.data() itself.
std::size_t DecodeTextInto(char* dest, std::string_view text, bool latin1);

// Escapes a value for output: "&", "<", ">" and the double quote (the apostrophe is kept). For a Latin-1 encoding,
// characters beyond U+00FF become numeric references "&#N;". The result is UTF-8; the writer converts the whole
// output to the document's encoding.
std::string EncodeText(std::string_view text, std::string_view encoding);
void AppendEncodedText(std::string& out, std::string_view text, bool latin1);

// The entity that escapes a markup character in a value ("&amp;", "&lt;", "&gt;", "&quot;"); empty for any other.
inline std::string_view MarkupEntity(char32_t c) {
  switch (c) {
    case '&':
      return "&amp;";
    case '<':
      return "&lt;";
    case '>':
      return "&gt;";
    case '"':
      return "&quot;";
    default:
      return {};
  }
}
// Appends the numeric reference "&#N;" of a code point.
void AppendNumericReference(std::string& out, char32_t codePoint);

// The key under which element and attribute names are compared: Unicode case folding, with an ASCII fast path.
std::string FoldXmlName(std::string_view name);
// Whether `name` matches `foldedName` (already folded) ignoring letter case.
bool XmlNameMatches(std::string_view name, std::string_view foldedName);

}  // namespace tidewick
