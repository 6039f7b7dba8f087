#include "ui/rules/window_placement.h"

#include <algorithm>
#include <cstdint>

namespace tidewick {
namespace {

int FitSide(int stored, int available) {
  return std::clamp(stored, std::min(kMinimumWindowSide, available), available);
}

// In 64 bits: a stored place near the end of int must not wrap around onto a screen.
bool Overlaps(const TWindowRect& a, const TWindowRect& b) {
  const auto right = [](const TWindowRect& r) { return int64_t{r.Left} + r.Width; };
  const auto bottom = [](const TWindowRect& r) { return int64_t{r.Top} + r.Height; };
  return a.Left < right(b) && b.Left < right(a) && a.Top < bottom(b) && b.Top < bottom(a);
}

TWindowRect BoundingBox(const std::vector<TWindowRect>& screens) {
  int64_t left = screens.front().Left;
  int64_t top = screens.front().Top;
  int64_t right = left + screens.front().Width;
  int64_t bottom = top + screens.front().Height;
  for (const TWindowRect& screen : screens) {
    left = std::min<int64_t>(left, screen.Left);
    top = std::min<int64_t>(top, screen.Top);
    right = std::max(right, int64_t{screen.Left} + screen.Width);
    bottom = std::max(bottom, int64_t{screen.Top} + screen.Height);
  }
  return {static_cast<int>(left), static_cast<int>(top), static_cast<int>(right - left),
          static_cast<int>(bottom - top)};
}

}  // namespace

TWindowRect FitWindowSize(const TWindowRect& stored, const TWindowRect& area) {
  return {stored.Left, stored.Top, FitSide(stored.Width, area.Width), FitSide(stored.Height, area.Height)};
}

TWindowRect ShownWindowGeometry(const TWindowRect& stored, const std::vector<TWindowRect>& screens,
                                const TWindowRect& primaryAvailable) {
  if (screens.empty()) {
    return stored;
  }
  TWindowRect shown = FitWindowSize(stored, BoundingBox(screens));
  if (std::ranges::any_of(screens, [&](const TWindowRect& screen) { return Overlaps(shown, screen); })) {
    return shown;
  }
  shown.Left = primaryAvailable.Left + std::max(0, (primaryAvailable.Width - shown.Width) / 2);
  shown.Top = primaryAvailable.Top + std::max(0, (primaryAvailable.Height - shown.Height) / 2);
  return shown;
}

}  // namespace tidewick
