#include "entries/entry_page.h"

#include <gtest/gtest.h>
#include <string>
#include <tuple>
#include <vector>

#include "entries/enclosure_list.h"
#include "support/table_file.h"
#include "util/colors.h"

namespace tidewick {
namespace {

TEST(BuildEntryPage, MatchesTheTemplateByteForByte) {
  TFontRecord tahoma{"Tahoma", 8, RgbColor(0, 0, 0)};
  tahoma.Bold = true;
  EXPECT_EQ(BuildEntryPage(tahoma, "<p>Hi</p>"),
            "<html><head><title></title>\r\n<style type=\"text/css\">\r\n  body {margin:3px;}\r\n"
            "  body {font-family:\"Tahoma\";font-size:8pt;color:#000000;font-weight:bold;}\r\n"
            "</style></head><body><p>Hi</p></body></html>");
}

TEST(EntryPage, SanitizesEveryRuleIgnoringCaseAndEndsEveryLineWithCrLf) {
  test::CheckTableFile("entries/entry_page.tsv", 2, [](const std::vector<std::string>& in) {
    return in[0] == "sanitize" ? SanitizeEntryHtml(in[1]) : EntryDocumentText(in[1]);
  });
}

TEST(LimitEntryContent, CutsHostileContentAtATagBoundary) {
  const TEntryLimits limits{.MaxBytes = 40, .Html = {.MaxDepth = 2}};
  const std::tuple<std::string, std::string, bool> cases[] = {
      {"<table><tr><td>x</td></tr></table>", "<table><tr><td>x</td></tr></table>", false},
      {"<p>" + std::string(50, 'x'), "<p>" + std::string(37, 'x'), true},
      {std::string(36, 'x') + "<img src=\"long-address\">", std::string(36, 'x'), true},
  };
  for (const auto& [content, kept, truncated] : cases) {
    const TLimitedContent limited = LimitEntryContent(content, limits);
    EXPECT_EQ(limited.Text, kept) << content;
    EXPECT_EQ(limited.Truncated, truncated) << content;
  }
  const std::string viewable = ViewableEntryContent(std::string(100, 'x'), limits);
  EXPECT_EQ(viewable.substr(40), "<p><i>Dieser Eintrag ist sehr groß und wird hier nur gekürzt angezeigt.</i></p>");
  // Regression: the browser took half a minute over deeply nested lists, and showed scripts and styles as text.
  EXPECT_EQ(ViewableEntryContent("<ul><li><div><blockquote>x<style>p{}</style><script>y()</script>",
                                 {.Html = {.MaxDepth = 2}}),
            "<ul><li>x</li></ul>");
}

// The files under the header: named after the file, type and size as escaped text, nothing without files.
TEST(EnclosureList, ListsEachFileWithItsTypeAndSize) {
  EXPECT_EQ(EnclosureListHtml({}), "");
  EXPECT_EQ(
      EnclosureListHtml({{.Url = "http://h/a/ep%201.mp3?x=\"1&y", .Type = "audio/<b>", .Length = 12345678},
                         {.Url = "https://h.example/", .Type = "", .Length = -1},
                         {.Url = "https://h/v/", .Type = "", .Length = 999}}),
      "<p class=\"enclosures\"><b>Anhänge:</b><br><a href=\"http://h/a/ep%201.mp3?x=&quot;1&amp;y\">ep%201.mp3</a> "
      "(audio/&lt;b&gt;, 12.3 MB)<br><a href=\"https://h.example/\">h.example</a><br><a href=\"https://h/v/\">v</a> "
      "(999 B)</p>");
  EXPECT_EQ(HumanSize(999'950), "1.0 MB");
  EXPECT_EQ(HumanSize(int64_t{5} << 60), "5.8 EB");
}

}  // namespace
}  // namespace tidewick
