#include "util/dates.h"

#include <gtest/gtest.h>
#include <string>
#include <string_view>

namespace tidewick {
namespace {

struct TDateCase {
  std::string_view Text;
  std::string_view Kind;
  std::string_view WallClock;  // "" when no form fits
  int ZoneOffset;
};

std::ostream& operator<<(std::ostream& out, const TDateCase& c) {
  return out << '"' << c.Text << "\" kind " << c.Kind;
}

class ParseFeedDateForms : public ::testing::TestWithParam<TDateCase> {};

TEST_P(ParseFeedDateForms, GivesWallClockAndZone) {
  const TDateCase& c = GetParam();
  int zoneOffset = 12345;
  const TDateTime value = ParseFeedDate(c.Text, zoneOffset, c.Kind);
  EXPECT_EQ(DateTimeToIso8601(value), c.WallClock);
  EXPECT_EQ(zoneOffset, c.ZoneOffset);
}

constexpr TDateCase kRfc822Cases[] = {
    {"Tue, 05 Dec 2006 22:30:00 +0100", "U", "2006-12-05T22:30:00Z", 60},
    {"Tue, 05 Dec 2006 22:30:00 GMT", "U", "2006-12-05T22:30:00Z", 0},
    {"Tue, 05 Dec 2006 22:30:00 CEST", "U", "2006-12-05T22:30:00Z", 120},
    {"Tue, 05 Dec 2006 22:30:00 XYZ", "U", "2006-12-05T22:30:00Z", 0},
    {"  tue, 05 DEC 2006 22:30:00 -0500  ", "", "2006-12-05T22:30:00Z", -300},
    {"Tue, 05 Dec 2006 22:30:00", "X", "2006-12-05T22:30:00Z", 0},
    // Times without seconds, full month names, no weekday, no time at all.
    {"Tue, 5 Dec 2006 22:30 GMT", "U", "2006-12-05T22:30:00Z", 0},
    {"Tuesday, 05 December 2006 22:30:00 GMT", "U", "2006-12-05T22:30:00Z", 0},
    {"05 December 2006", "U", "2006-12-05T00:00:00Z", 0},
    {"Tue,  05 Dec  2006   22:30:00 +0100", "U", "2006-12-05T22:30:00Z", 60},
    // RFC 2822 years.
    {"Tue, 05 Dec 06 22:30:00 GMT", "U", "2006-12-05T22:30:00Z", 0},
    {"05 Dec 49 22:30:00 GMT", "U", "2049-12-05T22:30:00Z", 0},
    {"05 Dec 50 22:30:00 GMT", "U", "1950-12-05T22:30:00Z", 0},
    {"05 Dec 106 22:30:00 GMT", "U", "2006-12-05T22:30:00Z", 0},
    // Rejected parts.
    {"Tue, 05 Dec 2006 24:00:00 GMT", "U", "", 0},
    {"Tue, 32 Dec 2006 22:30:00 GMT", "U", "", 0},
    {"Tue, 05 Dez 2006 22:30:00 GMT", "U", "", 0},
    {"Tue, 05 Dec 20060 22:30:00 GMT", "U", "", 0},
    {"Tue, 05 Dec 2006 22h30 GMT", "U", "", 0},
    {"Tue, 05 Dec 2006 GMT", "U", "", 0},
    {"Tue,05 Dec 2006 22:30:00 GMT", "U", "", 0},
};
INSTANTIATE_TEST_SUITE_P(Rfc822, ParseFeedDateForms, ::testing::ValuesIn(kRfc822Cases));

constexpr TDateCase kIso8601Cases[] = {
    {"2006-12-05T22:30:00Z", "C", "2006-12-05T22:30:00Z", 0},
    {"2006-12-05T22:30:00-05:00", "C", "2006-12-05T22:30:00Z", -300},
    {"2006-12-05", "C", "2006-12-05T00:00:00Z", 0},
    {"2006-12-05T22:30:00", "C", "2006-12-05T22:30:00Z", 0},
    {"2006-12-05T22:30:00.25+01:00", "C", "2006-12-05T22:30:00Z", 60},
    {"2006-12-05t22:30:00z", "C", "2006-12-05T22:30:00Z", 0},
    // Basic offsets, hour-only offsets and times without seconds keep their zone.
    {"2006-12-05T22:30:00+0100", "C", "2006-12-05T22:30:00Z", 60},
    {"2006-12-05T22:30:00+01", "C", "2006-12-05T22:30:00Z", 60},
    {"2006-12-05T22:30Z", "C", "2006-12-05T22:30:00Z", 0},
    {"2006-12-05T22:30+05:30", "C", "2006-12-05T22:30:00Z", 330},
    // Partial dates and bad parts; "2006-12-05T2" still reads as 02:00 at fixed positions.
    {"2006-12", "C", "", 0},
    {"2006-13-05T22:30:00Z", "C", "", 0},
    {"0000-12-05", "C", "", 0},
    {"2006-12-32", "C", "", 0},
    {"2006-12-05T25:30:00Z", "C", "2006-12-05T00:30:00Z", 0},
    {"2006-12-05T2", "C", "2006-12-05T02:00:00Z", 0},
    {"2006-12-05T22:30:5", "C", "2006-12-05T22:30:05Z", 0},
    {"2006-12-05T22:30:5+01:00", "C", "2006-12-05T22:30:00Z", 0},
    // Each kind still takes the other primary form, so a mislabelled date keeps its zone.
    {"2006-12-05T22:30:00+01:00", "U", "2006-12-05T22:30:00Z", 60},
    {"Tue, 05 Dec 2006 22:30:00 +0100", "C", "2006-12-05T22:30:00Z", 60},
};
INSTANTIATE_TEST_SUITE_P(Iso8601, ParseFeedDateForms, ::testing::ValuesIn(kIso8601Cases));

constexpr TDateCase kMonthFirstCases[] = {
    {"Dec 5, 2006 10:30:00 PM", "U", "2006-12-05T22:30:00Z", 0},
    {"December 05, 2006 22:30:15", "U", "2006-12-05T22:30:15Z", 0},
    {"Dec 5, 2006 10:30 PM EST", "U", "2006-12-05T22:30:00Z", 0},
    {"Dec 5, 2006 12:10 AM", "U", "2006-12-05T00:10:00Z", 0},
    {"Dec 5, 2006 12:10 PM", "U", "2006-12-05T12:10:00Z", 0},
    {"Dec 5, 2006 10:30:99 PM", "U", "2006-12-05T22:30:00Z", 0},
    {"Dec 5, 2006", "U", "2006-12-05T00:00:00Z", 0},
    {"Dec 5 2006 10:30", "U", "", 0},
    {"Dec 5, 2006 24:30", "U", "", 0},
    {"Dec 5, 2006 10 PM", "U", "", 0},
};
INSTANTIATE_TEST_SUITE_P(MonthFirst, ParseFeedDateForms, ::testing::ValuesIn(kMonthFirstCases));

constexpr TDateCase kFixedPositionCases[] = {
    {"2006-12-05 22:30:00", "U", "2006-12-05T22:30:00Z", 0},
    {"2006/12/05", "U", "2006-12-05T00:00:00Z", 0},
    {"2006.12.05 22:30", "U", "2006-12-05T22:30:00Z", 0},
    {"2006-12-05 22:30:00 +0100", "U", "2006-12-05T22:30:00Z", 0},
    {"2006-12-05 25:61:61", "U", "2006-12-05T00:00:00Z", 0},
    {"2006-12-05 xx:30:yy", "U", "2006-12-05T00:30:00Z", 0},
    {"2006-12-0", "U", "", 0},
    {" 2006/12/05", "U", "", 0},
};
INSTANTIATE_TEST_SUITE_P(FixedPosition, ParseFeedDateForms, ::testing::ValuesIn(kFixedPositionCases));

// A day the month lacks is no date; it must never end the reading of a feed.
constexpr TDateCase kImpossibleDayCases[] = {
    {"Mon, 31 Apr 2006 10:00:00 GMT", "U", "", 0},
    {"Wed, 29 Feb 2023 10:00:00 GMT", "U", "", 0},
    {"2023-02-29T10:00:00Z", "C", "", 0},
    {"2023-02-29 10:00:00", "U", "", 0},
    {"Feb 29, 2023 10:00 AM", "U", "", 0},
    {"1900-02-29", "C", "", 0},
    {"Thu, 29 Feb 2024 10:00:00 GMT", "U", "2024-02-29T10:00:00Z", 0},
    {"2000-02-29", "C", "2000-02-29T00:00:00Z", 0},
};
INSTANTIATE_TEST_SUITE_P(ImpossibleDays, ParseFeedDateForms, ::testing::ValuesIn(kImpossibleDayCases));

constexpr TDateCase kNoDateCases[] = {
    {"", "U", "", 0},  {"   ", "C", "", 0},  {"garbage", "U", "", 0}, {"Tue,", "U", "", 0},   {"12", "U", "", 0},
    {"-", "C", "", 0}, {"::::", "U", "", 0}, {", ", "U", "", 0},      {"Dec , ", "U", "", 0},
};
INSTANTIATE_TEST_SUITE_P(NoDate, ParseFeedDateForms, ::testing::ValuesIn(kNoDateCases));

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
