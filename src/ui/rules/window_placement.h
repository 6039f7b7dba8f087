#pragma once

// Where a window with a stored geometry is shown, free of any window code. The settings keep what they were given;
// showing it never costs a window larger than the desktop, nor one that lies on no screen.

#include <vector>

namespace tidewick {

struct TWindowRect {
  int Left = 0;
  int Top = 0;
  int Width = 0;
  int Height = 0;
  bool operator==(const TWindowRect&) const = default;
};

// Smallest side a shown window gets (unless the area is smaller still), so it can always be seen and grabbed.
inline constexpr int kMinimumWindowSide = 100;

// Width and height within [kMinimumWindowSide, area's side]; the place is the stored one.
TWindowRect FitWindowSize(const TWindowRect& stored, const TWindowRect& area);

// The stored geometry as shown: the size fitted to the virtual desktop (the box around all screens); the place as
// stored (negative on a screen left of or above the primary one) while the window overlaps any screen, otherwise
// centred on the primary screen's available area (top-left when it is larger). Without screens: as stored.
TWindowRect ShownWindowGeometry(const TWindowRect& stored, const std::vector<TWindowRect>& screens,
                                const TWindowRect& primaryAvailable);

}  // namespace tidewick
