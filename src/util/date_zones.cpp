// Zone designations of feed dates: numeric offsets and the names feed authors write.

#include <string>
#include <string_view>

#include "util/dates.h"
#include "util/strings.h"

namespace tidewick {

namespace {

struct TZoneName {
  std::string_view Name;
  int Offset;  // minutes east of UTC
};

// Where a name is ambiguous ("bst", "gst", "nst", "hst") the western zone wins, as in older readers.
constexpr TZoneName kZoneNames[] = {
    {"cet", 60},    {"met", 60},    {"mez", 60},   {"mewt", 60},   {"swt", 60},    {"fwt", 60},   {"cest", 120},
    {"eet", 120},   {"mesz", 120},  {"mest", 120}, {"usz1", 120},  {"fst", 120},   {"ba.t", 180}, {"bt", 180},
    {"usz2", 180},  {"it", 210},    {"usz3", 240}, {"usz4", 300},  {"ist", 330},   {"usz5", 360}, {"sst", 420},
    {"wast", 420},  {"jt", 450},    {"cct", 480},  {"usz7", 480},  {"wst", 480},   {"wadt", 480}, {"west", 480},
    {"kst", 540},   {"usz8", 540},  {"jst", 540},  {"sast", 570},  {"aest", 600},  {"usz9", 600}, {"jdt", 600},
    {"east", 600},  {"cadt", 630},  {"sadt", 630}, {"usz10", 660}, {"aedt", 660},  {"nzt", 720},  {"nzst", 720},
    {"idle", 720},  {"nzdt", 780},  {"wat", -60},  {"at", -120},   {"adt", -180},  {"bst", -180}, {"gst", -180},
    {"bzt2", -180}, {"nst", -210},  {"ast", -240}, {"edt", -240},  {"ewt", -240},  {"est", -300}, {"cdt", -300},
    {"cwt", -300},  {"cst", -360},  {"mdt", -360}, {"mwt", -360},  {"mst", -420},  {"pwt", -420}, {"pdt", -420},
    {"ahdt", -480}, {"pst", -480},  {"yst", -540}, {"hdt", -540},  {"ahst", -600}, {"hst", -600}, {"bdt", -600},
    {"cat", -600},  {"be.t", -660}, {"nt", -660},  {"idl", -720},  {"idlw", -720},
};

int TwoDigits(char high, char low) {
  if (high < '0' || high > '9' || low < '0' || low > '9') {
    return -1;
  }
  return (high - '0') * 10 + (low - '0');
}

// "+hhmm" or "+hh:mm", anything after it ignored ("+0100 (CET)").
int NumericOffset(std::string_view text) {
  std::string digits(text.substr(0, 6));
  if (digits.size() >= 4 && digits[3] == ':') {
    digits.erase(3, 1);
  }
  if (digits.size() < 5) {
    return 0;
  }
  const int hours = TwoDigits(digits[1], digits[2]);
  const int minutes = TwoDigits(digits[3], digits[4]);
  // Out-of-range parts would shift the date by days; such a zone counts as UTC.
  if (hours < 0 || hours > 23 || minutes < 0 || minutes > 59) {
    return 0;
  }
  const int offset = hours * 60 + minutes;
  return text.front() == '-' ? -offset : offset;
}

}  // namespace

int ZoneOffsetFromText(std::string_view text) {
  const std::string_view trimmed = TrimView(text);
  if (trimmed.size() < 3) {
    return 0;
  }
  if (trimmed.front() == '+' || trimmed.front() == '-') {
    return trimmed.size() < 5 ? 0 : NumericOffset(trimmed);
  }
  std::string_view name = trimmed;
  if (name.front() == '(') {
    name.remove_prefix(1);
  }
  name = name.substr(0, name.find(')'));
  if (name.size() > 5) {
    return 0;
  }
  std::string lower(name);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') {
      c = static_cast<char>(c - 'A' + 'a');
    }
  }
  for (const TZoneName& zone : kZoneNames) {
    if (zone.Name == lower) {
      return zone.Offset;
    }
  }
  return 0;
}

}  // namespace tidewick
