#pragma once

// HTML character references and HTML-to-text conversion for feed texts (UTF-8 in, UTF-8 out).

#include <array>
#include <string>
#include <string_view>

namespace tidewick {

// One row of the classic 256-row reference table: the character of a Windows-1252 byte value with its named
// form ("&euro;", empty when the row has no name) and numeric form ("&#8364;").
struct TEntityRow {
  char32_t Character = 0;
  std::string Named;
  std::string Numeric;
};
using TEntityTable = std::array<TEntityRow, 256>;

// Builds the table on first use; later calls are cheap. Safe to call from any thread.
void BuildEntityTable();
const TEntityTable& EntityTable();

// The UTF-8 text of one reference given without "&" and ";" ("amp", "#233", "#x20AC"); empty when it names no
// character (unknown or wrongly-cased name, code 0, surrogate, beyond U+10FFFF). Every HTML 5 name decodes;
// numeric 128-159 give their Windows-1252 characters as browsers do.
std::string EntityToText(std::string_view body);

// Replaces every character reference by its character; anything that is no valid reference stays as written.
// Linear in the length of the text.
std::string DecodeEntities(std::string_view text);

// Readable plain text from an HTML fragment: <br> forms become CR LF, markup is stripped when the text contains
// one of the common tags, and runs of blank lines shrink to one. Stripping drops scripts, styles, frames, plug-ins,
// templates and noscript fallbacks with their content. References are not decoded here.
std::string HtmlToText(std::string_view text);
// Whether one of the tags that make HtmlToText strip markup ("<p>", "<a ", "<div" ...) starts at `at`, ignoring case.
bool StartsMarkupTag(std::string_view text, std::size_t at);

// When the "<" at `at` starts a script, style, noscript, template, iframe or object element, the position after its
// end tag (a nested object or template counts its own end tag; without one the element runs to the end of the text);
// otherwise npos. Tags run from "<" to the next ">", as HtmlToText reads them.
std::size_t SkippedElementEnd(std::string_view text, std::size_t at);

// HtmlToText for reading on screen: paragraphs, list items, table rows and other blocks also begin new lines, so
// "<li>One</li><li>Two</li>" reads as two lines instead of "OneTwo". Search and saved entries keep HtmlToText.
std::string HtmlToDisplayText(std::string_view text);

}  // namespace tidewick
