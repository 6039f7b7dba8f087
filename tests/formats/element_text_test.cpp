#include "formats/element_text.h"

#include <gtest/gtest.h>
#include <optional>
#include <string>

namespace tidewick {
namespace {

TEST(DecodeBase64Text, DecodesTextAndRefusesWhatIsNoBase64) {
  struct TCase {
    const char* Text;
    std::optional<std::string> Expected;
  };
  const TCase cases[] = {
      {"SGVsbG8=", "Hello"},
      {"SGVsbG8", "Hello"},  // padding left out
      {"SGVs\r\n  bG8h", "Hello!"},
      {"R3LDtsOfZQ==", "Größe"},
      {"Y2Fm6Q==", "café"},  // Latin-1 bytes, read as Windows-1252
      {"", ""},
      {"SGVsbG8=SGVs", std::nullopt},  // digits after the padding
      {"SGVs*bG8=", std::nullopt},
      {"SGVsb", std::nullopt},  // one digit cannot make a byte
      {"Not base64!", std::nullopt},
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(DecodeBase64Text(c.Text), c.Expected) << c.Text;
  }
}

TEST(MarkupText, KeepsTheTextOfAllTheMarkup) {
  struct TCase {
    const char* Markup;
    const char* Expected;
  };
  const TCase cases[] = {
      {"Before <b>bold</b> after", "Before bold after"},
      {"\n  <div xmlns=\"x\">\n    One\n    <em>two</em>\n  </div>\n", "One two"},
      {"A &amp;amp; B &#233; &lt;c&gt;", "A &amp; B \xC3\xA9 <c>"},  // references decoded once, as in values
      {"<![CDATA[<raw> &amp;]]> text", "<raw> &amp; text"},
      {"x<!-- <b>not</b> -->y", "xy"},
      {"cut <b", "cut"},
      {"<br/>", ""},
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(MarkupText(c.Markup, false), c.Expected) << c.Markup;
  }
  EXPECT_EQ(MarkupText("&eacute;", true), "\xC3\xA9");  // a Latin-1 document knows the Latin-1 names
}

}  // namespace
}  // namespace tidewick
