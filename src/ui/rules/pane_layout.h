#pragma once

// Pane arithmetic of the main window, free of any window code: how tall the entry view on the right stays when the
// window is resized, and which command of the frame is enabled for the current selection.

#include <optional>

namespace tidewick {

// The right side as last recorded: its client height and the entry view's height below the splitter.
struct TPaneRatio {
  int LeftClientHeight = 0;
  int BottomHeight = 0;
  bool operator==(const TPaneRatio&) const = default;
};

// The list above the entry view keeps at least this height, and the entry view's top edge at least this distance
// from the top of the right side; otherwise the entry view falls back to a third of the right side.
inline constexpr int kMinimumListHeight = 50;
inline constexpr int kMinimumBottomTopOffset = 30;

// A ratio worth keeping: both heights above zero. A minimised or collapsed window records nothing, so the next
// resize never divides by zero.
std::optional<TPaneRatio> RecordPaneRatio(int leftClientHeight, int bottomHeight);

// The entry view's height after the right side became leftClientHeight high. With detailAutoSize the entry view
// keeps its recorded share (rounded to the nearest, halves to even); then a list lower than kMinimumListHeight, or
// an entry view whose top lies closer than kMinimumBottomTopOffset to the top, resets it to a third of the right
// side. splitterHeight is the handle between list and entry view.
int BottomHeightAfterResize(const std::optional<TPaneRatio>& recorded, int leftClientHeight, int bottomHeight,
                            int splitterHeight, bool detailAutoSize);

}  // namespace tidewick
