#pragma once

// mnuFileFeedItemExportClick: saves the selected entry as a text file or as a small HTML page. The rules live in
// entries/entry_export.h; this is the dialog flow around them.

class QWidget;

namespace tidewick {

struct TEntry;
struct TFontRecord;

// Does nothing without an entry. The HTML filter is preselected when the entry view shows its HTML page. The page
// uses font (the TextFont setting).
void RunEntryExport(QWidget* parent, const TEntry* entry, bool htmlPageShown, const TFontRecord& font);

}  // namespace tidewick
