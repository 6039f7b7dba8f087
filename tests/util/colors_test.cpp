#include "util/colors.h"

#include <atomic>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <vector>

#include "support/table_file.h"

namespace tidewick {
namespace {

TEST(Colors, HtmlIsRedGreenBlueFromTheStoredBgrValue) {
  ResetSystemColors();
  test::CheckTableFile("util/color_html.tsv", 1, [](const std::vector<std::string>& in) {
    return ColorToHtml(static_cast<TColor>(std::stoul(in[0], nullptr, 0)));
  });
}

TEST(Colors, TheUiCanOverrideASystemColour) {
  SetSystemColorValue(TSystemColor::WindowText, RgbColor(0x12, 0x34, 0x56));
  EXPECT_EQ(ColorToHtml(kClWindowText), "#123456");
  EXPECT_EQ(ColorToRgb(kClWindowText), RgbColor(0x12, 0x34, 0x56));
  EXPECT_EQ(ColorToHtml(RgbColor(1, 2, 3)), "#010203");  // plain colours are untouched
  ResetSystemColors();
  EXPECT_EQ(ColorToHtml(kClWindowText), "#000000");
  // Stored files hold the Windows integers.
  EXPECT_EQ(kClWindowText, static_cast<TColor>(0x80000008));
  EXPECT_EQ(RgbColor(255, 0, 0), 255);
}

// Refresh workers write colours into entry pages while the UI puts in the palette: every read gives a colour that
// was set, never a mix of an old and a new one (the grey values make a mix visible).
TEST(Colors, ResolvingWhileThePaletteChangesGivesWholeColours) {
  std::atomic<bool> stop{false};
  std::atomic<int> mixed{0};
  std::thread reader([&] {
    while (!stop.load()) {
      const std::string html = ColorToHtml(kClWindowText);
      if (html.size() != 7 || html.substr(1, 2) != html.substr(3, 2) || html.substr(1, 2) != html.substr(5, 2)) {
        ++mixed;
      }
    }
  });
  for (int i = 0; i < 20000; ++i) {
    SetSystemColorValue(TSystemColor::WindowText, RgbColor(i & 0xFF, i & 0xFF, i & 0xFF));
  }
  stop.store(true);
  reader.join();
  EXPECT_EQ(mixed.load(), 0);
  EXPECT_EQ(ColorToHtml(kClWindowText), "#1F1F1F");  // the last value set: 19999 & 0xFF
  ResetSystemColors();
}

}  // namespace
}  // namespace tidewick
