#include "lang/lang_text.h"

#include <algorithm>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "support/table_file.h"
#include "support/temp_dir.h"
#include "util/strings.h"

namespace tidewick {
namespace {

using test::DataPath;
using test::TempDir;

// Every test starts and ends with the built-in German texts.
class LangText : public ::testing::Test {
 protected:
  void SetUp() override { LoadLanguageFile(""); }
  void TearDown() override { LoadLanguageFile(""); }

  void LoadText(const std::string& bytes) {
    const std::string path = m_dir.File("Test.lng");
    std::ofstream(path, std::ios::binary) << bytes;
    ASSERT_TRUE(LoadLanguageFile(path));
  }

 private:
  TempDir m_dir;
};

TEST(ExpandLangText, ReplacesInTheFixedOrder) {
  test::CheckTableFile("lang/expand_lang_text.tsv", 2, [](const std::vector<std::string>& in) {
    std::string params = in[1] == "(none)" ? std::string(kNoParams) : in[1];
    if (in[1] != "(none)") {
      std::replace(params.begin(), params.end(), '|', kParamSeparator);
    }
    return ExpandLangText(in[0], params);
  });
}

TEST_F(LangText, ReadsTheSampleFile) {
  ASSERT_TRUE(LoadLanguageFile(DataPath("lang/Sample.lng")));
  EXPECT_EQ(LanguageEntryCount(), 16u);
  test::CheckTableFile("lang/sample_texts.tsv", 3, [](const std::vector<std::string>& in) {
    std::string params = in[2] == "(none)" ? std::string(kNoParams) : in[2];
    std::replace(params.begin(), params.end(), '|', kParamSeparator);
    return GetLangText(in[0], in[1], params);
  });
}

TEST_F(LangText, AnswersFromTheLoadedText) {
  test::CheckTableFile("lang/loaded_text.tsv", 2, [this](const std::vector<std::string>& in) {
    LoadText(in[0]);
    return GetLangText(in[1], "d", "T");
  });
}

TEST_F(LangText, StrayBytesAreReadAsWindows1252) {
  ASSERT_TRUE(LoadLanguageFile(DataPath("lang/Legacy1252.lng")));
  EXPECT_EQ(LanguageEntryCount(), 5u);
  EXPECT_EQ(GetLangText("Main|Umlaut", "x"), "Größe ändern");
  EXPECT_EQ(GetLangText("Main|Quote", "x"), "\u201Cquoted\u201D \u20AC 5");
  // Valid UTF-8 stays as it is beside the stray byte.
  EXPECT_EQ(GetLangText("Main|Mixed", "x"), "UTF-8 ü and 1252 ü");
  EXPECT_EQ(GetLangText("Main|Last", "x"), "no line end");
}

TEST_F(LangText, MissingFileOrFolderEmptiesTheTable) {
  for (const char* name : {"lang/NoSuchLanguage.lng", "lang"}) {
    LoadText("Main|A=a\n");
    EXPECT_FALSE(LoadLanguageFile(DataPath(name))) << name;
    EXPECT_EQ(LanguageEntryCount(), 0u) << name;
    EXPECT_EQ(GetLangText("Main|A", "Vorgabe"), "Vorgabe") << name;
  }
}

TEST_F(LangText, ReloadReplacesEveryEntry) {
  LoadText("Main|A=first file\nMain|B=only here\n");
  LoadText("Main|A=second file\n");
  EXPECT_EQ(GetLangText("Main|A", "x"), "second file");
  EXPECT_EQ(GetLangText("Main|B", "Vorgabe"), "Vorgabe");
}

}  // namespace
}  // namespace tidewick
