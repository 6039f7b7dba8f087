#include "feeds/store_scanner.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "support/table_file.h"

namespace tidewick {
namespace {

std::string EightTimes(const std::string& text) {
  const std::string four = text + text + text + text;
  return four + four;  // beyond the short-string room, where sizing shows
}

// Values are kept for the whole run, so they are sized exactly (no room left over from the references).
TEST(StoreDecodeValue, ResolvesTheWritersFourReferencesIntoAnExactlySizedValue) {
  test::CheckTableFile("feeds/store_values_decoded.tsv", 1, [](const std::vector<std::string>& in) -> std::string {
    const std::string document = "<Title>" + EightTimes(in[0]) + "</Title>";
    TTagScanner scanner(document);
    const std::string value = DecodeValue(scanner.NextNodeTag());
    if (value.capacity() > std::max(value.size(), std::string().capacity())) {
      return "(oversized)";
    }
    const std::string one = value.substr(0, value.size() / 8);
    return value == EightTimes(one) ? one : "(copies differ) " + value;
  });
}

}  // namespace
}  // namespace tidewick
