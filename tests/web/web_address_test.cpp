#include "web/web_address.h"

#include <gtest/gtest.h>

namespace tidewick {
namespace {

// The rules every address filter (clipboard and hand-over, OPML import, the feed dialog, entry links) shares.
TEST(WebAddress, OnlyWebSchemesWithAHostAndNoControlCharacters) {
  const std::pair<const char*, bool> cases[] = {
      {"http://example.org/rss", true},
      {"HTTPS://example.org:8443/atom?x=1", true},
      {"ftp://example.org/feed.xml", true},
      {"file:///etc/passwd", false},
      {"javascript://alert(1)", false},
      {"gopher://example.org", false},
      {"feed://example.org/rss", false},  // each caller turns it into the web address it names first
      {"http://", false},
      {"https:///path-without-host", false},
      {"http:example.org", false},
      {"http://example.org/\r\nX-Header: 1", false},
      {"http://example.org/\x7F", false},
      {"-http://example.org", false},  // a browser would take it for an option
      {" http://example.org", false},  // callers trim
      {"", false},
  };
  for (const auto& [address, web] : cases)
    EXPECT_EQ(IsSafeWebAddress(address), web) << address;
}

TEST(WebAddress, SchemeNeedsTwoCharactersBeforeTheColon) {
  EXPECT_EQ(AddressScheme("News:alt.test"), "news");
  EXPECT_EQ(AddressScheme("example.org:8080/rss"), "example.org");
  EXPECT_EQ(AddressScheme("c:/x"), std::nullopt);  // a drive letter
  EXPECT_EQ(AddressScheme("a/b:c"), std::nullopt);
}

}  // namespace
}  // namespace tidewick
