#include "ui/rules/command_states.h"

namespace tidewick {

TCommandStates DecideCommandStates(const TCommandContext& context) {
  const bool folderOrRoot =
      (context.Node == TSelectedNode::Folder && !context.InAccount) || context.Node == TSelectedNode::Root;
  TCommandStates states;
  states.Export = context.StoreHasFeeds;
  // The feed dialog renames and readdresses, which an account's server cannot do. Removing an account feed
  // unsubscribes it there; an account's folder is a category that goes with its feeds.
  states.Edit = context.Node == TSelectedNode::Feed && !context.InAccount;
  states.Remove = context.Node == TSelectedNode::Feed || context.Node == TSelectedNode::Account ||
                  (context.Node == TSelectedNode::Folder && !context.InAccount);
  states.MarkRead = context.StoreHasFeeds && context.Node != TSelectedNode::None;
  // The Starred node stands for no feed to refresh.
  states.Refresh =
      context.StoreHasFeeds && context.Node != TSelectedNode::None && context.Node != TSelectedNode::Starred;
  states.RefreshAll = context.StoreHasFeeds;
  states.FolderAdd = folderOrRoot;
  states.Rename = (context.Node == TSelectedNode::Folder || context.Node == TSelectedNode::Feed) && !context.InAccount;
  states.Move = states.Rename;
  states.ServerArranges = context.InAccount;
  states.SearchPrev = context.SearchTextSet;
  states.EntryExport = context.EntrySelected;
  states.EnclosureSave = context.EntrySelected && context.EntryHasEnclosures;
  states.StopRefresh = context.Refreshing;
  states.EntryMarks = context.EntrySelected;
  return states;
}

}  // namespace tidewick
