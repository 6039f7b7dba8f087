#include <cmath>
#include <gtest/gtest.h>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "support/env_guard.h"
#include "support/table_file.h"
#include "util/dates.h"

namespace tidewick {
namespace {

constexpr double kOneSecond = 1.0 / 86400;

TDateTime Date(int year, int month, int day, int hour = 0, int minute = 0, int second = 0) {
  return EncodeDateTime(year, month, day, hour, minute, second).value();
}

TEST(EncodeDateTime, CountsDaysRefusesEveryPartOutOfRangeAndConverts) {
  test::CheckTableFile("util/date_values.tsv", 2, [](const std::vector<std::string>& in) -> std::string {
    std::istringstream text(in[1]);
    int parts[7] = {0, 0, 0, 0, 0, 0, 0};
    for (int& part : parts) {
      text >> part;
    }
    const std::optional<TDateTime> value =
        EncodeDateTime(parts[0], parts[1], parts[2], parts[3], parts[4], parts[5], parts[6]);
    if (!value) {
      return "(invalid)";
    }
    std::ostringstream days;
    days << *value;
    return in[0] == "days"   ? days.str()
           : in[0] == "unix" ? std::to_string(DateTimeToUnixSeconds(*value))
                             : DateTimeToIso8601(*value);
  });
}

TEST(DecodeDateTime, GivesTheCalendarPartsBack) {
  const TDateTimeParts parts = DecodeDateTime(EncodeDateTime(2006, 12, 5, 22, 30, 15, 250).value());
  EXPECT_EQ(
      (std::vector{parts.Year, parts.Month, parts.Day, parts.Hour, parts.Minute, parts.Second, parts.Millisecond}),
      (std::vector{2006, 12, 5, 22, 30, 15, 250}));
  const TDateTimeParts early = DecodeDateTime(-0.75);
  EXPECT_EQ(early.Day, 29);
  EXPECT_EQ(early.Hour, 6);
  EXPECT_EQ(DecodeDateTime(std::nan("")).Year, 0);
}

TEST(UnixSeconds, ZeroMeansNoDateBothWaysAndValuesRoundToTheNearestSecond) {
  EXPECT_EQ(DateTimeToUnixSeconds(kNoDate), 0);
  EXPECT_EQ(UnixSecondsToDateTime(0), kNoDate);
  EXPECT_EQ(DateTimeToIso8601(kNoDate), "");
  // Rounded to the nearest second.
  EXPECT_EQ(DateTimeToUnixSeconds(25569.0 + 1.4 * kOneSecond), 1);
  EXPECT_EQ(DateTimeToUnixSeconds(25569.0 + 1.6 * kOneSecond), 2);
  EXPECT_EQ(DateTimeToUnixSeconds(std::nan("")), 0);
}

TEST(UnixSeconds, DatesBefore1970AndAfter2038SurviveARoundTrip) {
  for (const TDateTime value : {Date(1960, 6, 1, 12), Date(1901, 1, 1), Date(2039, 1, 1, 3, 14, 7),
                                Date(2106, 2, 7, 6, 28, 16), Date(2500, 12, 31, 23, 59, 59)}) {
    const int64_t seconds = DateTimeToUnixSeconds(value);
    EXPECT_NEAR(UnixSecondsToDateTime(seconds), value, kOneSecond / 100) << DateTimeToIso8601(value);
  }
}

TEST(UtcToLocal, AppliesTheOffsetOfThatDate) {
  test::CheckTableFile("util/local_times.tsv", 2, [](const std::vector<std::string>& in) {
    test::EnvGuard zone("TZ", in[0]);
    const TDateTimeParts local = DecodeDateTime(UtcToLocal(Date(2006, std::stoi(in[1]), 5, 12, 30)));
    return std::to_string(local.Hour) + ":" + (local.Minute < 10 ? "0" : "") + std::to_string(local.Minute);
  });
}

TEST(UtcToLocal, KeepsNoDateAndCrossesMidnight) {
  test::EnvGuard zone("TZ", std::string("EST5EDT,M3.2.0,M11.1.0"));
  EXPECT_EQ(UtcToLocal(kNoDate), kNoDate);
  EXPECT_EQ(DateTimeToIso8601(UtcToLocal(Date(2006, 12, 6, 2))), "2006-12-05T21:00:00Z");
  // Far outside the 32-bit range of seconds.
  EXPECT_EQ(DateTimeToIso8601(UtcToLocal(Date(2200, 1, 1, 12))), "2200-01-01T07:00:00Z");
}

}  // namespace
}  // namespace tidewick
