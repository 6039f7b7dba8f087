#include "ui/rules/window_placement.h"

#include <climits>
#include <gtest/gtest.h>
#include <tuple>

namespace tidewick {
namespace {

// Two screens: the primary one at the origin and a second one to its left, lower and smaller; the desktop's box
// is 3200 x 1200, and its bottom-left corner lies on no screen.
const std::vector<TWindowRect> kScreens = {{0, 0, 1920, 1080}, {-1280, 176, 1280, 1024}};
const TWindowRect kPrimaryAvailable = {0, 0, 1920, 1040};

TEST(WindowPlacement, KeepsTheStoredPlaceAndFitsTheSizeIntoTheDesktop) {
  const std::tuple<const char*, TWindowRect, TWindowRect> cases[] = {
      {"as stored", {31, 41, 727, 511}, {31, 41, 727, 511}},
      {"on the left screen", {-1000, 300, 800, 600}, {-1000, 300, 800, 600}},
      {"half off a screen still overlaps it", {1800, 1000, 800, 600}, {1800, 1000, 800, 600}},
      {"the largest int is the desktop", {0, 0, INT_MAX, INT_MAX}, {0, 0, 3200, 1200}},
      {"too small, zero or negative grows", {10, 10, 20, -5}, {10, 10, 100, 100}},
      {"on no screen: centred on the primary", {5000, 5000, 800, 600}, {560, 220, 800, 600}},
      {"in the corner no screen covers", {-1200, 0, 100, 100}, {910, 470, 100, 100}},
      {"touching an edge is not overlapping", {1920, 0, 300, 300}, {810, 370, 300, 300}},
      {"near the end of int never wraps", {INT_MAX - 10, INT_MAX - 10, INT_MAX, INT_MAX}, {0, 0, 3200, 1200}},
      {"far left and up", {INT_MIN, INT_MIN, 640, 480}, {640, 280, 640, 480}},
  };
  for (const auto& [what, stored, expected] : cases) {
    EXPECT_EQ(ShownWindowGeometry(stored, kScreens, kPrimaryAvailable), expected) << what;
  }
  EXPECT_EQ(ShownWindowGeometry({1, 2, INT_MAX, 4}, {}, kPrimaryAvailable), (TWindowRect{1, 2, INT_MAX, 4}));
}

TEST(WindowPlacement, FitsAPopupIntoItsArea) {
  const TWindowRect area{0, 0, 1920, 1040};
  EXPECT_EQ(FitWindowSize({0, 0, 300, 200}, area), (TWindowRect{0, 0, 300, 200}));
  EXPECT_EQ(FitWindowSize({0, 0, INT_MAX, INT_MAX}, area), (TWindowRect{0, 0, 1920, 1040}));
  EXPECT_EQ(FitWindowSize({0, 0, 0, -1}, area), (TWindowRect{0, 0, 100, 100}));
  EXPECT_EQ(FitWindowSize({0, 0, 300, 200}, {0, 0, 80, 60}), (TWindowRect{0, 0, 80, 60}));  // a tiny screen
}

}  // namespace
}  // namespace tidewick
