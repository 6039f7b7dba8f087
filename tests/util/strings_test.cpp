#include "util/strings.h"

#include <gtest/gtest.h>
#include <string>
#include <tuple>
#include <vector>

#include "platform/paths.h"
#include "support/env_guard.h"

namespace tidewick {
namespace {

const std::string kOne(1, kParamSeparator);

TEST(Strings, GetTokenCutsTheTextIntoNumberedFields) {
  const std::tuple<std::string, std::string, int, std::string> cases[] = {
      {"a;;c", ";", 3, "c"},     {"a;;c", ";", 2, ""},  {"", ";", 1, ""},      {"x=1=2", "=", 1, "x"},
      {"x=1=2", "=", 2, "1"},    {"x=1=2", "=", 4, ""}, {"a;b", ";", 0, ""},   {"a;b", ";", -1, ""},
      {"a::b::c", "::", 3, "c"}, {"a;b;", ";", 3, ""},  {"abc", "", 1, "abc"}, {"aBc", "b", 2, ""},
      {"ä|ö", "|", 2, "ö"}};
  for (const auto& [text, separator, index, expected] : cases)
    EXPECT_EQ(GetToken(text, separator, index), expected) << text << " " << index;
}

TEST(Strings, CountOccurrencesCountsOverlapsAndIsCaseSensitive) {
  EXPECT_EQ(CountOccurrences("aaa", "aa"), 2);
  EXPECT_EQ(CountOccurrences("a" + kOne + "b" + kOne + "c", kOne), 2);
  EXPECT_EQ(CountOccurrences("ABA", "a"), 0);
  EXPECT_EQ(CountOccurrences("abc", ""), 0);
}

// Characters are counted whole, multi-byte ones are never split, and no count or start ever fails.
TEST(Strings, SlicesCountCharactersAndNeverFail) {
  struct Case {
    std::string text;
    int start;  // MidStr only
    int count;
    std::string left, mid, right;
  };
  const Case cases[] = {
      {"abcdef", 2, 3, "abc", "bcd", "def"}, {"abc", -5, 1, "a", "a", "c"},      {"abc", 2, 10, "abc", "bc", "abc"},
      {"abc", 4, 1, "a", "", "c"},           {"abc", 1, -1, "", "", ""},         {"", 1, 3, "", "", ""},
      {"äöü€x", 2, 2, "äö", "öü", "€x"},     {"日本語", 3, 1, "日", "語", "語"}, {"a😀b", 2, 1, "a", "😀", "b"}};
  for (const Case& c : cases) {
    EXPECT_EQ(LeftStr(c.text, c.count), c.left) << c.text;
    EXPECT_EQ(MidStr(c.text, c.start, c.count), c.mid) << c.text;
    EXPECT_EQ(RightStr(c.text, c.count), c.right) << c.text;
    EXPECT_EQ(MidStr(c.text, c.start), MidStr(c.text, c.start, 1000)) << c.text;  // no count: to the end
  }
}

TEST(Strings, ReplaceAllReplacesEveryOccurrenceLeftToRight) {
  EXPECT_EQ(ReplaceAll("aaa", "aa", "b"), "ba");
  EXPECT_EQ(ReplaceAll("abab", "ab", "abab"), "abababab");  // the new text is not searched again
  EXPECT_EQ(ReplaceAll("Abc", "a", "x"), "Abc");
  EXPECT_EQ(ReplaceAll("abc", "", "x"), "abc");
}

TEST(Strings, SplitToListKeepsInnerEmptyFieldsButNoTrailingOne) {
  const std::pair<std::string, std::vector<std::string>> cases[] = {
      {"a|b|", {"a", "b"}}, {"a||b", {"a", "", "b"}}, {"", {""}}, {"|", {""}}, {"|a", {"", "a"}}, {"abc", {"abc"}}};
  for (const auto& [text, expected] : cases) {
    std::vector<std::string> list{"left", "over"};
    SplitToList(list, text, "|");
    EXPECT_EQ(list, expected) << text;
  }
  EXPECT_EQ(SplitToList("a\r\nb\r\n", "\r\n"), (std::vector<std::string>{"a", "b"}));
}

TEST(Strings, SplitLinesAcceptsEveryLineBreak) {
  EXPECT_EQ(SplitLines("a\r\nb\nc\rd\r\n"), (std::vector<std::string>{"a", "b", "c", "d"}));
  EXPECT_EQ(SplitLines("a\r\n\r\nb"), (std::vector<std::string>{"a", "", "b"}));
  EXPECT_TRUE(SplitLines("").empty());
}

TEST(Strings, SplitCommandLineReadsQuotedAndPlainParameters) {
  const std::tuple<std::string, bool, std::vector<std::string>> cases[] = {
      {"\"C:\\Program Files\\Tidewick.exe\" /MIN http://example.org/feed",
       false,
       {"C:\\Program Files\\Tidewick.exe", "/MIN", "http://example.org/feed"}},
      {"\"C:\\Program Files\\Tidewick.exe\" /MIN", true, {"/MIN"}},
      {"   a    b   ", false, {"a", "b"}},
      {"", false, {}},
      {"only", true, {}},
      {"\"a\"b\" c", false, {"a\"b", "c"}},
      {"\"unterminated arg", false, {"unterminated arg"}},
      {"\"\" x", false, {"", "x"}},
      {"\"feed://example.org/rss\" ", false, {"feed://example.org/rss"}},
  };
  for (const auto& [line, dropFirst, expected] : cases) {
    EXPECT_EQ(SplitCommandLineToList(line, dropFirst), expected) << line;
    std::string joined;
    for (size_t i = 0; i < expected.size(); ++i)
      joined += (i > 0 ? kOne : "") + expected[i];
    EXPECT_EQ(SplitCommandLine(line, dropFirst), joined) << line;
  }
}

TEST(Strings, UrlEncodeKeepsOnlyAsciiLettersAndDigits) {
  EXPECT_EQ(UrlEncode("ABCxyz019"), "ABCxyz019");
  EXPECT_EQ(UrlEncode("a b&c.d-_~"), "a%20b%26c%2Ed%2D%5F%7E");
  EXPECT_EQ(UrlEncode("ä"), "%C3%A4");  // the UTF-8 bytes
}

TEST(Strings, TrimRemovesBlanksAndControlCharactersAtBothEnds) {
  EXPECT_EQ(Trim(" \t\r\n a b \r\n"), "a b");
  EXPECT_EQ(Trim("   "), "");
  EXPECT_EQ(Trim(" ä "), "ä");
}

TEST(Strings, HasSwitchAcceptsSlashDashAndDoubleDashIgnoringCase) {
  const std::pair<const char*, bool> cases[] = {{"/min", true},   {"-MIN", true},      {"--min", true},
                                                {"min", false},   {"/minimal", false}, {"---min", false},
                                                {"//min", false}, {"", false}};
  for (const auto& [param, expected] : cases)
    EXPECT_EQ(HasSwitch(std::vector<std::string>{"http://example.org", param}, "MIN"), expected) << param;
  EXPECT_FALSE(HasSwitch(std::vector<std::string>{"/min"}, "MIN", true));
  EXPECT_TRUE(HasSwitch(std::vector<std::string>{"/MIN"}, "MIN", true));
}

TEST(Strings, HasSwitchReadsTheProgramsOwnCommandLine) {
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
  EXPECT_EQ(ExpandEnvVars("%%"), "%%");
  EXPECT_EQ(ExpandEnvVars("  %TIDEWICK_TEST_FOLDER%  "), "/home/anna");
  // One separator is appended on request.
  EXPECT_EQ(ExpandEnvVars("%TIDEWICK_TEST_FOLDER%", true), "/home/anna/");
  EXPECT_EQ(ExpandEnvVars("/tmp/", true), "/tmp/");
  EXPECT_EQ(ExpandEnvVars("", true), "");
}

}  // namespace
}  // namespace tidewick
