#pragma once

// The page the HTML view shows for an entry: a small page of our own around the entry's content, in the text font,
// after a textual pass that renames frame, plug-in and script tags so nothing in them can ever run.

#include <cstddef>
#include <string>
#include <string_view>

#include "entries/html_bounds.h"
#include "xml/xml_doc.h"  // TFontRecord

namespace tidewick {

// The page: head with the font rule for body (face, size, colour, bold, italic, decoration), then the content as
// given, then the closing tags. CR LF ends the head's lines.
std::string BuildEntryPage(const TFontRecord& font, std::string_view content);

// Renames <iframe, <embed, <object, <param and <script (and their end tags), removes target="blank" and
// target="_blank", and gives every "<a " the attribute target="blank". Letter case is ignored when searching; each
// rule replaces left to right over the result of the rule before.
std::string SanitizeEntryHtml(std::string_view html);

// The document as it is loaded: every line (cut at CR, LF or CR LF) followed by CR LF; an empty text stays empty.
std::string EntryDocumentText(std::string_view html);

// Bounds that keep a hostile entry from freezing the view.
struct TEntryLimits {
  size_t MaxBytes = 256 * 1024;
  THtmlBounds Html;  // nesting the view lays out quickly
};

struct TLimitedContent {
  std::string Text;
  bool Truncated = false;
};

// The content cut in front of the tag where it grows past MaxBytes; a cut never leaves half a tag behind.
TLimitedContent LimitEntryContent(std::string_view content, const TEntryLimits& limits = {});

// The content the view shows: cut as above, within the HTML bounds (so without scripts, styles and the like), with a
// translated note at the end when it was cut.
std::string ViewableEntryContent(std::string_view content, const TEntryLimits& limits = {});

}  // namespace tidewick
