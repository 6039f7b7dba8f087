#include "entries/html_sanitizer.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "entries/html_bounds.h"
#include "support/table_file.h"

namespace tidewick {
namespace {

// Ordinary feed markup stays; every way to run script or leave the page goes, in any letter case or encoding.
TEST(HtmlSanitizer, KeepsFeedMarkupAndDropsActiveContent) {
  test::CheckTableFile("entries/html_sanitizer.tsv", 1,
                       [](const std::vector<std::string>& in) { return SanitizeHtml(in[0]); });
}

TEST(HtmlSanitizer, NestingStaysWellFormedWithinBounds) {
  std::string open;
  std::string close;
  for (int i = 0; i < THtmlBounds{}.MaxDepth / 2; ++i) {
    open += "<div><span>";
    close += "</span></div>";
  }
  EXPECT_EQ(SanitizeHtml(open + open + "deep"), open + "deep" + close);
  // Regression: misnested formatting made the parser copy elements without end (56 KB took 30 s and gigabytes).
  std::string misnested = "<p>";
  for (int i = 0; i < 500; ++i) {
    misnested += "<b class=c" + std::to_string(i) + ">";
  }
  for (int i = 0; i < 500; ++i) {
    misnested += "<p>x";
  }
  EXPECT_LT(SanitizeHtml(misnested).size(), misnested.size());
}

// Regression: 40,000 nested elements kept the parser busy for 15 seconds.
TEST(HtmlSanitizer, KeepsAbsurdlyNestedFragmentsAsPlainText) {
  std::string html;
  for (int i = 0; i < 20000; ++i)
    html += "<div><span>";
  html += "deep & <script>x()</script>";
  const std::string cleaned = SanitizeHtml(html);
  EXPECT_TRUE(cleaned.starts_with("<pre>")) << cleaned.substr(0, 40);
  EXPECT_NE(cleaned.find("deep &amp; "), std::string::npos);
  EXPECT_EQ(cleaned.find("<script"), std::string::npos);
}

}  // namespace
}  // namespace tidewick
