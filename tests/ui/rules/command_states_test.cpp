#include "ui/rules/command_states.h"

#include <gtest/gtest.h>

namespace tidewick {
namespace {

TEST(CommandStates, FollowTheSelectedNodeAndTheStore) {
  struct Case {
    const char* what;
    TSelectedNode node;
    bool storeHasFeeds;
    TCommandStates expected;
  };
  const Case cases[] = {
      // Export, Edit, Remove, MarkRead, Refresh, RefreshAll, FolderAdd, Rename. An empty store: only a new folder
      // can be made at the root.
      {"empty store, root", TSelectedNode::Root, false, {false, false, false, false, false, false, true, false}},
      {"root", TSelectedNode::Root, true, {true, false, false, true, true, true, true, false}},
      {"folder", TSelectedNode::Folder, true, {true, false, true, true, true, true, true, true}},
      {"feed", TSelectedNode::Feed, true, {true, true, true, true, true, true, false, false}},
      {"nothing selected", TSelectedNode::None, true, {true, false, false, false, false, true, false, false}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DecideCommandStates({c.node, c.storeHasFeeds, false, false, false}), c.expected) << c.what;
  }
}

TEST(CommandStates, SearchEntryAndRefreshStatesAreTheirOwn) {
  const TCommandStates states = DecideCommandStates({TSelectedNode::Feed, true, true, true, true});
  EXPECT_TRUE(states.SearchPrev);
  EXPECT_TRUE(states.ItemExport);
  EXPECT_TRUE(states.StopRefresh);
  const TCommandStates idle = DecideCommandStates({TSelectedNode::Feed, true, false, false, false});
  EXPECT_FALSE(idle.SearchPrev || idle.ItemExport || idle.StopRefresh);
}

}  // namespace
}  // namespace tidewick
