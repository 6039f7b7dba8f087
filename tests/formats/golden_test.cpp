// Each golden/NAME.xml, read as if downloaded from kGoldenAddress and printed as tidewick-feed prints it ("now" for
// clock dates), must equal NAME.json; entries whose identity earlier readers gave differently also show that
// ("Earlier"). TIDEWICK_UPDATE_GOLDEN=1 writes the expected files instead (review them before committing).

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <string_view>
#include <vector>

#include "formats/feed_test_util.h"
#include "support/temp_dir.h"
#include "tidewick_feed/feed_json.h"

namespace tidewick {
namespace {

std::vector<std::string> GoldenCases() {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(test::DataPath("formats/golden"))) {
    if (entry.path().extension() == ".xml") {
      names.push_back(entry.path().stem().string());
    }
  }
  std::sort(names.begin(), names.end());
  return names;
}

constexpr std::string_view kGoldenAddress = "https://feeds.example.net/golden/feed.xml";

nlohmann::json ActualJson(const std::string& name) {
  const auto result = test::ReadFeedFile("golden/" + name + ".xml", kGoldenAddress);
  nlohmann::json json = FeedToJson(result.Feed, result.Ok);
  if (result.IsNow(result.Feed.Info.PublishedDate)) {
    json["Info"]["PublishedDate"] = "now";
  }
  for (size_t i = 0; i < result.Feed.Entries.size(); ++i) {
    if (result.IsNow(result.Item(i).PublishedDate)) {
      json["Items"][i]["PublishedDate"] = "now";
    }
    if (result.Item(i).HasLegacyIdentity) {
      json["Items"][i]["Earlier"] = {{"Title", result.Item(i).LegacyTitle}, {"Link", result.Item(i).LegacyLink}};
    }
  }
  return json;
}

class GoldenFeeds : public testing::TestWithParam<std::string> {};

TEST_P(GoldenFeeds, MatchExpectedRecord) {
  const std::string expectedPath = test::DataPath("formats/golden/" + GetParam() + ".json");
  const nlohmann::json actual = ActualJson(GetParam());
  if (std::getenv("TIDEWICK_UPDATE_GOLDEN") != nullptr) {
    std::ofstream(expectedPath, std::ios::binary) << DumpJson(actual) << '\n';
    GTEST_SKIP() << "wrote " << expectedPath;
  }
  std::ifstream file(expectedPath, std::ios::binary);
  ASSERT_TRUE(file) << "missing " << expectedPath;
  const nlohmann::json expected = nlohmann::json::parse(file, nullptr, false);
  ASSERT_FALSE(expected.is_discarded()) << expectedPath;
  EXPECT_EQ(actual, expected) << "actual:\n" << DumpJson(actual);
}

INSTANTIATE_TEST_SUITE_P(Files, GoldenFeeds, testing::ValuesIn(GoldenCases()),
                         [](const testing::TestParamInfo<std::string>& info) { return info.param; });

}  // namespace
}  // namespace tidewick
