#pragma once

// The file menu's OPML commands: the save or open dialog, the overwrite question, the hourglass while the file is
// written or read, and a message when something went wrong (or, for the import, what was imported). The rules
// live in tree/opml_export.h and tree/opml_import.h.

#include <cstdint>
#include <functional>
#include <vector>

class QWidget;

namespace tidewick {

class TFeedTree;

// mnuFileExportClick: the feeds of the selected folder (a selected feed stands for its folder) or of the whole tree.
void RunOpmlExport(QWidget* parent, const TFeedTree& tree);

// mnuFileImportClick: imports into the selected folder (the root when a feed or nothing is selected); scheduleSave
// is called when feeds or folders were added, then refresh with the Ids of the feeds added (none: not called).
void RunOpmlImport(QWidget* parent, TFeedTree& tree, const std::function<void()>& scheduleSave,
                   const std::function<void(const std::vector<uint64_t>&)>& refresh = {});

}  // namespace tidewick
