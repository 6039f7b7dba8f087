// Refreshes against the loopback server that answers like real ones: 304 to a conditional request, 410 Gone,
// 429/503 with Retry-After, permanent and temporary redirects.

#include <algorithm>
#include <atomic>
#include <cmath>
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
  return test::ConditionalAnswer(request, kETag, document, kLastModified);
}

TTestResponse Status(int status, std::vector<std::pair<std::string, std::string>> headers = {}) {
  return {.Status = status, .Headers = std::move(headers), .Body = "<html><body>not now</body></html>"};
}

// A 429 or 503 asking to wait: seconds, or a date.
TTestResponse Wait(int status, const char* retryAfter) {
  return Status(status, {{"Retry-After", retryAfter}});
}

TTestResponse Served() {
  return {.Body = RssDocument("T", {"a"})};
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
                                  settings.Proxy.Mode = 1;
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

// Server answers, one per refresh a minute apart: what the feed then records (error and gone marks, a wait in
// seconds after the first refresh, its address) and whether the next minute tick asks it, the feed being due.
struct TAnswerCase {
  const char* Name;
  const char* Address;  // "/temporary" and "/moved" redirect to "/feed", which gives the answers
  std::vector<TTestResponse> Answers;
  const char* Recorded;
  int AskedByTheTick;
};

class PoliteAnswers : public PoliteRefresh, public ::testing::WithParamInterface<TAnswerCase> {
 protected:
  std::atomic<size_t> m_served = 0;  // answers given at "/feed"
};

TEST_P(PoliteAnswers, TeachTheFeedWhenToAskAndWhere) {
  const TAnswerCase& c = GetParam();
  const TDateTime first = m_now;
  m_server.SetHandler([&c, this](const TTestRequest& request) {
    if (request.Target != "/feed") {
      TTestResponse redirect = Status(request.Target == "/moved" ? 301 : 307);
      redirect.Location = "/feed";
      return redirect;
    }
    return c.Answers.at(std::min<size_t>(m_served++, c.Answers.size() - 1));
  });
  m_feeds[0].URL = m_server.Url(c.Address);
  for (size_t i = 0; i < c.Answers.size(); ++i) {
    Refresh();
  }
  const TFeedRefreshState& state = Feed().Refresh;
  std::string recorded = std::string(Feed().Error ? "error " : "") + (state.Gone ? "gone " : "");
  if (state.RetryAfter != 0) {
    recorded += "wait " + std::to_string(std::llround((state.RetryAfter - first) * 86400.0)) + " ";
  }
  EXPECT_EQ(recorded + Feed().URL.substr(m_server.Url("").size()), c.Recorded);
  EXPECT_EQ(Feed().Entries.size(), 1u);  // no answer costs a stored entry or the interval
  EXPECT_EQ(Feed().Interval, 60);
  m_feeds[0].MinutesElapsed = 59;
  EXPECT_EQ(m_scheduler.MinuteTick(), c.AskedByTheTick);
  if (c.AskedByTheTick != 0) {
    ASSERT_TRUE(test::ServeUntil(m_queue, [this] { return m_scheduler.Poll().RunEnded; }));
  } else if (state.RetryAfter != 0) {
    EXPECT_EQ(Feed().MinutesElapsed, 60);  // still due: asked at the first tick after the wait
  }
}

// The first refresh is at 1796600000, Sun, 06 Dec 2026 23:33:20 GMT.
constexpr const char* kTenMinutesOn = "Sun, 06 Dec 2026 23:43:20 GMT";
INSTANTIATE_TEST_SUITE_P(
    Answers, PoliteAnswers,
    ::testing::Values(
        TAnswerCase{"GoneStopsTimedRefreshes", "/feed", {Served(), Status(410)}, "error gone /feed", 0},
        TAnswerCase{"GoneFeedThatIsBackLosesItsMark", "/feed", {Served(), Status(410), Served()}, "/feed", 1},
        TAnswerCase{"RetryAfterWaitsWithoutAnErrorMark", "/feed", {Served(), Wait(429, "600")}, "wait 661 /feed", 0},
        TAnswerCase{"UnavailableUntilADate", "/feed", {Served(), Wait(503, kTenMinutesOn)}, "wait 600 /feed", 0},
        TAnswerCase{"AnswerAfterTheWaitEndsIt", "/feed", {Served(), Wait(429, "60"), Served()}, "/feed", 1},
        TAnswerCase{"ServiceUnavailableFails", "/feed", {Served(), Status(503)}, "error /feed", 1},
        TAnswerCase{"TemporaryRedirectNeverMoves", "/temporary", std::vector(4, Served()), "/temporary", 1},
        TAnswerCase{"PermanentRedirectMovesOnTheThirdRefresh", "/moved", std::vector(3, Served()), "/feed", 1}),
    [](const auto& info) { return std::string(info.param.Name); });

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
