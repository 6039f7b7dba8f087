#include "lang/window_font.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "lang/lang_text.h"
#include "support/table_file.h"
#include "support/temp_dir.h"

namespace tidewick {
namespace {

TEST(WindowFont, CharsetNamesAndSizesAsTheTableSays) {
  test::CheckTableFile("lang/window_font.tsv", 2, [](const std::vector<std::string>& in) {
    return std::to_string(in[0] == "charset" ? CharsetFromName(in[1]) : FontSizeFromText(in[1]));
  });
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
