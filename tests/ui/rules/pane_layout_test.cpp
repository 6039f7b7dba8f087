#include "ui/rules/pane_layout.h"

#include <gtest/gtest.h>
#include <tuple>

namespace tidewick {
namespace {

TEST(PaneLayout, KeepsTheEntryViewInShapeOnResize) {
  const std::tuple<const char*, std::optional<TPaneRatio>, int, int, bool, int> cases[] = {
      {"auto size keeps the share", TPaneRatio{400, 100}, 800, 100, true, 200},
      {"halves round to even (down)", TPaneRatio{400, 100}, 402, 100, true, 100},  // 100.5
      {"halves round to even (up)", TPaneRatio{400, 100}, 406, 100, true, 102},    // 101.5
      {"without auto size only the list grows", TPaneRatio{400, 100}, 800, 100, false, 100},
      {"a list below 50 pixels resets to a third", TPaneRatio{400, 100}, 400, 360, false, 133},
      {"a list of exactly 50 pixels stays", std::nullopt, 400, 347, false, 347},
      {"a tiny right side gets a third", std::nullopt, 60, 40, false, 20},
      {"auto size growing into the list resets", TPaneRatio{100, 90}, 300, 90, true, 100},
      {"nothing recorded: auto size keeps the height", std::nullopt, 800, 150, true, 150},
  };
  for (const auto& [what, recorded, leftClient, bottom, autoSize, expected] : cases) {
    EXPECT_EQ(BottomHeightAfterResize(recorded, leftClient, bottom, 3, autoSize), expected) << what;
  }
}

TEST(PaneLayout, RecordsOnlyRatiosThatCanBeDividedBy) {
  EXPECT_EQ(RecordPaneRatio(400, 100), (TPaneRatio{400, 100}));
  EXPECT_FALSE(RecordPaneRatio(0, 100));  // a minimised window
  EXPECT_FALSE(RecordPaneRatio(400, 0));  // a collapsed entry view
  // After a collapse nothing is recorded: the next resize keeps the height instead of dividing by zero.
  EXPECT_EQ(BottomHeightAfterResize(RecordPaneRatio(400, 0), 600, 0, 3, true), 0);
}

}  // namespace
}  // namespace tidewick
