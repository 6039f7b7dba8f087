#include "web/feed_address.h"

#include <gtest/gtest.h>

namespace tidewick {
namespace {

TEST(FeedAddress, AcceptsWhatBrowsersAndUsersHandOver) {
  struct Case {
    const char* text;
    std::optional<std::string> accepted;
  };
  const Case cases[] = {
      {"feed://example.org/rss", "example.org/rss"},
      {"FEED://example.org/rss", "example.org/rss"},
      {"feed:https://example.org/atom", "https://example.org/atom"},
      {"Feed:http://example.org/rss", "http://example.org/rss"},
      {"  http://example.org/rss \n", "http://example.org/rss"},
      {"www.example.org/rss", "www.example.org/rss"},
      {"example.org/rss", std::nullopt},     // a bare host and path: ignored
      {"file:///etc/passwd", std::nullopt},  // local files are never subscribed
      {"feed:///etc/passwd", std::nullopt},
      {"javascript://alert(1)", std::nullopt},
      {"/home/user/feed.xml", std::nullopt},
      {"~/feed.xml", std::nullopt},
  };
  for (const auto& c : cases)
    EXPECT_EQ(AcceptFeedAddress(c.text), c.accepted) << c.text;
}

TEST(FeedAddress, NormalizesTheAddressField) {
  EXPECT_EQ(NormalizeFeedAddress("feed://example.org/rss"), "http://example.org/rss");
  EXPECT_EQ(NormalizeFeedAddress("feed:https://example.org/rss"), "https://example.org/rss");
  EXPECT_EQ(NormalizeFeedAddress("example.org"), "http://example.org");
  EXPECT_EQ(NormalizeFeedAddress("https://example.org"), "https://example.org");
  EXPECT_EQ(NormalizeFeedAddress(""), "http://");  // what the field shows before the user types
}

}  // namespace
}  // namespace tidewick
