// Date values: calendar conversion, the current time, local time and the Unix-seconds form.

#include <time.h>

#include <chrono>
#include <cmath>
#include <cstdio>

#include "util/dates.h"

namespace tidewick {

namespace {

constexpr int64_t kSecondsPerDay = 86400;
constexpr int64_t kMillisecondsPerDay = kSecondsPerDay * 1000;
// Values beyond this many days from 1899-12-30 lie outside the years 1-9999 by a wide margin; they are not dates.
constexpr double kMaxDays = 4.0e6;

// Days from 1970-01-01 to a proleptic Gregorian date (Howard Hinnant's days_from_civil).
int64_t DaysFromCivil(int64_t year, int month, int day) {
  year -= month <= 2 ? 1 : 0;
  const int64_t era = (year >= 0 ? year : year - 399) / 400;
  const int64_t yearOfEra = year - era * 400;
  const int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

void CivilFromDays(int64_t days, TDateTimeParts& parts) {
  days += 719468;
  const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const int64_t dayOfEra = days - era * 146097;
  const int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const int64_t monthIndex = (5 * dayOfYear + 2) / 153;
  parts.Day = static_cast<int>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
  parts.Month = static_cast<int>(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
  parts.Year = static_cast<int>(yearOfEra + era * 400 + (parts.Month <= 2 ? 1 : 0));
}

bool IsLeapYear(int year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

int64_t FloorDiv(int64_t value, int64_t divisor) {
  const int64_t quotient = value / divisor;
  return (value % divisor != 0 && (value < 0) != (divisor < 0)) ? quotient - 1 : quotient;
}

bool IsUsable(TDateTime value) {
  return std::isfinite(value) && std::fabs(value) < kMaxDays;
}

// Seconds east of UTC in force at `seconds` since 1970 in the process's time zone.
long LocalOffsetAt(int64_t seconds) {
  const time_t moment = static_cast<time_t>(seconds);
  struct tm local {};
#ifdef _WIN32
  if (localtime_s(&local, &moment) != 0) {
    return 0;
  }
  const time_t asUtc = _mkgmtime(&local);
#else
  tzset();  // localtime_r need not notice a changed TZ on its own
  if (localtime_r(&moment, &local) == nullptr) {
    return 0;
  }
  const time_t asUtc = timegm(&local);
#endif
  return asUtc == static_cast<time_t>(-1) ? 0 : static_cast<long>(asUtc - moment);
}

}  // namespace

std::optional<TDateTime> EncodeDateTime(int year, int month, int day, int hour, int minute, int second,
                                        int millisecond) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month) || hour < 0 ||
      hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 || millisecond < 0 || millisecond > 999) {
    return std::nullopt;
  }
  const int64_t days = DaysFromCivil(year, month, day) + kUnixEpochDays;
  const int64_t milliseconds = ((hour * 60LL + minute) * 60 + second) * 1000 + millisecond;
  return static_cast<double>(days) + static_cast<double>(milliseconds) / kMillisecondsPerDay;
}

TDateTimeParts DecodeDateTime(TDateTime value) {
  TDateTimeParts parts;
  if (!IsUsable(value)) {
    return parts;
  }
  const auto total = static_cast<int64_t>(std::llround(value * kMillisecondsPerDay));
  const int64_t days = FloorDiv(total, kMillisecondsPerDay);
  int64_t rest = total - days * kMillisecondsPerDay;
  CivilFromDays(days - kUnixEpochDays, parts);
  parts.Millisecond = static_cast<int>(rest % 1000);
  rest /= 1000;
  parts.Second = static_cast<int>(rest % 60);
  rest /= 60;
  parts.Minute = static_cast<int>(rest % 60);
  parts.Hour = static_cast<int>(rest / 60);
  return parts;
}

TDateTime NowUtc() {
  const auto sinceEpoch = std::chrono::system_clock::now().time_since_epoch();
  const auto milliseconds = std::chrono::duration_cast<std::chrono::milliseconds>(sinceEpoch).count();
  return static_cast<double>(milliseconds) / kMillisecondsPerDay + kUnixEpochDays;
}

TDateTime UtcToLocal(TDateTime utc) {
  if (utc == kNoDate || !IsUsable(utc)) {
    return utc;
  }
  const auto seconds = static_cast<int64_t>(std::floor((utc - kUnixEpochDays) * kSecondsPerDay));
  return utc + static_cast<double>(LocalOffsetAt(seconds)) / kSecondsPerDay;
}

int64_t DateTimeToUnixSeconds(TDateTime value) {
  if (value == kNoDate || !IsUsable(value)) {
    return 0;
  }
  // nearbyint rounds halves to even in the default rounding mode.
  return static_cast<int64_t>(std::nearbyint((value - kUnixEpochDays) * kSecondsPerDay));
}

TDateTime UnixSecondsToDateTime(int64_t seconds) {
  if (seconds == 0) {
    return kNoDate;
  }
  return static_cast<double>(seconds) / kSecondsPerDay + kUnixEpochDays;
}

std::string DateTimeToIso8601(TDateTime value) {
  if (value == kNoDate || !IsUsable(value)) {
    return {};
  }
  const int64_t seconds = DateTimeToUnixSeconds(value);
  const int64_t days = FloorDiv(seconds, kSecondsPerDay);
  const int64_t secondOfDay = seconds - days * kSecondsPerDay;
  TDateTimeParts parts;
  CivilFromDays(days, parts);
  char buffer[48];
  std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02dT%02d:%02d:%02dZ", parts.Year, parts.Month, parts.Day,
                static_cast<int>(secondOfDay / 3600), static_cast<int>(secondOfDay / 60 % 60),
                static_cast<int>(secondOfDay % 60));
  return buffer;
}

}  // namespace tidewick
