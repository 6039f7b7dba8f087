#include "entries/html_bounds.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "support/table_file.h"

namespace tidewick {
namespace {

TEST(BoundedHtml, WritesWhatABrowserBuildsWellFormedWithinItsBounds) {
  const THtmlBounds small{
      .MaxDepth = 3, .MaxElements = 9, .MaxTableDepth = 1, .NestedTableWork = 0, .MaxAttributes = 2};
  test::CheckTableFile("entries/bounded_html.tsv", 2, [&](const std::vector<std::string>& in) {
    return BoundedHtml(in[1], in[0] == "small" ? small : THtmlBounds{});
  });
}

// The deepest nesting of well-formed output (void elements never open).
int DepthOf(const std::string& html) {
  int depth = 0;
  int deepest = 0;
  for (size_t at = html.find('<'); at != std::string::npos; at = html.find('<', at + 1)) {
    const std::string_view tag = std::string_view(html).substr(at + 1, 3);
    if (tag.starts_with('/')) {
      --depth;
    } else if (!tag.starts_with("br>") && !tag.starts_with("img")) {
      deepest = std::max(deepest, ++depth);
    }
  }
  EXPECT_EQ(depth, 0) << "not well formed";
  return deepest;
}

TEST(BoundedHtml, NestedTablesAndHostileNestingStayWithinBounds) {
  // Tables inside tables keep their tags while their content is small; past that, from where it ran out.
  const std::string nested = "<table><tr><td>a<table><tr><td>b</td></tr></table>";
  EXPECT_EQ(BoundedHtml(nested + "<table><tr><td>c</td></tr></table></td></tr></table>", {.NestedTableWork = 64}),
            "<table><tr><td>a<table><tr><td>b</td></tr></table> c</td></tr></table>");
  // Hostile nesting of every kind stays within the default bounds.
  for (const std::string open : {"<ul><li>", "<div>", "<dl><dd>", "<blockquote>", "<b>", "<table><tr><td>", "<p><q>",
                                 "<a href=x><span>", "<li>", "<font>"}) {
    std::string html;
    for (int i = 0; i < 20000; ++i) {
      html += open;
    }
    EXPECT_LE(DepthOf(BoundedHtml(html + "x")), THtmlBounds{}.MaxDepth) << open;
  }
}

}  // namespace
}  // namespace tidewick
