// tidewick-feed run as a program: exit codes, the JSON schema, standard input and the language option.

#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <nlohmann/json.hpp>
#include <string>
#include <sys/wait.h>

#include "support/temp_dir.h"

namespace tidewick {
namespace {

struct TRun {
  int Status = -1;
  std::string Out;
  std::string Err;
};

std::string Quoted(const std::string& text) {
  std::string quoted = "'";
  for (const char c : text) {
    quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  }
  return quoted + "'";
}

std::string ReadAll(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// Runs tidewick-feed with the given (already quoted) arguments.
TRun RunTool(const std::string& arguments) {
  test::TempDir dir;
  const std::string command =
      Quoted(TIDEWICK_FEED_TOOL) + " " + arguments + " >" + Quoted(dir.File("out")) + " 2>" + Quoted(dir.File("err"));
  const int raw = std::system(command.c_str());
  TRun run;
  run.Status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  run.Out = ReadAll(dir.File("out"));
  run.Err = ReadAll(dir.File("err"));
  return run;
}

std::string Fixture(const std::string& name) {
  return Quoted(test::DataPath("formats/" + name));
}

TEST(TidewickFeedParse, PrintsTheSchemaAndExitsZero) {
  const TRun run = RunTool("parse " + Fixture("golden/rss20_full.xml"));
  ASSERT_EQ(run.Status, 0) << run.Err;
  const nlohmann::json json = nlohmann::json::parse(run.Out);
  EXPECT_EQ(json["ok"], true);
  EXPECT_EQ(json["FeedType"], "RSS/2.0");
  const nlohmann::json& info = json["Info"];
  for (const char* key : {"Title", "Link", "Description", "Copyright", "Language", "PublishedDate", "LastBuildDate",
                          "TTL", "ImageTitle", "ImageURL", "ImageLink", "ImageWidth", "ImageHeight"}) {
    EXPECT_TRUE(info.contains(key)) << key;
  }
  EXPECT_EQ(info.size(), 13u);
  EXPECT_EQ(info["Title"], "Harbour & Tide News");
  EXPECT_EQ(info["PublishedDate"], "2006-12-05T21:30:00Z");
  EXPECT_EQ(info["TTL"], 30);
  ASSERT_EQ(json["Items"].size(), 4u);
  const nlohmann::json& item = json["Items"][0];
  EXPECT_EQ(item.size(), 7u);
  EXPECT_EQ(item["Title"], "Spring tideexpected onFriday");
  EXPECT_EQ(item["PublishedDate"], "2006-12-07T14:00:00Z");
  EXPECT_EQ(item["Readed"], false);
  EXPECT_EQ(item["Visited"], false);
  EXPECT_EQ(json["Items"][1]["Description"], "<p>The content stands alone.</p>");
}

TEST(TidewickFeedParse, MissingDatesAreNull) {
  const TRun run = RunTool("parse " + Fixture("golden/atom10.xml"));
  ASSERT_EQ(run.Status, 0) << run.Err;
  const nlohmann::json json = nlohmann::json::parse(run.Out);
  EXPECT_TRUE(json["Info"]["LastBuildDate"].is_null());
  EXPECT_TRUE(json["Items"][2]["PublishedDate"].is_null());  // "not a date"
}

TEST(TidewickFeedParse, UnrecognisedDocumentExitsOne) {
  const TRun run = RunTool("parse " + Fixture("golden/rss_no_version.xml"));
  EXPECT_EQ(run.Status, 1);
  const nlohmann::json json = nlohmann::json::parse(run.Out);
  EXPECT_EQ(json["ok"], false);
  EXPECT_EQ(json["FeedType"], "");
  EXPECT_TRUE(json["Items"].empty());
}

TEST(TidewickFeedParse, ReadsStandardInput) {
  const TRun run = RunTool("parse - <" + Fixture("golden/smf.xml"));
  ASSERT_EQ(run.Status, 0) << run.Err;
  const nlohmann::json json = nlohmann::json::parse(run.Out);
  EXPECT_EQ(json["FeedType"], "SMF");
  EXPECT_EQ(json["Items"][0]["Author"], "Old Salt");
}

TEST(TidewickFeedParse, LanguageFileTranslatesPlaceholders) {
  const TRun german = RunTool("parse " + Fixture("golden/rss_channel_only.xml"));
  ASSERT_EQ(german.Status, 0) << german.Err;
  EXPECT_EQ(nlohmann::json::parse(german.Out)["Info"]["Title"], "Unbenannter Feed");
  const TRun english = RunTool("parse " + Fixture("golden/rss092.xml") + " --lang " + Fixture("english.lng"));
  ASSERT_EQ(english.Status, 0) << english.Err;
  EXPECT_EQ(nlohmann::json::parse(english.Out)["Items"][0]["Title"], "(no title)");
  const TRun first = RunTool("parse --lang " + Fixture("english.lng") + " " + Fixture("golden/rss_channel_only.xml"));
  ASSERT_EQ(first.Status, 0) << first.Err;
  EXPECT_EQ(nlohmann::json::parse(first.Out)["Info"]["Title"], "Untitled feed");
}

struct TUsageCase {
  const char* Name;
  std::string Arguments;
};

class TidewickFeedUsage : public testing::TestWithParam<TUsageCase> {};

TEST_P(TidewickFeedUsage, ExitsTwoWithAMessage) {
  const TRun run = RunTool(GetParam().Arguments);
  EXPECT_EQ(run.Status, 2);
  EXPECT_FALSE(run.Err.empty());
  EXPECT_TRUE(run.Out.empty()) << run.Out;
}

INSTANTIATE_TEST_SUITE_P(Cases, TidewickFeedUsage,
                         testing::Values(TUsageCase{"NoCommand", ""}, TUsageCase{"UnknownCommand", "digest x"},
                                         TUsageCase{"NoFile", "parse"}, TUsageCase{"TwoFiles", "parse a b"},
                                         TUsageCase{"MissingFile", "parse /nonexistent/feed.xml"},
                                         TUsageCase{"Folder", "parse " + Quoted(TIDEWICK_TEST_DATA_DIR)},
                                         TUsageCase{"LangWithoutFile", "parse - --lang"},
                                         TUsageCase{"MissingLanguageFile", "parse - --lang /nonexistent/English.lng"},
                                         TUsageCase{"UnknownOption", "parse --verbose"}),
                         [](const testing::TestParamInfo<TUsageCase>& info) { return info.param.Name; });

}  // namespace
}  // namespace tidewick
