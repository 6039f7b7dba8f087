#pragma once

// Feed lists for other readers: the feeds of the whole tree, or of one folder, as an OPML 1.1 file in which folders
// are nested outlines. Written as ISO-8859-1 as other readers expect; characters beyond it become numeric
// references, so no name is lost.

#include <string>
#include <string_view>

#include "lang/export_file.h"
#include "tree/feed_tree.h"

namespace tidewick {

// What the export command writes for a selection: a folder's feeds (a selected feed stands for its folder), or the
// whole tree when the root, a feed directly under it, or nothing is selected.
struct TOpmlExportScope {
  const TTreeNode* Start = nullptr;  // the folder or the root; nothing before the tree is built
  bool WholeTree = true;
  std::string Title;        // the folder's name, or "Main|OpmlTitle"
  std::string DialogTitle;  // "Main|DlgExportFeedsTitle" or "Main|DlgExportAllFeedsTitle"
};
TOpmlExportScope OpmlExportScope(const TFeedTree& tree, const TTreeNode* selected);

// The exact bytes of the file: the outlines below start in the tree's order, with the title in opml\head\title.
// Feed nodes whose feed is no longer in the store are left out.
std::string OpmlExportText(const TTreeNode& start, std::string_view title);

// Writes OpmlExportText atomically.
TFileWriteResult ExportOpmlFile(const std::string& fileName, const TTreeNode& start, std::string_view title);

}  // namespace tidewick
