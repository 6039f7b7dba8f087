#pragma once

// Case folding for the entry list's order and search, where it runs once per entry: the same result as FoldCase,
// with characters of the first two UTF-8 byte lengths (Latin, Greek, Cyrillic and more) folded from a table.

#include <string>
#include <string_view>

namespace tidewick {

std::string FoldForList(std::string_view utf8);
void AppendFoldedForList(std::string& out, std::string_view utf8);

// Title or summary as the search sees it: HtmlToText of the text, folded.
std::string SearchableText(std::string_view html);
// The same, written into buffer (which only ever grows, so searching a long list allocates next to nothing); the
// view is valid until buffer changes.
std::string_view SearchableTextInto(std::string& buffer, std::string_view html);

}  // namespace tidewick
