#include "lang/window_font.h"

#include <gtest/gtest.h>
#include <string>
#include <utility>

#include "lang/lang_text.h"
#include "support/temp_dir.h"

namespace tidewick {
namespace {

TEST(WindowFont, CharsetNameGivesTheWindowsNumberElseDefault) {
  // Trimmed and compared ignoring case; anything else is DEFAULT (1).
  const std::pair<std::string, int> cases[] = {
      {"ANSI", 0},          {"MAC", 77}, {"CHINESEBIG5", 136}, {"EASTEUROPE", 238}, {"OEM", 255},
      {"  russian\t", 204}, {"", 1},     {"EAST EUROPE", 1},   {"ANSI_CHARSET", 1}};
  for (const auto& [name, expected] : cases) {
    EXPECT_EQ(CharsetFromName(name), expected) << name;
  }
}

TEST(WindowFont, SizeIsAPositiveWholeNumberElseEight) {
  const std::pair<std::string, int> cases[] = {{"12", 12},  {" 10 ", 10}, {"+9", 9}, {"", 8},    {"abc", 8},
                                               {"10pt", 8}, {"9.5", 8},   {"0", 8},  {"-11", 8}, {"99999999999", 8}};
  for (const auto& [text, expected] : cases) {
    EXPECT_EQ(FontSizeFromText(text), expected) << "'" << text << "'";
  }
}

class WindowFontFromLanguage : public ::testing::Test {
 protected:
  void SetUp() override { LoadLanguageFile(""); }
  void TearDown() override { LoadLanguageFile(""); }
};

TEST_F(WindowFontFromLanguage, TakesTheTripleFromTheFileElseTahoma) {
  EXPECT_EQ(GetWindowFont().Name, "Tahoma");
  ASSERT_TRUE(LoadLanguageFile(test::DataPath("lang/Sample.lng")));
  const TWindowFont font = GetWindowFont();
  EXPECT_EQ(font.Name, "DejaVu Sans");
  EXPECT_EQ(font.Size, 10);
  EXPECT_EQ(font.Charset, 161);
}

}  // namespace
}  // namespace tidewick
