#include "util/url_reference.h"

#include <gtest/gtest.h>

#include "support/table_file.h"

namespace tidewick {
namespace {

std::string Resolve(std::string_view base, std::string_view reference) {
  return JoinUrl(ResolveReference(SplitUrl(base), SplitUrl(reference)));
}

TEST(ResolveReference, FollowsTheRulesForReferenceResolution) {
  test::CheckTableFile("util/url_references.tsv", 2,
                       [](const std::vector<std::string>& in) { return Resolve(in[0], in[1]); });
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
