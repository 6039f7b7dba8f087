#include "entries/entry_link.h"

#include <gtest/gtest.h>

namespace tidewick {
namespace {

struct TLinkCase {
  const char* link;
  std::optional<const char*> feedUrl;
  TLinkVerdict verdict;
  const char* url;
};

std::ostream& operator<<(std::ostream& out, const TLinkCase& c) {
  return out << c.link;
}

class DecideItemLinkTable : public ::testing::TestWithParam<TLinkCase> {};

TEST_P(DecideItemLinkTable, OpensOnlyCheckedAddresses) {
  const TLinkCase& c = GetParam();
  const std::optional<std::string_view> feedUrl =
      c.feedUrl ? std::optional<std::string_view>(*c.feedUrl) : std::nullopt;
  const TLinkDecision decision = DecideEntryLink(c.link, feedUrl);
  EXPECT_EQ(decision.Verdict, c.verdict);
  if (c.verdict == TLinkVerdict::Open) {
    EXPECT_EQ(decision.Url, c.url);
  }
}

constexpr const char* kFeed = "https://host.example/dir/feed.xml";

const TLinkCase kRelativeCases[] = {
    {"page.html", kFeed, TLinkVerdict::Open, "https://host.example/page.html"},  // the folder is not used
    {"/a/b.html", "http://host.example/feed", TLinkVerdict::Open, "http://host.example/a/b.html"},
    {"x", "http://host.example", TLinkVerdict::Open, "http://host.example/x"},  // nothing after the host
    {"x", "http://host.example?feed=1", TLinkVerdict::Open, "http://host.example/x"},
    {"//cdn.example/x", kFeed, TLinkVerdict::Open, "https://cdn.example/x"},
    // "://" at the 11th character or later: relative, so the feed's host comes first.
    {"abcdefghij://x", kFeed, TLinkVerdict::Open, "https://host.example/abcdefghij://x"},
    {"abcdefghi://x", kFeed, TLinkVerdict::Refused, ""},
    {"page.html", std::nullopt, TLinkVerdict::Refused, ""},  // nothing to complete it with
    {"  ", kFeed, TLinkVerdict::Empty, ""},
};
INSTANTIATE_TEST_SUITE_P(Relative, DecideItemLinkTable, ::testing::ValuesIn(kRelativeCases));

const TLinkCase kSchemeCases[] = {
    {" https://example.org/a?b#c ", kFeed, TLinkVerdict::Open, "https://example.org/a?b#c"},
    {"FTP://example.org/file", kFeed, TLinkVerdict::Open, "FTP://example.org/file"},
    {"feed://example.org/rss", kFeed, TLinkVerdict::Open, "http://example.org/rss"},
    {"feed:https://example.org/rss", kFeed, TLinkVerdict::Open, "https://example.org/rss"},
    {"mailto:a@example.org?subject=Hi&bcc=x@evil.example&ATTACH=/etc/passwd&body=B&%61ttach=~/.ssh/id_rsa&cc=c", kFeed,
     TLinkVerdict::Open, "mailto:a@example.org?subject=Hi&body=B&cc=c"},
    {"mailto:a@example.org", kFeed, TLinkVerdict::Open, "mailto:a@example.org"},
    {"news:comp.lang.c++", kFeed, TLinkVerdict::Refused, ""},  // absolute, but nothing we open
    {"file:///etc/passwd", kFeed, TLinkVerdict::Refused, ""},
    {"javascript:alert(1)", kFeed, TLinkVerdict::Refused, ""},
    {"-new-instance", kFeed, TLinkVerdict::Open, "https://host.example/-new-instance"},  // a page, no option
    {"--remote=x", std::nullopt, TLinkVerdict::Refused, ""},
    {"https://example.org/evil.desktop", kFeed, TLinkVerdict::Refused, ""},
    {"/usr/share/applications/x.desktop", std::nullopt, TLinkVerdict::Refused, ""},
    {"https://example.org/\nfile:///etc/passwd", kFeed, TLinkVerdict::Refused, ""},
    {"feed:file:///etc/passwd", kFeed, TLinkVerdict::Refused, ""},
};
INSTANTIATE_TEST_SUITE_P(Schemes, DecideItemLinkTable, ::testing::ValuesIn(kSchemeCases));

TEST(IsRelativeLink, KnownSchemesAreAbsoluteWithoutSlashes) {
  EXPECT_FALSE(IsRelativeLink("News:alt.test"));
  EXPECT_FALSE(IsRelativeLink("javascript:x"));
  EXPECT_TRUE(IsRelativeLink("localhost:8080/x"));
  EXPECT_TRUE(IsRelativeLink("c:/x"));
}

}  // namespace
}  // namespace tidewick
