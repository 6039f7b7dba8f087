#include "entries/entry_link.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "support/table_file.h"

namespace tidewick {
namespace {

// Relative links take the feed's host; only web, feed and mail addresses open, never a file, script or option.
TEST(DecideEntryLink, OpensOnlyCheckedAddresses) {
  test::CheckTableFile("entries/entry_link.tsv", 2, [](const std::vector<std::string>& in) {
    const bool known = in[1] != "(none)";
    const TLinkDecision decision =
        DecideEntryLink(in[0], known ? std::optional<std::string_view>(in[1]) : std::nullopt);
    const char* const verdicts[] = {"Open", "Empty", "Refused"};
    return verdicts[static_cast<int>(decision.Verdict)] + std::string("\t") +
           (decision.Verdict == TLinkVerdict::Open ? decision.Url : "");
  });
}

TEST(IsRelativeLink, KnownSchemesAreAbsoluteWithoutSlashes) {
  EXPECT_FALSE(IsRelativeLink("News:alt.test"));
  EXPECT_FALSE(IsRelativeLink("javascript:x"));
  EXPECT_TRUE(IsRelativeLink("localhost:8080/x"));
  EXPECT_TRUE(IsRelativeLink("c:/x"));
}

}  // namespace
}  // namespace tidewick
