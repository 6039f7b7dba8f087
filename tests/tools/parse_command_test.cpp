// tidewick-feed run as a program: exit codes, standard input and the language option. What it prints for a feed is
// the JSON form the golden files pin down.

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <string>

#include "support/program_run.h"
#include "support/temp_dir.h"

namespace tidewick {
namespace {

using TRun = test::TProgramOutput;
using test::ShellQuoted;

// Runs tidewick-feed with the given (already quoted) arguments in a locale: its language follows the environment.
TRun RunTool(const std::string& arguments, const std::string& locale) {
  return test::RunProgram("/usr/bin/env", "LANGUAGE= LC_ALL= LC_MESSAGES= LANG=" + ShellQuoted(locale) + " " +
                                              ShellQuoted(TIDEWICK_FEED_TOOL) + " " + arguments);
}

std::string Fixture(const std::string& name) {
  return ShellQuoted(test::DataPath("formats/" + name));
}

struct TRunCase {
  const char* Name;
  std::string Arguments;
  int Status;
  const char* Pointer;  // into the JSON printed; none: a usage error, with a message and no output
  nlohmann::json Expected;
  const char* Locale = "C.UTF-8";
};

class TidewickFeedRuns : public testing::TestWithParam<TRunCase> {};

TEST_P(TidewickFeedRuns, ExitWithTheirStatus) {
  const TRunCase& c = GetParam();
  const TRun run = RunTool(c.Arguments, c.Locale);
  ASSERT_EQ(run.Status, c.Status) << run.Err;
  if (c.Pointer == nullptr) {
    EXPECT_FALSE(run.Err.empty());
    EXPECT_TRUE(run.Out.empty()) << run.Out;
  } else {
    EXPECT_EQ(nlohmann::json::parse(run.Out).at(nlohmann::json::json_pointer(c.Pointer)), c.Expected);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TidewickFeedRuns,
    testing::Values(TRunCase{"MissingDateIsNull", "parse " + Fixture("golden/atom10.xml"), 0, "/Info/LastBuildDate",
                             nullptr},
                    TRunCase{"UnrecognisedExitsOne", "parse " + Fixture("golden/rss_no_version.xml"), 1, "/ok", false},
                    TRunCase{"StandardInput", "parse - <" + Fixture("golden/smf.xml"), 0, "/FeedType", "SMF"},
                    TRunCase{"EnglishInTheCLocale", "parse " + Fixture("golden/rss_channel_only.xml"), 0, "/Info/Title",
                             "Untitled feed"},
                    TRunCase{"GermanInAGermanLocale", "parse " + Fixture("golden/rss_channel_only.xml"), 0,
                             "/Info/Title", "Unbenannter Feed", "de_CH.UTF-8"},
                    TRunCase{"LanguageOptionFirst",
                             "parse --lang " + Fixture("english.lng") + " " + Fixture("golden/rss_channel_only.xml"), 0,
                             "/Info/Title", "Untitled feed", "de_DE.UTF-8"},
                    TRunCase{"NoCommand", "", 2, nullptr, {}}, TRunCase{"UnknownCommand", "digest x", 2, nullptr, {}},
                    TRunCase{"TwoFiles", "parse a b", 2, nullptr, {}},
                    TRunCase{"MissingFile", "parse /nonexistent/feed.xml", 2, nullptr, {}},
                    TRunCase{"Folder", "parse " + ShellQuoted(TIDEWICK_TEST_DATA_DIR), 2, nullptr, {}},
                    TRunCase{"MissingLanguageFile", "parse - --lang /nonexistent/English.lng", 2, nullptr, {}},
                    TRunCase{"UnknownOption", "parse --verbose", 2, nullptr, {}}),
    [](const testing::TestParamInfo<TRunCase>& info) { return info.param.Name; });

}  // namespace
}  // namespace tidewick
