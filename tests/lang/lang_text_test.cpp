#include "lang/lang_text.h"

#include <fstream>
#include <gtest/gtest.h>
#include <string>

#include "support/temp_dir.h"

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

struct TExpandCase {
  const char* Name;
  std::string Text;
  std::string Params;
  std::string Expected;
};

class ExpandLangTextCases : public ::testing::TestWithParam<TExpandCase> {};

TEST_P(ExpandLangTextCases, ReplacesInTheFixedOrder) {
  EXPECT_EQ(ExpandLangText(GetParam().Text, GetParam().Params), GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(
    LangText, ExpandLangTextCases,
    ::testing::Values(TExpandCase{"EveryOccurrence", "%s1%-%s1%", "x", "x-x"},
                      TExpandCase{"MissingParamStays", "%s1%-%s2%-%s3%", JoinLangParams({"a", "b"}), "a-b-%s3%"},
                      TExpandCase{"ExtraParamsIgnored", "%s1%", JoinLangParams({"a", "b", "c"}), "a"},
                      TExpandCase{"EmptyParamsIsOneEmptyValue", "[%s1%]", "", "[]"},
                      TExpandCase{"MarkerLeavesPlaceholders", "[%s1%]", std::string(kNoParams), "[%s1%]"},
                      TExpandCase{"ProtectedPercentWithoutParams", "$%$s1%", std::string(kNoParams), "%s1%"},
                      TExpandCase{"ProtectedPercentWithParams", "$%$s1% %s1%", "v", "%s1% v"},
                      TExpandCase{"ProtectedPercentBeforeEscape", "100$%$w%", std::string(kNoParams), "100%w%"},
                      TExpandCase{"LineEscapes", "a%r%b%n%c%w%d%t%e", std::string(kNoParams), "a\rb\nc\r\nd\te"},
                      TExpandCase{"EscapesAreCaseSensitive", "%W%%S1%", "x", "%W%%S1%"},
                      TExpandCase{"ParamHoldingLaterPlaceholder", "%s1%|%s2%", JoinLangParams({"<%s2%>", "b"}),
                                  "<b>|b"},
                      TExpandCase{"ParamHoldingEarlierPlaceholderStays", "%s2%", JoinLangParams({"a", "%s1%"}), "%s1%"},
                      TExpandCase{"ParamHoldingLineEscape", "[%s1%]", "one%w%two", "[one\r\ntwo]"},
                      TExpandCase{"ParamHoldingProtectedPercentStays", "%s1%", "50$%$", "50$%$"},
                      TExpandCase{"TenthParamNotTakenForFirst", "%s1%/%s10%",
                                  JoinLangParams({"1", "2", "3", "4", "5", "6", "7", "8", "9", "10"}), "1/10"},
                      TExpandCase{"StrayCode1BecomesPercent", "a\1b", std::string(kNoParams), "a%b"},
                      TExpandCase{"EscapeFromGluedText", "%%n%%", std::string(kNoParams), "%\n%"}),
    [](const ::testing::TestParamInfo<TExpandCase>& info) { return std::string(info.param.Name); });

TEST_F(LangText, ReadsTheSampleFile) {
  ASSERT_TRUE(LoadLanguageFile(DataPath("lang/Sample.lng")));
  EXPECT_EQ(LanguageEntryCount(), 16u);
  EXPECT_EQ(GetLangText("Lang|Language", "Deutsch"), "Sample");
  // Blanks around "=": the name is trimmed, the value keeps its leading blank.
  EXPECT_EQ(GetLangText("Main|mnuFile", "&Datei"), " &Datei");
  // Keys compare ignoring case, on both sides; tabs around a line are trimmed.
  EXPECT_EQ(GetLangText("main|MNUFILE", "x"), " &Datei");
  EXPECT_EQ(GetLangText("Main|mnuFeed", "x"), "&Feeds");
  EXPECT_EQ(GetLangText("Main|Formula", "x"), "a=b=c");
  EXPECT_EQ(GetLangText("Main|Twice", "x"), "first");
  EXPECT_EQ(GetLangText("Main|Umlaut", "x"), "Größe ändern");
  EXPECT_EQ(GetLangText("Main|Message", "x", JoinLangParams({"A", "B"})),
            "Der Ordner \"A\" heißt jetzt \"B\".\r\nFertig.");
  EXPECT_EQ(GetLangText("Main|Percent", "x", "7"), "100% von 7");
  // An empty value gives the default and hides later duplicates; comments and lines without "=" answer nothing.
  EXPECT_EQ(GetLangText("Main|Empty", "Vorgabe %s1%", "1"), "Vorgabe 1");
  EXPECT_EQ(GetLangText("Main|sbMainReady", "Bereit."), "Bereit.");
  EXPECT_EQ(GetLangText("Main|NoEquals", "Vorgabe"), "Vorgabe");
  EXPECT_EQ(GetLangText("", "Vorgabe"), "Vorgabe");
}

struct TLoadCase {
  const char* Name;
  std::string File;
  std::string Key;
  std::string Expected;  // "d": the default
};

class LangTextLoadCases : public LangText, public ::testing::WithParamInterface<TLoadCase> {};

TEST_P(LangTextLoadCases, AnswersFromTheLoadedText) {
  LoadText(GetParam().File);
  EXPECT_EQ(GetLangText(GetParam().Key, "d", "T"), GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(
    LangText, LangTextLoadCases,
    ::testing::Values(TLoadCase{"KeyIsNotTrimmed", "Main|A=a\n", " Main|A", "d"},
                      TLoadCase{"UnicodeCaseFolding", "Main|Größe=ja\n", "MAIN|GRÖSSE", "ja"},
                      TLoadCase{"ControlsTrimmed", "\r\n\x01Main|A=a\x02\r\n  \t \r\nMain|B=b\r\r\n", "Main|B", "b"},
                      TLoadCase{"ControlsTrimmedFirstLine", "\r\n\x01Main|A=a\x02\r\n", "Main|A", "a"},
                      TLoadCase{"LeadingValueBlankKept", "Main|A=  two blanks  \n", "Main|A", "  two blanks"},
                      TLoadCase{"EmptyFile", "", "Main|A", "d"},
                      TLoadCase{"ByteOrderMarkIsNoPartOfTheKey", "\xEF\xBB\xBFMain|A=a\n", "Main|A", "a"},
                      TLoadCase{"TranslationTakesPlaceholders", "Main|A=&About %s1%\n", "Main|A", "&About T"}),
    [](const ::testing::TestParamInfo<TLoadCase>& info) { return std::string(info.param.Name); });

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
