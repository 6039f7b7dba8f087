#include "formats/element_text.h"

#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>

#include "formats/feed_document.h"
#include "formats/reader_support.h"
#include "support/table_file.h"

namespace tidewick {
namespace {

TEST(CleanText, TrimsDecodesAndMendsLineBreaks) {
  test::CheckTableFile("formats/clean_text.tsv", 2,
                       [](const std::vector<std::string>& in) { return CleanText(in[1], in[0] == "line"); });
}

TEST(ElementText, DecodesBase64MarkupAndNumbersAsTheTableSays) {
  test::CheckTableFile("formats/element_text.tsv", 2, [](const std::vector<std::string>& in) -> std::string {
    if (in[0] == "base64") {
      return DecodeBase64Text(in[1]).value_or("(refused)");
    }
    return in[0] == "markup" ? MarkupText(in[1], false) : std::to_string(ReadDecimal(in[1], -7));
  });
  EXPECT_EQ(MarkupText("&eacute;", true), "\xC3\xA9");  // a Latin-1 document knows the Latin-1 names
}

}  // namespace
}  // namespace tidewick
