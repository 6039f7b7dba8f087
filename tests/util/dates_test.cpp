#include "util/dates.h"

#include <gtest/gtest.h>
#include <string>
#include <string_view>
#include <vector>

#include "support/table_file.h"

namespace tidewick {
namespace {

// The forms feeds write dates in, the rejected parts and impossible days: tests/data/util/feed_dates.tsv.
TEST(ParseFeedDate, GivesWallClockAndZoneForEveryForm) {
  test::CheckTableFile("util/feed_dates.tsv", 2, [](const std::vector<std::string>& in) {
    int zoneOffset = 12345;
    const TDateTime value = ParseFeedDate(in[0], zoneOffset, in[1]);
    return DateTimeToIso8601(value) + "\t" + std::to_string(zoneOffset);
  });
}

// Zone names (a sample of the table), their spellings and numeric offsets: tests/data/util/zone_offsets.tsv.
TEST(ZoneOffsetFromText, NamesTheOffsetOfEveryForm) {
  test::CheckTableFile("util/zone_offsets.tsv", 1,
                       [](const std::vector<std::string>& in) { return std::to_string(ZoneOffsetFromText(in[0])); });
}

TEST(ParseFeedDate, ShortFormMovesToUtcAndTextNeedsNoTerminatingNul) {
  EXPECT_EQ(DateTimeToIso8601(ParseFeedDate("Tue, 05 Dec 2006 22:30:00 +0100")), "2006-12-05T21:30:00Z");
  EXPECT_EQ(DateTimeToIso8601(ParseFeedDate("2006-12-05T22:30:00-05:00", "C")), "2006-12-06T03:30:00Z");
  EXPECT_EQ(ParseFeedDate("not a date"), kNoDate);
  const std::string buffer = "2006-12-05T22:30:00+01:00XXXX";
  int zoneOffset = 0;
  const TDateTime value = ParseFeedDate(std::string_view(buffer).substr(0, 25), zoneOffset, "C");
  EXPECT_EQ(DateTimeToIso8601(value), "2006-12-05T22:30:00Z");
  EXPECT_EQ(zoneOffset, 60);
}

}  // namespace
}  // namespace tidewick
