#pragma once

// Feed dates: parsing the date texts of feed documents, the current time, local time for display and the
// Unix-seconds form of the feed store.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tidewick {

// Days since 1899-12-30 00:00, the fraction being the time of day (linear also before that day). Every stored
// date is UTC; 0 means "no date".
using TDateTime = double;

inline constexpr TDateTime kNoDate = 0.0;
// Days between 1899-12-30 and 1970-01-01.
inline constexpr int kUnixEpochDays = 25569;

// Wall-clock time written in `text` and the zone offset (minutes east of UTC) that the text names.
// `kind` "C" tries the ISO 8601 form first (dc:date, Atom dates); any other kind the RFC 822 form (pubDate).
// Then the month-first and the fixed-position forms. No form fits: returns 0 and sets zoneOffset to 0.
// UTC is result - zoneOffset / 1440.0. Never throws; a day the month does not have gives 0.
TDateTime ParseFeedDate(std::string_view text, int& zoneOffset, std::string_view kind);

// The same, already moved to UTC (0 when nothing fits).
TDateTime ParseFeedDate(std::string_view text, std::string_view kind = "U");

// Minutes east of UTC for a zone designation: "+0100", "-05:00", "CEST", "(CEST)", "bst" (-180).
// Unknown names, "GMT", "UTC", "Z" and empty text give 0.
int ZoneOffsetFromText(std::string_view text);

// Current UTC time, milliseconds included.
TDateTime NowUtc();

// Local time for display, with the offset (daylight saving included) in force at that date in the process's
// time zone (TZ). 0 stays 0.
TDateTime UtcToLocal(TDateTime utc);

// Whole seconds since 1970-01-01 UTC (rounded, halves to even); 0 for no date. 64-bit: any year survives.
int64_t DateTimeToUnixSeconds(TDateTime value);
// 0 gives 0 (no date); negative counts are before 1970.
TDateTime UnixSecondsToDateTime(int64_t seconds);

// "2006-12-05T21:30:00Z" (UTC, whole seconds); empty for 0.
std::string DateTimeToIso8601(TDateTime value);

// Calendar parts of a date value.
struct TDateTimeParts {
  int Year = 0;
  int Month = 0;   // 1-12
  int Day = 0;     // 1-31
  int Hour = 0;    // 0-23
  int Minute = 0;  // 0-59
  int Second = 0;  // 0-59
  int Millisecond = 0;
};

// The date value of a calendar date and time; nullopt when a part is out of range or the month lacks the day.
std::optional<TDateTime> EncodeDateTime(int year, int month, int day, int hour = 0, int minute = 0, int second = 0,
                                        int millisecond = 0);
// Calendar parts of a value (rounded to the millisecond).
TDateTimeParts DecodeDateTime(TDateTime value);

}  // namespace tidewick
