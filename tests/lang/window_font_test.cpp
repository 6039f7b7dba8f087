#include "lang/window_font.h"

#include <gtest/gtest.h>
#include <string>

#include "lang/lang_text.h"
#include "support/temp_dir.h"

namespace tidewick {
namespace {

struct TCharsetCase {
  std::string Name;
  int Expected;
};

class CharsetFromNameCases : public ::testing::TestWithParam<TCharsetCase> {};

TEST_P(CharsetFromNameCases, GivesTheWindowsNumber) {
  EXPECT_EQ(CharsetFromName(GetParam().Name), GetParam().Expected) << GetParam().Name;
}

INSTANTIATE_TEST_SUITE_P(WindowFont, CharsetFromNameCases,
                         ::testing::Values(TCharsetCase{"ANSI", 0}, TCharsetCase{"MAC", 77},
                                           TCharsetCase{"CHINESEBIG5", 136}, TCharsetCase{"EASTEUROPE", 238},
                                           TCharsetCase{"OEM", 255},
                                           // Trimmed and compared ignoring case; anything else is DEFAULT.
                                           TCharsetCase{"  russian\t", 204}, TCharsetCase{"", 1},
                                           TCharsetCase{"EAST EUROPE", 1}, TCharsetCase{"ANSI_CHARSET", 1}));

struct TSizeCase {
  std::string Text;
  int Expected;
};

class FontSizeCases : public ::testing::TestWithParam<TSizeCase> {};

TEST_P(FontSizeCases, ReadsAWholeNumberOrFallsBackToEight) {
  EXPECT_EQ(FontSizeFromText(GetParam().Text), GetParam().Expected) << "'" << GetParam().Text << "'";
}

INSTANTIATE_TEST_SUITE_P(WindowFont, FontSizeCases,
                         ::testing::Values(TSizeCase{"12", 12}, TSizeCase{" 10 ", 10}, TSizeCase{"+9", 9},
                                           TSizeCase{"", 8}, TSizeCase{"abc", 8}, TSizeCase{"10pt", 8},
                                           TSizeCase{"9.5", 8}, TSizeCase{"0", 8}, TSizeCase{"-11", 8},
                                           TSizeCase{"99999999999", 8}));

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
