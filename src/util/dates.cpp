// Reading the date texts of feed documents: RFC 822, ISO 8601, month-first and fixed-position forms.

#include "util/dates.h"

#include <algorithm>
#include <array>
#include <string>

#include "util/case_fold.h"
#include "util/strings.h"

namespace tidewick {

namespace {

struct TParsed {
  TDateTime Value = kNoDate;
  int ZoneOffset = 0;
};

constexpr std::array<std::string_view, 12> kMonthNames = {"january",   "february", "march",    "april",
                                                          "may",       "june",     "july",     "august",
                                                          "september", "october",  "november", "december"};

bool IsBlank(char c) {
  return static_cast<unsigned char>(c) <= ' ';
}

// A non-empty run of at most nine digits; -1 for anything else.
int ParseDigits(std::string_view text) {
  if (text.empty() || text.size() > 9) {
    return -1;
  }
  int value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') {
      return -1;
    }
    value = value * 10 + (c - '0');
  }
  return value;
}

int ParseInRange(std::string_view text, int low, int high) {
  const int value = ParseDigits(text);
  return value >= low && value <= high ? value : -1;
}

// The next blank-separated word of `rest`, which then starts after it.
std::string_view NextWord(std::string_view& rest) {
  rest = TrimView(rest);
  std::size_t end = 0;
  while (end < rest.size() && !IsBlank(rest[end])) {
    ++end;
  }
  const std::string_view word = rest.substr(0, end);
  rest.remove_prefix(end);
  return word;
}

// 1-12 for a lower-case month abbreviation ("dec") or, when `fullNames`, a full English name; else 0.
int MonthFromName(std::string_view name, bool fullNames) {
  for (std::size_t i = 0; i < kMonthNames.size(); ++i) {
    if (name == kMonthNames[i].substr(0, 3) || (fullNames && name == kMonthNames[i])) {
      return static_cast<int>(i) + 1;
    }
  }
  return 0;
}

// Four-digit years, and the two- and three-digit years of RFC 2822 (00-49 are 20xx, 50-999 add 1900).
int ParseRfcYear(std::string_view text) {
  const int value = ParseDigits(text);
  if (value < 0) {
    return -1;
  }
  switch (text.size()) {
    case 2:
      return value < 50 ? 2000 + value : 1900 + value;
    case 3:
      return 1900 + value;
    case 4:
      return value >= 1000 ? value : -1;
    default:
      return -1;
  }
}

struct TClock {
  int Hour = 0;
  int Minute = 0;
  int Second = 0;
};

// "hh:mm:ss" or "hh:mm".
bool ParseClock(std::string_view word, TClock& clock) {
  const std::size_t first = word.find(':');
  if (first == std::string_view::npos) {
    return false;
  }
  const std::string_view afterHour = word.substr(first + 1);
  const std::size_t second = afterHour.find(':');
  clock.Hour = ParseInRange(word.substr(0, first), 0, 23);
  clock.Minute = ParseInRange(afterHour.substr(0, second), 0, 59);
  clock.Second = second == std::string_view::npos ? 0 : ParseInRange(afterHour.substr(second + 1), 0, 59);
  return clock.Hour >= 0 && clock.Minute >= 0 && clock.Second >= 0;
}

TDateTime Compose(int year, int month, int day, const TClock& clock) {
  return EncodeDateTime(year, month, day, clock.Hour, clock.Minute, clock.Second).value_or(kNoDate);
}

// "Tue, 05 Dec 2006 22:30:00 +0100": weekday optional, seconds optional, full month names and RFC 2822 years
// accepted; a date without a time is midnight.
TParsed ParseRfc822(std::string_view text) {
  const std::string lower = LowerAscii(TrimView(text));
  std::string_view rest = lower;
  std::string_view probe = rest;
  if (ParseDigits(NextWord(probe)) < 0) {
    rest = probe;  // the weekday, with its comma
  }
  const int day = ParseInRange(NextWord(rest), 1, 31);
  const int month = MonthFromName(NextWord(rest), true);
  const int year = ParseRfcYear(NextWord(rest));
  if (day < 0 || month == 0 || year < 0) {
    return {};
  }
  TClock clock;
  const std::string_view timeWord = NextWord(rest);
  if (!timeWord.empty() && !ParseClock(timeWord, clock)) {
    return {};
  }
  const TDateTime value = Compose(year, month, day, clock);
  return value == kNoDate ? TParsed{} : TParsed{value, ZoneOffsetFromText(rest)};
}

// The zone after an ISO 8601 time: "Z", "+01:00", "+0100", "+01", or a name.
int IsoZoneOffset(std::string_view zone) {
  zone = TrimView(zone);
  if (zone.size() == 3 && (zone[0] == '+' || zone[0] == '-')) {
    const int hours = ParseInRange(zone.substr(1), 0, 23);
    return hours < 0 ? 0 : (zone[0] == '-' ? -hours * 60 : hours * 60);
  }
  return ZoneOffsetFromText(zone);
}

// "2006-12-05T22:30:00+01:00", "2006-12-05T22:30:00.25Z", "2006-12-05T22:30Z", "2006-12-05".
TParsed ParseIso8601(std::string_view text) {
  const std::string_view trimmed = TrimView(text);
  if (trimmed.size() < 10 || trimmed[4] != '-' || trimmed[7] != '-') {
    return {};
  }
  const int year = ParseInRange(trimmed.substr(0, 4), 1, 9999);
  const int month = ParseInRange(trimmed.substr(5, 2), 1, 12);
  const int day = ParseInRange(trimmed.substr(8, 2), 1, 31);
  if (year < 0 || month < 0 || day < 0) {
    return {};
  }
  TClock clock;
  std::string_view zone;
  if (trimmed.size() > 10) {
    if (trimmed.size() < 16 || (trimmed[10] != 'T' && trimmed[10] != 't') || trimmed[13] != ':') {
      return {};
    }
    clock.Hour = ParseInRange(trimmed.substr(11, 2), 0, 23);
    clock.Minute = ParseInRange(trimmed.substr(14, 2), 0, 59);
    zone = trimmed.substr(16);
    if (!zone.empty() && zone.front() == ':') {
      clock.Second = zone.size() >= 3 ? ParseInRange(zone.substr(1, 2), 0, 59) : -1;
      zone = zone.size() >= 3 ? zone.substr(3) : std::string_view{};
    }
    if (clock.Hour < 0 || clock.Minute < 0 || clock.Second < 0) {
      return {};
    }
    if (!zone.empty() && (zone.front() == '.' || zone.front() == ',')) {
      zone.remove_prefix(1);
      while (!zone.empty() && zone.front() >= '0' && zone.front() <= '9') {
        zone.remove_prefix(1);  // fractions of a second are dropped
      }
    }
  }
  const TDateTime value = Compose(year, month, day, clock);
  return value == kNoDate ? TParsed{} : TParsed{value, IsoZoneOffset(zone)};
}

// "Dec 5, 2006 10:30 PM", "December 05, 2006 22:30:15": no zone is read.
TParsed ParseMonthFirst(std::string_view text) {
  std::string_view rest = TrimView(text);
  const std::string_view monthWord = NextWord(rest);
  const int month = monthWord.size() >= 3 ? MonthFromName(LowerAscii(monthWord.substr(0, 3)), false) : 0;
  const std::size_t comma = rest.find(", ");
  if (month == 0 || comma == std::string_view::npos) {
    return {};
  }
  const int day = ParseInRange(TrimView(rest.substr(0, comma)), 1, 31);
  rest.remove_prefix(comma + 2);
  const int year = ParseInRange(NextWord(rest), 1, 9999);
  if (day < 0 || year < 0) {
    return {};
  }
  TClock clock;
  rest = TrimView(rest);
  if (!rest.empty()) {
    const std::size_t colon = rest.find(':');
    if (colon == std::string_view::npos) {
      return {};
    }
    clock.Hour = ParseInRange(TrimView(rest.substr(0, colon)), 0, 23);
    rest.remove_prefix(colon + 1);
    std::string_view minuteWord = NextWord(rest);
    const std::size_t secondColon = minuteWord.find(':');
    if (secondColon != std::string_view::npos) {
      // A second that is not a number counts as 0.
      clock.Second = std::max(ParseInRange(minuteWord.substr(secondColon + 1), 0, 59), 0);
      minuteWord = minuteWord.substr(0, secondColon);
    }
    clock.Minute = ParseInRange(minuteWord, 0, 59);
    if (clock.Hour < 0 || clock.Minute < 0) {
      return {};
    }
    const std::string marker = LowerAscii(NextWord(rest));
    if (marker == "pm" && clock.Hour < 12) {
      clock.Hour += 12;
    } else if (marker == "am" && clock.Hour == 12) {
      clock.Hour = 0;  // 12:10 AM is ten past midnight
    }
  }
  return {Compose(year, month, day, clock), 0};
}

// Last resort: year, month, day, hour, minute and second at fixed positions ("2006-12-05 22:30:00",
// "2006/12/05"); separators are not looked at, and a missing or bad time part counts as 0.
TParsed ParseFixedPosition(std::string_view text) {
  if (text.size() < 10) {
    return {};
  }
  const auto part = [text](std::size_t pos, std::size_t count) {
    return pos < text.size() ? text.substr(pos, count) : std::string_view{};
  };
  const int year = ParseInRange(part(0, 4), 1, 9999);
  const int month = ParseInRange(part(5, 2), 1, 12);
  const int day = ParseInRange(part(8, 2), 1, 31);
  if (year < 0 || month < 0 || day < 0) {
    return {};
  }
  TClock clock;
  clock.Hour = std::max(ParseInRange(part(11, 2), 0, 23), 0);
  clock.Minute = std::max(ParseInRange(part(14, 2), 0, 59), 0);
  clock.Second = std::max(ParseInRange(part(17, 2), 0, 59), 0);
  return {Compose(year, month, day, clock), 0};
}

}  // namespace

TDateTime ParseFeedDate(std::string_view text, int& zoneOffset, std::string_view kind) {
  // The form the element calls for comes first; the other one still rescues dates written in the wrong form.
  const bool isoFirst = kind == "C";
  TParsed parsed = isoFirst ? ParseIso8601(text) : ParseRfc822(text);
  if (parsed.Value == kNoDate) {
    parsed = isoFirst ? ParseRfc822(text) : ParseIso8601(text);
  }
  if (parsed.Value == kNoDate) {
    parsed = ParseMonthFirst(text);
  }
  if (parsed.Value == kNoDate) {
    parsed = ParseFixedPosition(text);
  }
  zoneOffset = parsed.Value == kNoDate ? 0 : parsed.ZoneOffset;
  return parsed.Value;
}

TDateTime ParseFeedDate(std::string_view text, std::string_view kind) {
  int zoneOffset = 0;
  const TDateTime value = ParseFeedDate(text, zoneOffset, kind);
  return value == kNoDate ? kNoDate : value - zoneOffset / 1440.0;
}

}  // namespace tidewick
