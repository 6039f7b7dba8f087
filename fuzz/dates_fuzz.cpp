// Feeds arbitrary text to the date parser: no input may read out of bounds, throw, or give an impossible value.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "fuzz_check.h"
#include "util/dates.h"

using tidewick::fuzz::Check;

namespace {

void CheckDate(tidewick::TDateTime value, int zoneOffset) {
  using namespace tidewick;
  Check(std::abs(zoneOffset) < 24 * 60);
  if (value == kNoDate) {
    Check(zoneOffset == 0);
    return;
  }
  const TDateTimeParts parts = DecodeDateTime(value);
  Check(parts.Year >= 1 && parts.Year <= 9999);
  Check(EncodeDateTime(parts.Year, parts.Month, parts.Day, parts.Hour, parts.Minute, parts.Second).has_value());
  const int64_t seconds = DateTimeToUnixSeconds(value);
  if (seconds != 0) {
    Check(std::fabs(UnixSecondsToDateTime(seconds) - value) < 1.0 / 86400);
  }
  Check(DateTimeToIso8601(value).size() == 20);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tidewick;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  for (const std::string_view kind : {"U", "C"}) {
    int zoneOffset = 0;
    const TDateTime value = ParseFeedDate(text, zoneOffset, kind);
    CheckDate(value, zoneOffset);
  }
  Check(std::abs(ZoneOffsetFromText(text)) < 24 * 60);
  return 0;
}
