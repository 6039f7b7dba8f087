#pragma once

// One entry saved as a plain text file or as a small self-contained HTML page in the entry view's font. The page is
// safe to open in any browser: the entry's texts are escaped, its content passes the HTML sanitiser, and a content
// security policy forbids scripts, frames and plug-ins even if something slipped through.

#include <string>
#include <string_view>

#include "feeds/feed_records.h"
#include "lang/export_file.h"
#include "xml/xml_doc.h"

namespace tidewick {

enum class TEntryExportFormat { Text, Html };

// The longest proposed file name, in bytes: leaves room for the extension within every file system's limit.
inline constexpr size_t kMaxProposedFileNameBytes = 200;

// The entry's title as plain text, fit for a file name: "/", "\" and control characters become "_", blanks and
// leading dots are trimmed, and the name is cut to kMaxProposedFileNameBytes on a character boundary.
std::string ProposedExportFileName(const TEntry& item);

// The chosen name with ".txt" or ".html" appended unless it already ends exactly so (letter case counts: a name
// ending in ".TXT" still gets ".txt").
std::string WithExportExtension(std::string_view fileName, TEntryExportFormat format);

// The text file: "Main|ExportText" with the title, link, date and summary as plain text. dateText is the entry's
// date as the user reads it (empty when it has none).
std::string EntryExportText(const TEntry& item, std::string_view dateText);

// The HTML page (UTF-8, no byte-order mark), styled with font.
std::string EntryExportHtml(const TEntry& item, std::string_view dateText, const TFontRecord& font);

// Builds the file in the chosen format and writes it atomically.
TFileWriteResult ExportEntryFile(const std::string& fileName, TEntryExportFormat format, const TEntry& item,
                                 std::string_view dateText, const TFontRecord& font);

}  // namespace tidewick
