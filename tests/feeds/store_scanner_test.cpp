#include "feeds/store_scanner.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <string>

namespace tidewick {
namespace {

struct TDecodeCase {
  const char* Text;
  const char* Expected;
};

class StoreDecodeValue : public testing::TestWithParam<TDecodeCase> {};

std::string EightTimes(const std::string& text) {
  const std::string four = text + text + text + text;
  return four + four;  // beyond the short-string room, where sizing shows
}

// Values are kept for the whole run, so they are sized exactly (no room left over from the references).
TEST_P(StoreDecodeValue, ResolvesTheWritersFourReferencesIntoAnExactlySizedValue) {
  const std::string document = "<Title>" + EightTimes(GetParam().Text) + "</Title>";
  TTagScanner scanner(document);
  const std::string value = DecodeValue(scanner.NextNodeTag());
  EXPECT_EQ(value, EightTimes(GetParam().Expected));
  EXPECT_LE(value.capacity(), std::max(value.size(), std::string().capacity()));
}

INSTANTIATE_TEST_SUITE_P(Texts, StoreDecodeValue,
                         testing::Values(TDecodeCase{"plain", "plain"}, TDecodeCase{"", ""},
                                         TDecodeCase{"&lt;p class=&quot;x&quot;&gt;Tom &amp; Jerry&lt;/p&gt;",
                                                     "<p class=\"x\">Tom & Jerry</p>"},
                                         TDecodeCase{"a & b &amp &x; &#38; &", "a & b &amp &x; &#38; &"},
                                         TDecodeCase{"&amp;lt;&amp;&amp;", "&lt;&&"}));

}  // namespace
}  // namespace tidewick
