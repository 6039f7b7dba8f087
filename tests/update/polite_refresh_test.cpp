// Refreshes against the loopback server that answers like real ones: 304 to a conditional request, 410 Gone,
// 429/503 with Retry-After, permanent and temporary redirects.

#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "support/http_test_server.h"
#include "update/feed_update_thread.h"
#include "update/refresh_scheduler.h"
#include "update_fixtures.h"

namespace tidewick {
namespace {

using test::RssDocument;
using test::TTestRequest;
using test::TTestResponse;

constexpr const char* kETag = "\"v1\"";
constexpr const char* kLastModified = "Sun, 06 Dec 2026 22:00:00 GMT";

// Answers 304 when the request carries the current validators, else the document with them.
TTestResponse ConditionalAnswer(const TTestRequest& request, const std::string& document) {
  TTestResponse response;
  response.Headers = {{"ETag", kETag}, {"Last-Modified", kLastModified}};
  if (test::HeaderValue(request, "If-None-Match") == kETag) {
    response.Status = 304;
  } else {
    response.Body = document;
  }
  return response;
}

TTestResponse Status(int status, std::vector<std::pair<std::string, std::string>> headers = {}) {
  TTestResponse response;
  response.Status = status;
  response.Headers = std::move(headers);
  response.Body = "<html><body>not now</body></html>";
  return response;
}

TTestResponse Redirect(int status, const std::string& location) {
  TTestResponse response = Status(status);
  response.Location = location;
  return response;
}

class PoliteRefresh : public ::testing::Test {
 protected:
  PoliteRefresh() {
    m_feeds = test::MakeFeeds(1, [this](int) { return m_server.Url("/feed"); });
    m_scheduler.SetClock([this] { return m_now; });
  }

  // One user refresh of the feed, waited for; the clock then moves on past the spacing for the next one.
  void Refresh() {
    ASSERT_EQ(m_scheduler.RefreshFeeds({0}, TThreadPriority::Normal), 1);
    ASSERT_TRUE(test::ServeUntil(m_queue, [this] { return m_scheduler.Poll().RunEnded; }));
    m_now += 61.0 / 86400.0;
  }

  const TFeed& Feed() const { return m_feeds[0]; }

  test::THttpTestServer m_server;
  TFeeds m_feeds;
  THandBackQueue m_queue;
  TDateTime m_now = UnixSecondsToDateTime(1796600000);
  TRefreshScheduler m_scheduler{m_feeds, m_queue, [] {
                                  TRefreshSettings settings;
                                  settings.ProxyMode = 1;
                                  settings.Timeout = 5;
                                  return settings;
                                }};
};

TEST_F(PoliteRefresh, SecondRefreshAsksConditionallyAnd304KeepsEntriesAndMarks) {
  const std::string document = RssDocument("T", {"a", "b"});
  m_server.SetHandler([&document](const TTestRequest& request) { return ConditionalAnswer(request, document); });
  Refresh();
  ASSERT_EQ(Feed().Entries.size(), 2u);
  EXPECT_EQ(Feed().Refresh.ETag, kETag);
  m_feeds[0].Entries[1].IsRead = true;
  m_feeds[0].Error = true;  // an earlier failure: a 304 is a success and clears it

  Refresh();
  const std::vector<TTestRequest> requests = m_server.Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(test::HeaderValue(requests[0], "If-None-Match"), "");
  EXPECT_EQ(test::HeaderValue(requests[1], "If-None-Match"), kETag);
  EXPECT_EQ(test::HeaderValue(requests[1], "If-Modified-Since"), kLastModified);
  ASSERT_EQ(Feed().Entries.size(), 2u);
  EXPECT_TRUE(Feed().Entries[1].IsRead);
  EXPECT_FALSE(Feed().Error);
  EXPECT_TRUE(Feed().Refresh.LastUnchanged);
  EXPECT_EQ(Feed().Refresh.LastStatus, 304);
  EXPECT_GT(Feed().Refresh.LastBytes, 0);
  EXPECT_EQ(Feed().LastDownloaded, Feed().Refresh.LastTime);
}

TEST_F(PoliteRefresh, GoneStopsTimedRefreshesKeepsIntervalAndEntries) {
  m_server.SetResponse("/feed", ConditionalAnswer({}, RssDocument("T", {"a"})));
  Refresh();
  m_server.SetResponse("/feed", Status(410));
  Refresh();
  EXPECT_TRUE(Feed().Error);
  EXPECT_TRUE(Feed().Refresh.Gone);
  EXPECT_EQ(Feed().Interval, 60);
  EXPECT_EQ(Feed().Entries.size(), 1u);
  EXPECT_NE(FeedHintText(Feed()).find("410"), std::string::npos);

  const int asked = m_server.RequestCount();
  m_feeds[0].MinutesElapsed = 59;
  EXPECT_EQ(m_scheduler.MinuteTick(), 0);
  EXPECT_EQ(m_scheduler.RefreshAll(), 0);
  EXPECT_EQ(m_server.RequestCount(), asked);
  // The user may try again; a feed that is back loses its mark.
  m_server.SetResponse("/feed", ConditionalAnswer({}, RssDocument("T", {"a"})));
  Refresh();
  EXPECT_FALSE(Feed().Refresh.Gone);
  EXPECT_FALSE(Feed().Error);
}

TEST_F(PoliteRefresh, RetryAfterHoldsEveryRequestWithoutAnErrorMark) {
  m_server.SetResponse("/feed", Status(429, {{"Retry-After", "600"}}));
  Refresh();
  EXPECT_FALSE(Feed().Error);
  EXPECT_NEAR((Feed().Refresh.RetryAfter - Feed().Refresh.LastTime) * 86400.0, 600.0, 1.0);
  EXPECT_EQ(m_scheduler.RefreshFeeds({0}, TThreadPriority::Normal), 0);
  m_feeds[0].MinutesElapsed = 59;
  EXPECT_EQ(m_scheduler.MinuteTick(), 0);
  EXPECT_EQ(m_feeds[0].MinutesElapsed, 60);  // still due: asked at the first tick after the wait
  EXPECT_EQ(m_server.RequestCount(), 1);

  m_now += 600.0 / 86400.0;
  m_server.SetResponse("/feed", ConditionalAnswer({}, RssDocument("T", {"a"})));
  EXPECT_EQ(m_scheduler.MinuteTick(), 1);
  ASSERT_TRUE(test::ServeUntil(m_queue, [this] { return m_scheduler.Poll().RunEnded; }));
  EXPECT_EQ(Feed().Entries.size(), 1u);
  EXPECT_EQ(Feed().Refresh.RetryAfter, 0);
}

TEST_F(PoliteRefresh, ServiceUnavailableWithDateWaitsAndWithoutRetryAfterFails) {
  m_server.SetResponse("/feed", Status(503, {{"Retry-After", "Sun, 06 Dec 2026 23:43:20 GMT"}}));
  Refresh();
  EXPECT_FALSE(Feed().Error);
  EXPECT_NEAR((Feed().Refresh.RetryAfter - UnixSecondsToDateTime(1796600000)) * 86400.0, 600.0, 1.0);

  m_now += 600.0 / 86400.0;
  m_server.SetResponse("/feed", Status(503));
  Refresh();
  EXPECT_TRUE(Feed().Error);
  EXPECT_EQ(Feed().Refresh.LastFailure, "http-503");
}

TEST_F(PoliteRefresh, PermanentRedirectMovesTheFeedOnTheThirdRefreshTemporaryNever) {
  const std::string document = RssDocument("T", {"a"});
  m_server.SetResponse("/temporary", Redirect(307, "/feed"));
  m_server.SetResponse("/moved", Redirect(301, "/feed"));
  m_server.SetResponse("/feed", ConditionalAnswer({}, document));
  m_feeds[0].URL = m_server.Url("/temporary");
  for (int i = 0; i < 4; ++i) {
    Refresh();
  }
  EXPECT_EQ(Feed().URL, m_server.Url("/temporary"));

  m_feeds[0].URL = m_server.Url("/moved");
  Refresh();
  Refresh();
  EXPECT_EQ(Feed().URL, m_server.Url("/moved"));
  Refresh();
  EXPECT_EQ(Feed().URL, m_server.Url("/feed"));
  EXPECT_EQ(Feed().Refresh.MovedFrom, m_server.Url("/moved"));
  EXPECT_FALSE(Feed().Error);
}

TEST_F(PoliteRefresh, PressingRefreshAgainWithinAMinuteMergesIntoTheLastRequest) {
  m_server.SetResponse("/feed", ConditionalAnswer({}, RssDocument("T", {"a"})));
  ASSERT_EQ(m_scheduler.RefreshFeeds({0}, TThreadPriority::Normal), 1);
  EXPECT_EQ(m_scheduler.RefreshFeeds({0}, TThreadPriority::Normal), 0);  // the running one
  ASSERT_TRUE(test::ServeUntil(m_queue, [this] { return m_scheduler.Poll().RunEnded; }));
  for (int press = 0; press < 5; ++press) {
    m_now += 10.0 / 86400.0;
    EXPECT_EQ(m_scheduler.RefreshFeeds({0}, TThreadPriority::Normal), 0);  // the last one
    EXPECT_EQ(m_scheduler.RefreshAll(), 0);
  }
  m_now += 11.0 / 86400.0;
  EXPECT_EQ(m_scheduler.RefreshFeeds({0}, TThreadPriority::Normal), 1);
  ASSERT_TRUE(test::ServeUntil(m_queue, [this] { return m_scheduler.Poll().RunEnded; }));
  EXPECT_EQ(m_server.RequestCount(), 2);
}

}  // namespace
}  // namespace tidewick
