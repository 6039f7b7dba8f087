#pragma once

// Which tree commands the selected node allows; the window enables its actions from this after every selection,
// refresh or store change.

#include "shell/feed_tree.h"

namespace tidewick {

struct TTreeCommandStates {
  bool Edit = false;            // a feed is selected
  bool Remove = false;          // anything but the root is selected
  bool MarkAndRefresh = false;  // mark read/unread, refresh one or all: the store holds a feed
  bool Export = false;          // the store holds a feed
  bool NewFolder = false;       // a folder or the root is selected
  bool Rename = false;          // a folder is selected
};

inline TTreeCommandStates TreeCommandStates(const TTreeNode* selected, int feedCount) {
  TTreeCommandStates states;
  states.Edit = selected && selected->IsFeed();
  states.Remove = selected && !selected->IsRoot();
  states.MarkAndRefresh = feedCount > 0;
  states.Export = feedCount > 0;
  states.NewFolder = selected && !selected->IsFeed();
  states.Rename = selected && selected->IsFolder();
  return states;
}

}  // namespace tidewick
