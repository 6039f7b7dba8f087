#include "ui/rules/command_states.h"

namespace tidewick {

TCommandStates DecideCommandStates(const TCommandContext& context) {
  const bool folderOrRoot = context.Node == TSelectedNode::Folder || context.Node == TSelectedNode::Root;
  TCommandStates states;
  states.Export = context.StoreHasFeeds;
  states.Edit = context.Node == TSelectedNode::Feed;
  states.Remove = context.Node == TSelectedNode::Feed || context.Node == TSelectedNode::Folder;
  states.MarkRead = context.StoreHasFeeds && context.Node != TSelectedNode::None;
  // The Starred node stands for no feed to refresh.
  states.Refresh =
      context.StoreHasFeeds && context.Node != TSelectedNode::None && context.Node != TSelectedNode::Starred;
  states.RefreshAll = context.StoreHasFeeds;
  states.FolderAdd = folderOrRoot;
  states.Rename = context.Node == TSelectedNode::Folder || context.Node == TSelectedNode::Feed;
  states.Move = states.Rename;
  states.SearchPrev = context.SearchTextSet;
  states.EntryExport = context.EntrySelected;
  states.EnclosureSave = context.EntrySelected && context.EntryHasEnclosures;
  states.StopRefresh = context.Refreshing;
  states.EntryMarks = context.EntrySelected;
  return states;
}

}  // namespace tidewick
