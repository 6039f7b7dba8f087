#pragma once

// Feed HTML made safe to open in a browser: an allow-list cleaner on a real HTML parser (gumbo), so what we check
// is what a browser would build, not what a regular expression guesses.

#include <string>
#include <string_view>

namespace tidewick {

// The fragment parsed as a browser parses a body's content and written back with known-safe elements and
// attributes only. Scripts, styles, frames, plug-ins, forms, SVG, MathML, meta and base elements are dropped with
// their content; unknown elements give up their tags but keep their text. No event handler or style attribute
// survives; links keep only http, https and mailto targets, images only http, https and data image sources.
std::string SanitizeHtml(std::string_view html);

// The checks behind it, on an attribute value whose references are already decoded. Blanks and control
// characters, which browsers ignore inside a scheme, are ignored here as well.
bool IsSafeLinkUrl(std::string_view url);
bool IsSafeImageUrl(std::string_view url);

// "&", "<", ">" and the double quote as references: for text and attribute values alike.
std::string EscapeHtml(std::string_view text);

}  // namespace tidewick
