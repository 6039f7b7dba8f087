// Fault guarded: a document cut short (a server error half-way, a connection closed without a length) merged as a
// feed of the entries it still held, dropping every other entry and its read mark.

#include <gtest/gtest.h>
#include <string>

#include "support/http_test_server.h"
#include "update/feed_update_thread.h"
#include "update/refresh_failure.h"
#include "update_fixtures.h"

namespace tidewick {
namespace {

TEST(CutOffRefresh, DocumentCutShortKeepsEveryStoredEntryAndItsMark) {
  test::THttpTestServer server;
  TFeeds feeds = test::MakeFeeds(1, [&server](int) { return server.Url("/feed"); });
  TFeed& feed = feeds[0];
  for (const char* title : {"a", "b", "c"}) {
    feed.Entries.push_back(test::StoredEntry(title, true));
  }
  THandBackQueue queue;
  TFeedUpdateThreadArray workers(feeds, queue);
  TWorkerSettings settings;
  settings.Proxy.Mode = 1;  // the machine's proxy environment stays out of the test
  const auto refresh = [&](std::string body) {
    test::TTestResponse response = test::Answer(std::move(body));
    response.SendLength = false;  // the body ends when the connection closes
    server.SetResponse("/feed", response);
    ASSERT_NE(workers.Start(0, settings, TThreadPriority::Normal), nullptr);
    ASSERT_TRUE(test::ServeUntil(queue, [&workers] { return workers.RunningCount() == 0; }));
  };
  const auto allRead = [&feed] {
    std::string titles;
    for (const TEntry& item : feed.Entries) {
      titles += item.Title + (item.IsRead ? "+" : "-");
    }
    return titles;
  };

  const std::string full = test::RssDocument("T", {{"a"}, {"b"}, {"c"}});
  refresh(full.substr(0, full.find("</item>") + 7));
  EXPECT_EQ(allRead(), "a+b+c+");
  EXPECT_TRUE(feed.Error);
  EXPECT_EQ(workers.Workers().back()->Outcome(), TWorkerOutcome::Failed);
  EXPECT_EQ(workers.Workers().back()->FailureReason(), kFailureCutShort);

  refresh(full);
  EXPECT_EQ(allRead(), "a+b+c+");
  EXPECT_FALSE(feed.Error);
  EXPECT_EQ(workers.Workers().back()->Outcome(), TWorkerOutcome::Refreshed);
}

}  // namespace
}  // namespace tidewick
