#include "ui/rules/pane_layout.h"

#include <cfenv>
#include <cmath>

namespace tidewick {

std::optional<TPaneRatio> RecordPaneRatio(int leftClientHeight, int bottomHeight) {
  if (leftClientHeight <= 0 || bottomHeight <= 0) {
    return std::nullopt;
  }
  return TPaneRatio{leftClientHeight, bottomHeight};
}

int BottomHeightAfterResize(const std::optional<TPaneRatio>& recorded, int leftClientHeight, int bottomHeight,
                            int splitterHeight, bool detailAutoSize) {
  int height = bottomHeight;
  if (detailAutoSize && recorded) {
    const double ratio = static_cast<double>(recorded->LeftClientHeight) / recorded->BottomHeight;
    // nearbyint rounds in the current mode, which is to-nearest-even unless someone changed it.
    const int previousMode = std::fegetround();
    std::fesetround(FE_TONEAREST);
    height = static_cast<int>(std::nearbyint(leftClientHeight / ratio));
    std::fesetround(previousMode);
  }
  const int third = leftClientHeight / 3;
  if (leftClientHeight - height - splitterHeight < kMinimumListHeight) {
    height = third;
  }
  if (leftClientHeight - height < kMinimumBottomTopOffset) {
    height = third;
  }
  return height;
}

}  // namespace tidewick
