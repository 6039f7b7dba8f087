#include "util/url_reference.h"

#include <gtest/gtest.h>

namespace tidewick {
namespace {

std::string Resolve(std::string_view base, std::string_view reference) {
  return JoinUrl(ResolveReference(SplitUrl(base), SplitUrl(reference)));
}

// The normal examples of RFC 3986 (section 5.4.1), dot segments above the root, and bases without a path. Feed links,
// discovered feeds and redirects all complete their references through these rules.
TEST(ResolveReference, FollowsTheRulesForReferenceResolution) {
  constexpr const char* kBase = "http://a/b/c/d;p?q";
  const struct {
    const char* Base;
    const char* Reference;
    const char* Expected;
  } cases[] = {
      {kBase, "g", "http://a/b/c/g"},
      {kBase, "./g", "http://a/b/c/g"},
      {kBase, "g/", "http://a/b/c/g/"},
      {kBase, "/g", "http://a/g"},
      {kBase, "//g", "http://g"},
      {kBase, "//g/./x?y", "http://g/x?y"},
      {kBase, "?y", "http://a/b/c/d;p?y"},
      {kBase, "g?y", "http://a/b/c/g?y"},
      {kBase, "#s", "http://a/b/c/d;p?q#s"},
      {kBase, "g?y#s", "http://a/b/c/g?y#s"},
      {kBase, "", "http://a/b/c/d;p?q"},
      {kBase, ".", "http://a/b/c/"},
      {kBase, "..", "http://a/b/"},
      {kBase, "../g", "http://a/b/g"},
      {kBase, "../../g", "http://a/g"},
      {kBase, "../../../../g", "http://a/g"},
      {kBase, "/./g", "http://a/g"},
      {kBase, "g..", "http://a/b/c/g.."},
      {kBase, "./g/.", "http://a/b/c/g/"},
      {kBase, "g/../h", "http://a/b/c/h"},
      {kBase, "g?y/../x", "http://a/b/c/g?y/../x"},  // a query is no path
      {kBase, "HTTPS://Other/./x/../y", "HTTPS://Other/y"},
      {"http://a/b#frag", "c", "http://a/c"},  // the base's fragment never carries over
      {"https://host", "page", "https://host/page"},
      {"https://host", "?y", "https://host?y"},
      {"https://host?q", "#s", "https://host?q#s"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Resolve(c.Base, c.Reference), c.Expected) << c.Base << " + " << c.Reference;
  }
}

TEST(SplitUrl, TakesAnyTextApartAndJoinsItAgainUnchanged) {
  EXPECT_EQ(SplitUrl("HTTP://u@h:8/p/q?x=1?y#f#g"), (TUrlParts{"HTTP", "u@h:8", "/p/q", "x=1?y", "f#g"}));
  EXPECT_EQ(SplitUrl("mailto:me@example.org"), (TUrlParts{"mailto", {}, "me@example.org", {}, {}}));
  EXPECT_EQ(SplitUrl("1a:b"), (TUrlParts{"", {}, "1a:b", {}, {}}));  // a scheme begins with a letter
  EXPECT_EQ(SplitUrl("http://"), (TUrlParts{"http", "", "", {}, {}}));
  for (const char* text : {"HTTP://u@h:8/p/q?x=1?y#f#g", "//h?", "a/b#", "", "tag:x,2026:/y"}) {
    EXPECT_EQ(JoinUrl(SplitUrl(text)), text);
  }
}

}  // namespace
}  // namespace tidewick
