#include "util/strings.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "platform/paths.h"
#include "support/env_guard.h"

namespace tidewick {
namespace {

const std::string kOne(1, kParamSeparator);

struct TTokenCase {
  std::string Text;
  std::string Separator;
  int Index;
  std::string Expected;
};

class GetTokenTable : public testing::TestWithParam<TTokenCase> {};

TEST_P(GetTokenTable, CutsTheTextIntoNumberedFields) {
  const TTokenCase& c = GetParam();
  EXPECT_EQ(GetToken(c.Text, c.Separator, c.Index), c.Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Strings, GetTokenTable,
    testing::Values(TTokenCase{"a;b;c", ";", 2, "b"}, TTokenCase{"a;;c", ";", 3, "c"}, TTokenCase{"a;;c", ";", 2, ""},
                    TTokenCase{"", ";", 1, ""}, TTokenCase{"x=1=2", "=", 1, "x"}, TTokenCase{"x=1=2", "=", 2, "1"},
                    TTokenCase{"x=1=2", "=", 3, "2"}, TTokenCase{"x=1=2", "=", 4, ""}, TTokenCase{"a;b", ";", 0, ""},
                    TTokenCase{"a;b", ";", -1, ""}, TTokenCase{"a::b::c", "::", 3, "c"}, TTokenCase{"a;b;", ";", 3, ""},
                    TTokenCase{"abc", "", 1, "abc"}, TTokenCase{"aBc", "b", 2, ""}, TTokenCase{"ä|ö", "|", 2, "ö"}));

TEST(Strings, CountOccurrencesCountsOverlapsAndIsCaseSensitive) {
  EXPECT_EQ(CountOccurrences("aaa", "aa"), 2);
  EXPECT_EQ(CountOccurrences("a" + kOne + "b" + kOne + "c", kOne), 2);
  EXPECT_EQ(CountOccurrences("a", "ab"), 0);
  EXPECT_EQ(CountOccurrences("ABA", "a"), 0);
  EXPECT_EQ(CountOccurrences("", "a"), 0);
  EXPECT_EQ(CountOccurrences("abc", ""), 0);
}

struct TSliceCase {
  std::string Text;
  int Start;  // MidStr only
  int Count;
  std::string Left;
  std::string Mid;
  std::string Right;
};

class SliceTable : public testing::TestWithParam<TSliceCase> {};

TEST_P(SliceTable, CountsCharactersAndNeverFails) {
  const TSliceCase& c = GetParam();
  EXPECT_EQ(LeftStr(c.Text, c.Count), c.Left);
  EXPECT_EQ(MidStr(c.Text, c.Start, c.Count), c.Mid);
  EXPECT_EQ(RightStr(c.Text, c.Count), c.Right);
  // Without a count MidStr runs to the end.
  EXPECT_EQ(MidStr(c.Text, c.Start), MidStr(c.Text, c.Start, 1000));
}

INSTANTIATE_TEST_SUITE_P(
    Strings, SliceTable,
    testing::Values(TSliceCase{"abcdef", 2, 3, "abc", "bcd", "def"}, TSliceCase{"abc", 0, 2, "ab", "ab", "bc"},
                    TSliceCase{"abc", -5, 1, "a", "a", "c"}, TSliceCase{"abc", 2, 10, "abc", "bc", "abc"},
                    TSliceCase{"abc", 4, 1, "a", "", "c"}, TSliceCase{"abc", 1, -1, "", "", ""},
                    TSliceCase{"abc", 1, 0, "", "", ""}, TSliceCase{"", 1, 3, "", "", ""},
                    // Multi-byte characters are counted whole and never split.
                    TSliceCase{"äöü€x", 2, 2, "äö", "öü", "€x"}, TSliceCase{"日本語", 3, 1, "日", "語", "語"},
                    TSliceCase{"a😀b", 2, 1, "a", "😀", "b"}));

TEST(Strings, ReplaceAllReplacesEveryOccurrenceLeftToRight) {
  EXPECT_EQ(ReplaceAll("a.b.c", ".", "::"), "a::b::c");
  EXPECT_EQ(ReplaceAll("aaa", "aa", "b"), "ba");
  EXPECT_EQ(ReplaceAll("abab", "ab", "abab"), "abababab");  // the new text is not searched again
  EXPECT_EQ(ReplaceAll("Abc", "a", "x"), "Abc");
  EXPECT_EQ(ReplaceAll("abc", "", "x"), "abc");
  EXPECT_EQ(ReplaceAll("", "a", "x"), "");
}

struct TSplitCase {
  std::string Text;
  std::string Separator;
  std::vector<std::string> Expected;
};

class SplitToListTable : public testing::TestWithParam<TSplitCase> {};

TEST_P(SplitToListTable, KeepsInnerEmptyFieldsButNoTrailingOne) {
  const TSplitCase& c = GetParam();
  std::vector<std::string> list{"left", "over"};
  SplitToList(list, c.Text, c.Separator);
  EXPECT_EQ(list, c.Expected);
}

INSTANTIATE_TEST_SUITE_P(Strings, SplitToListTable,
                         testing::Values(TSplitCase{"a|b|", "|", {"a", "b"}}, TSplitCase{"a||b", "|", {"a", "", "b"}},
                                         TSplitCase{"", "|", {""}}, TSplitCase{"|", "|", {""}},
                                         TSplitCase{"|a", "|", {"", "a"}}, TSplitCase{"a\r\nb\r\n", "\r\n", {"a", "b"}},
                                         TSplitCase{"abc", "|", {"abc"}}));

TEST(Strings, SplitLinesAcceptsEveryLineBreak) {
  EXPECT_EQ(SplitLines("a\r\nb\nc\rd"), (std::vector<std::string>{"a", "b", "c", "d"}));
  EXPECT_EQ(SplitLines("one\r\ntwo\r\n"), (std::vector<std::string>{"one", "two"}));
  EXPECT_EQ(SplitLines("a\r\n\r\nb"), (std::vector<std::string>{"a", "", "b"}));
  EXPECT_TRUE(SplitLines("").empty());
}

struct TCommandLineCase {
  std::string Line;
  bool DropFirst;
  std::vector<std::string> Expected;
};

class SplitCommandLineTable : public testing::TestWithParam<TCommandLineCase> {};

TEST_P(SplitCommandLineTable, ReadsQuotedAndPlainParameters) {
  const TCommandLineCase& c = GetParam();
  EXPECT_EQ(SplitCommandLineToList(c.Line, c.DropFirst), c.Expected);
  std::string joined;
  for (size_t i = 0; i < c.Expected.size(); ++i) {
    joined += (i > 0 ? kOne : "") + c.Expected[i];
  }
  EXPECT_EQ(SplitCommandLine(c.Line, c.DropFirst), joined);
}

INSTANTIATE_TEST_SUITE_P(
    Strings, SplitCommandLineTable,
    testing::Values(TCommandLineCase{"\"C:\\Program Files\\Tidewick.exe\" /MIN http://example.org/feed",
                                     false,
                                     {"C:\\Program Files\\Tidewick.exe", "/MIN", "http://example.org/feed"}},
                    TCommandLineCase{"\"C:\\Program Files\\Tidewick.exe\" /MIN", true, {"/MIN"}},
                    TCommandLineCase{"   a    b   ", false, {"a", "b"}}, TCommandLineCase{"", false, {}},
                    TCommandLineCase{"only", true, {}}, TCommandLineCase{"\"a\"b\" c", false, {"a\"b", "c"}},
                    TCommandLineCase{"\"unterminated arg", false, {"unterminated arg"}},
                    TCommandLineCase{"\"\" x", false, {"", "x"}},
                    TCommandLineCase{"\"feed://example.org/rss\" ", false, {"feed://example.org/rss"}}));

TEST(Strings, UrlEncodeKeepsOnlyAsciiLettersAndDigits) {
  EXPECT_EQ(UrlEncode("ABCxyz019"), "ABCxyz019");
  EXPECT_EQ(UrlEncode("a b&c.d"), "a%20b%26c%2Ed");
  EXPECT_EQ(UrlEncode("ä"), "%C3%A4");  // the UTF-8 bytes
  EXPECT_EQ(UrlEncode("-_~"), "%2D%5F%7E");
  EXPECT_EQ(UrlEncode(""), "");
}

TEST(Strings, TrimRemovesBlanksAndControlCharactersAtBothEnds) {
  EXPECT_EQ(Trim(" \t\r\n a b \r\n"), "a b");
  EXPECT_EQ(Trim("   "), "");
  EXPECT_EQ(Trim(" ä "), "ä");
}

struct TSwitchCase {
  std::string Param;
  bool Expected;
};

class HasSwitchTable : public testing::TestWithParam<TSwitchCase> {};

TEST_P(HasSwitchTable, AcceptsSlashDashAndDoubleDashIgnoringCase) {
  EXPECT_EQ(HasSwitch(std::vector<std::string>{"http://example.org", GetParam().Param}, "MIN"), GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(Strings, HasSwitchTable,
                         testing::Values(TSwitchCase{"/min", true}, TSwitchCase{"-MIN", true},
                                         TSwitchCase{"--min", true}, TSwitchCase{"min", false},
                                         TSwitchCase{"/minimal", false}, TSwitchCase{"---min", false},
                                         TSwitchCase{"//min", false}, TSwitchCase{"", false}));

TEST(Strings, HasSwitchComparesCaseOnRequestAndReadsTheProgramsOwnCommandLine) {
  EXPECT_FALSE(HasSwitch(std::vector<std::string>{"/min"}, "MIN", true));
  EXPECT_TRUE(HasSwitch(std::vector<std::string>{"/MIN"}, "MIN", true));
  const char* argv[] = {"tidewick", "--AppData", "feed://example.org"};
  SetCommandLineArgs(3, argv);
  EXPECT_TRUE(HasSwitch("APPDATA"));
  EXPECT_FALSE(HasSwitch("MIN"));
  SetCommandLineArgs({});
  EXPECT_FALSE(HasSwitch("APPDATA"));
}

TEST(Strings, ExpandEnvVarsExpandsKnownNamesKeepsUnknownOnesAndCanAppendASeparator) {
  const test::EnvGuard known("TIDEWICK_TEST_FOLDER", "/home/anna");
  const test::EnvGuard unknown("TIDEWICK_TEST_UNSET", std::nullopt);
  EXPECT_EQ(ExpandEnvVars("%TIDEWICK_TEST_FOLDER%/Tidewick"), "/home/anna/Tidewick");
  EXPECT_EQ(ExpandEnvVars("%TIDEWICK_TEST_UNSET%/x"), "%TIDEWICK_TEST_UNSET%/x");
  EXPECT_EQ(ExpandEnvVars("100% of %TIDEWICK_TEST_FOLDER%"), "100% of /home/anna");
  EXPECT_EQ(ExpandEnvVars("50%"), "50%");
  EXPECT_EQ(ExpandEnvVars("%%"), "%%");
  EXPECT_EQ(ExpandEnvVars("  %TIDEWICK_TEST_FOLDER%  "), "/home/anna");
  // One separator is appended on request.
  EXPECT_EQ(ExpandEnvVars("%TIDEWICK_TEST_FOLDER%", true), "/home/anna/");
  EXPECT_EQ(ExpandEnvVars("/tmp/", true), "/tmp/");
  EXPECT_EQ(ExpandEnvVars("", true), "");
}

}  // namespace
}  // namespace tidewick
