#pragma once

// Which commands of the main window are enabled, decided from the tree's selection, the store, the search and the
// refresh state. The window recomputes this on every change of any of them, not only when a menu opens.

namespace tidewick {

enum class TSelectedNode { None, Root, Folder, Feed, Account, Starred };

struct TCommandContext {
  TSelectedNode Node = TSelectedNode::None;
  bool InAccount = false;  // the node is a sync account or lies in one: its server decides names and places
  bool StoreHasFeeds = false;
  bool SearchTextSet = false;       // a search was made, so find previous has something to look for
  bool EntrySelected = false;       // exactly one entry of the list is selected
  bool EntryHasEnclosures = false;  // ... and it carries files
  bool Refreshing = false;
};

struct TCommandStates {
  bool Export = false;  // OPML export of the selected folder or all
  bool Edit = false;
  bool Remove = false;
  bool MarkRead = false;  // also mark unread
  bool Refresh = false;
  bool RefreshAll = false;
  bool FolderAdd = false;
  bool Rename = false;  // a folder or a feed
  bool Move = false;    // a folder or a feed, into another folder
  bool SearchPrev = false;
  bool EntryExport = false;
  bool EnclosureSave = false;
  bool StopRefresh = false;
  bool EntryMarks = false;  // read mark and star of the selected entry
  // Rename, move and new folder are off because the node belongs to an account (their tool tips say why).
  bool ServerArranges = false;
  bool operator==(const TCommandStates&) const = default;
};

TCommandStates DecideCommandStates(const TCommandContext& context);

}  // namespace tidewick
