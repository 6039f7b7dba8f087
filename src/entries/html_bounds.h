#pragma once

// Feed HTML brought within bounds before any HTML parser sees it. Parsers (Qt's text browser and gumbo alike) slow
// down with the square of the nesting depth, so a small entry of deeply nested lists or quotes could freeze the
// window for minutes; here one linear pass reads the fragment as a browser would tokenise it and writes it back well
// formed, so that no parser can nest it deeper than the bounds.

#include <string>
#include <string_view>

namespace tidewick {

struct THtmlBounds {
  int MaxDepth = 32;           // elements open at once
  int MaxElements = 8 * 1024;  // elements in all (twice inside tables): each costs a block, line or run to lay out
  int MaxTableDepth = 8;       // tables open at once
  // Laying out a table inside a table costs twice the work of its content, and so on for every level: what tables
  // below the first may hold, in bytes of text (a tag counts as 16), each counted once more per doubling. Beyond it,
  // they lose their tags.
  size_t NestedTableWork = 128 * 1024;
  int MaxAttributes = 32;  // per start tag; more are dropped
};

// The fragment rewritten within the bounds: start tags with their attributes quoted again, the end tags a browser
// would imply written out, stray end tags, comments, doctypes and processing instructions dropped, a "<" that starts
// no tag escaped. Scripts, styles, noscript, templates, frames and plug-ins go with their content, and so do the
// other elements whose content is raw text (title, textarea, xmp, noembed, noframes, plaintext). An element beyond
// the bounds loses its tags but keeps its content; where it began a block or a row, a line break keeps its text
// apart from the text before it, and a cell is set apart by a blank. Linear in the length of the fragment.
std::string BoundedHtml(std::string_view html, const THtmlBounds& bounds = {});

}  // namespace tidewick
