#include "util/strings.h"

#include <gtest/gtest.h>
#include <string>
#include <tuple>
#include <vector>

#include "platform/paths.h"
#include "support/env_guard.h"
#include "support/table_file.h"

namespace tidewick {
namespace {

const std::string kOne(1, kParamSeparator);

// Fields, slices that count whole characters and never fail, replacing, counting, encoding and trimming.
TEST(Strings, CutAndChangeTextAsTheTableSays) {
  test::CheckTableFile("util/strings.tsv", 4, [](const std::vector<std::string>& in) -> std::string {
    const std::string& text = in[1];
    if (in[0] == "token") {
      return GetToken(text, in[2], std::stoi(in[3]));
    }
    if (in[0] == "slice") {
      const int start = std::stoi(in[2]);
      const int count = std::stoi(in[3]);
      EXPECT_EQ(MidStr(text, start), MidStr(text, start, 1000)) << text;  // no count: to the end
      return LeftStr(text, count) + "\t" + MidStr(text, start, count) + "\t" + RightStr(text, count);
    }
    if (in[0] == "count") {
      return std::to_string(CountOccurrences(text, in[2]));
    }
    if (in[0] == "replace") {
      return ReplaceAll(text, in[2], in[3]);
    }
    return in[0] == "urlencode" ? UrlEncode(text) : Trim(text);
  });
}

TEST(Strings, SplitToListKeepsInnerEmptyFieldsButNoTrailingOneAndSplitLinesAnyBreak) {
  const std::pair<std::string, std::vector<std::string>> cases[] = {
      {"a|b|", {"a", "b"}}, {"a||b", {"a", "", "b"}}, {"", {""}}, {"|", {""}}, {"|a", {"", "a"}}, {"abc", {"abc"}}};
  for (const auto& [text, expected] : cases) {
    std::vector<std::string> list{"left", "over"};
    SplitToList(list, text, "|");
    EXPECT_EQ(list, expected) << text;
  }
  EXPECT_EQ(SplitToList("a\r\nb\r\n", "\r\n"), (std::vector<std::string>{"a", "b"}));
  // Lines end at any line break.
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
