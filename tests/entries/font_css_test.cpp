#include "entries/font_css.h"

#include <gtest/gtest.h>
#include <utility>

#include "util/colors.h"

namespace tidewick {
namespace {

TEST(FontCssRule, WritesTheSetStylesAndAFaceNameThatCannotEscape) {
  const std::pair<TFontRecord, const char*> cases[] = {
      {{"Tahoma", 8, RgbColor(0x12, 0xAB, 0xFE)}, "  p {font-family:\"Tahoma\";font-size:8pt;color:#12ABFE;}"},
      {{"A", 9, 0, true, true},
       "  p {font-family:\"A\";font-size:9pt;color:#000000;font-weight:bold;font-style:italic;}"},
      {{"A", 9, 0, false, false, true},
       "  p {font-family:\"A\";font-size:9pt;color:#000000;text-decoration:underline;}"},
      {{"A", 9, 0, false, false, false, true},
       "  p {font-family:\"A\";font-size:9pt;color:#000000;text-decoration:line-through;}"},
      {{"A", 9, 0, false, false, true, true},
       "  p {font-family:\"A\";font-size:9pt;color:#000000;text-decoration:underline line-through;}"},
      // A stored face name is text from a file: it must not end the value, the rule or the style element.
      {{"E\"vil;}</style><script>\\\x01\x7F", 9, 0},
       "  p {font-family:\"Evil/stylescript\";font-size:9pt;color:#000000;}"},
  };
  for (const auto& [font, rule] : cases)
    EXPECT_EQ(FontCssRule("p", font), rule) << font.Name;
}

}  // namespace
}  // namespace tidewick
