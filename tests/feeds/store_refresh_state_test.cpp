// The refresh state of a feed in the store file: written only once there is one (the golden store, never refreshed,
// has none), read back whole, and a store with elements the reader does not know (from a later version) loses
// nothing it does know.

#include <gtest/gtest.h>
#include <string>

#include "feeds/feed_store.h"
#include "feeds/store_reader.h"
#include "feeds/store_test_support.h"
#include "util/dates.h"

namespace tidewick {
namespace {

TFeedRefreshState EveryFieldSet() {
  TFeedRefreshState state;
  state.Url = "https://example.org/feed?a=1&b=<2>";
  state.ETag = "W/\"abc\"";
  state.LastModified = "Mon, 07 Dec 2026 03:00:00 GMT";
  state.RetryAfter = UnixSecondsToDateTime(1796612400);
  state.Gone = true;
  state.RedirectTarget = "https://example.org/new";
  state.RedirectCount = 2;
  state.MovedFrom = "http://example.org/old";
  state.LastTime = UnixSecondsToDateTime(1796612000);
  state.LastStatus = 304;
  state.LastBytes = 5000000000;  // beyond 32 bits
  state.LastUnchanged = true;
  state.LastFailure = "HTTP 410 (gone)";
  return state;
}

TEST(StoreRefreshState, EveryValueSurvivesAWriteAndARead) {
  TFeeds feeds = test::SmallStore();
  feeds[0].Refresh = EveryFieldSet();
  const TStoreReadResult read = ReadStoreText(FeedStoreText(feeds));
  ASSERT_TRUE(read.Complete) << read.Damage;
  ASSERT_EQ(read.Feeds.size(), 2u);
  EXPECT_EQ(read.Feeds[0].Refresh, feeds[0].Refresh);
  EXPECT_EQ(read.Feeds[1].Refresh, TFeedRefreshState{});
  // Nothing else moved: the entries are still entries and the second feed is still a feed.
  test::ExpectSameFeeds(read.Feeds, feeds);
}

TEST(StoreRefreshState, UnknownElementsAnywhereAreSkippedAndBadNumbersReadAsNothing) {
  const std::string text =
      "<?xml version=\"1.0\"?>\r\n<Feeds>\r\n<Feed1><Name>n</Name><URL>u</URL>"
      "<Refresh><Address>u</Address><FromLaterVersion><Item1>x</Item1></FromLaterVersion>"
      "<LastStatus>abc</LastStatus><LastBytes>-5</LastBytes><RedirectCount>-2</RedirectCount>"
      "<ETag>first</ETag><ETag>second</ETag></Refresh>"
      "<Refresh><ETag>another block</ETag></Refresh>"
      "<Later><Feed2>not a feed</Feed2></Later>"
      "<Item1><Title>t</Title><Readed>1</Readed></Item1></Feed1>\r\n"
      "<Settings>later</Settings>\r\n</Feeds>\r\n";
  const TStoreReadResult read = ReadStoreText(text);
  ASSERT_TRUE(read.Complete) << read.Damage;
  ASSERT_EQ(read.Feeds.size(), 1u);
  const TFeed& feed = read.Feeds[0];
  ASSERT_EQ(feed.Entries.size(), 1u);
  EXPECT_TRUE(feed.Entries[0].IsRead);
  EXPECT_EQ(feed.Refresh.Url, "u");
  EXPECT_EQ(feed.Refresh.ETag, "first");  // the first match wins, as everywhere in the store
  EXPECT_EQ(feed.Refresh.LastStatus, 0);
  EXPECT_EQ(feed.Refresh.LastBytes, 0);
  EXPECT_EQ(feed.Refresh.RedirectCount, 0);
}

}  // namespace
}  // namespace tidewick
