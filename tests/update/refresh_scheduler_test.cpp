#include "update/refresh_scheduler.h"

#include <algorithm>
#include <chrono>
#include <gtest/gtest.h>
#include <tuple>

#include "support/http_test_server.h"
#include "update_fixtures.h"

namespace tidewick {
namespace {

using namespace std::chrono_literals;

class RefreshScheduler : public ::testing::Test {
 protected:
  RefreshScheduler() { m_settings.Proxy.Mode = 1; }

  TFeeds& Store(int count) {
    m_feeds = test::MakeFeeds(count, [this](int i) { return m_server.Url("/feed" + std::to_string(i)); });
    for (int i = 0; i < count; ++i) {
      Serve(i, test::RssDocument("T", {{"entry"}}));
    }
    return m_feeds;
  }

  void Serve(int feed, std::string body, int delayMs = 0, int status = 200) {
    m_server.SetResponse("/feed" + std::to_string(feed), test::Answer(std::move(body), delayMs, status));
  }

  void Fail(int feed) { Serve(feed, "", 0, 404); }

  // Polls as the window's one-second timer does (only faster) until the run reports its end; a run that never does
  // (or no run at all) fails the test.
  TRefreshPoll PollToEnd() {
    TRefreshPoll last;
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (std::chrono::steady_clock::now() < deadline) {
      last = m_scheduler.Poll();
      if (last.RunEnded) {
        return last;
      }
      if (!last.Active) {
        ADD_FAILURE() << "no run is in progress";
        return last;
      }
      m_queue.WaitForTask(5ms);
    }
    ADD_FAILURE() << "the run did not end";
    return last;
  }

  test::THttpTestServer m_server;
  TFeeds m_feeds;
  TRefreshSettings m_settings;
  THandBackQueue m_queue;
  TRefreshScheduler m_scheduler{m_feeds, m_queue, [this] { return m_settings; }};
};

TEST_F(RefreshScheduler, FeedIsDueAtTheTickThatReachesItsIntervalAndNeverWithoutOne) {
  TFeed& feed = Store(3)[0];
  feed.Interval = 5;
  m_feeds[1].Interval = 0;
  m_feeds[2].Interval = -1;
  for (int tick = 1; tick <= 4; ++tick) {
    EXPECT_EQ(m_scheduler.MinuteTick(), 0) << tick;
  }
  EXPECT_EQ(feed.MinutesElapsed, 4);
  EXPECT_EQ(m_feeds[1].MinutesElapsed, 0);
  EXPECT_EQ(m_scheduler.MinuteTick(), 1);
  EXPECT_EQ(feed.MinutesElapsed, 0);
  EXPECT_TRUE(m_scheduler.IsRunning());
  EXPECT_TRUE(PollToEnd().RunEnded);
  EXPECT_EQ(feed.Entries.size(), 1u);
  EXPECT_FALSE(m_scheduler.IsRunning());
  feed.Interval = 0;
  for (int tick = 0; tick < 100; ++tick) {
    EXPECT_EQ(m_scheduler.MinuteTick(), 0);
  }
  EXPECT_EQ(m_feeds[1].MinutesElapsed, 0);
  EXPECT_FALSE(m_scheduler.IsRunning());
}

TEST_F(RefreshScheduler, AutoUpdateOffStopsTheCountersWhereTheyStand) {
  TFeed& feed = Store(1)[0];
  feed.Interval = 3;
  m_scheduler.MinuteTick();
  m_scheduler.MinuteTick();
  m_settings.AutoUpdate = false;
  for (int tick = 0; tick < 10; ++tick) {
    EXPECT_EQ(m_scheduler.MinuteTick(), 0);
  }
  EXPECT_EQ(feed.MinutesElapsed, 2);
  m_settings.AutoUpdate = true;
  EXPECT_EQ(m_scheduler.MinuteTick(), 1);
  m_scheduler.StopAll();
}

// Fault guarded: "Retrieve feeds when the program starts" (FeedsAutoUpdateAtStart) was offered as a switch that
// changed nothing. With it on, only the feeds marked for it go.
TEST_F(RefreshScheduler, StartupRefreshFollowsTheSettingAndTakesOnlyFeedsMarkedForIt) {
  Store(3);
  m_feeds[1].RefreshAtStart = true;
  m_feeds[1].MinutesElapsed = 9;
  TSettingsValues values;
  values.FeedsAutoUpdateAtStart = false;
  m_settings = RefreshSettingsFrom(values);
  m_settings.Proxy.Mode = 1;
  EXPECT_EQ(m_scheduler.RefreshAtStartup(), 0);
  EXPECT_FALSE(m_scheduler.IsRunning());
  EXPECT_EQ(m_feeds[1].MinutesElapsed, 9);
  EXPECT_EQ(m_server.RequestCount(), 0);
  m_settings.RefreshAtStart = true;
  EXPECT_EQ(m_scheduler.RefreshAtStartup(), 1);
  EXPECT_EQ(m_feeds[1].MinutesElapsed, 0);
  EXPECT_EQ(m_scheduler.Workers().Workers()[0]->FeedIndex(), 1);
  EXPECT_EQ(m_scheduler.StatusText(), "Aktualisiere Feed...");
  PollToEnd();
}

// An account feed's entries come from its sync server: fetching its own address would replace them.
TEST_F(RefreshScheduler, AccountFeedsAreNeverFetchedFromTheirAddress) {
  Store(2);
  for (TFeed& feed : m_feeds) {
    feed.Remote.Account = "ttrss1";
    feed.Interval = 1;
    feed.RefreshAtStart = true;
  }
  EXPECT_EQ(m_scheduler.MinuteTick(), 0);
  EXPECT_EQ(m_scheduler.RefreshAtStartup(), 0);
  EXPECT_EQ(m_scheduler.RefreshAll(), 0);
  EXPECT_EQ(m_scheduler.RefreshFeeds({0, 1}, TThreadPriority::BelowNormal), 0);
  EXPECT_TRUE(m_scheduler.RefreshFeed(1, TThreadPriority::Normal));
  EXPECT_FALSE(m_scheduler.IsRunning());
  EXPECT_EQ(m_server.RequestCount(), 0);
}

TEST_F(RefreshScheduler, PollingReportsTheOpenRequests) {
  Store(4);
  Serve(3, test::RssDocument("T", {{"late"}}), 400);
  EXPECT_EQ(m_scheduler.RefreshAll(), 4);
  EXPECT_EQ(m_scheduler.StatusText(), "Aktualisiere Feeds...");
  TRefreshPoll poll;
  ASSERT_TRUE(test::ServeUntil(m_queue, [&] {
    poll = m_scheduler.Poll();
    return poll.Running == 1;
  }));
  EXPECT_EQ(std::tie(poll.Total, poll.Position, poll.StatusText, poll.RunEnded),
            std::tuple(4, 7500, "Aktualisiere Feeds... (1 Anfragen offen)", false));
  const TRefreshPoll end = PollToEnd();
  EXPECT_EQ(end.StatusText, "Bereit.");
  EXPECT_FALSE(end.ErrorReport.has_value());
  EXPECT_EQ(m_scheduler.NewEntryCount(), 4u);
  EXPECT_FALSE(m_scheduler.Poll().Active);  // idle again
}

TEST_F(RefreshScheduler, SecondRequestJoinsTheRunningRun) {
  Store(3);
  Serve(0, test::RssDocument("T", {{"a"}}), 200);
  m_scheduler.RefreshFeed(0, TThreadPriority::BelowNormal);
  Fail(1);
  Fail(2);
  EXPECT_EQ(m_scheduler.RefreshFeeds({1, 2, 0, 7}, TThreadPriority::BelowNormal), 2);  // 0 runs, 7 is no feed
  const TRefreshPoll end = PollToEnd();
  EXPECT_EQ(end.Total, 3);
  ASSERT_TRUE(end.ErrorReport.has_value());
  EXPECT_EQ(end.ErrorReport->Title, "Feeds aktualisieren");
  EXPECT_EQ(end.ErrorReport->Text,
            "2 Feeds konnten nicht abgefragt werden.\n\nFeed 1: HTTP 404 (nicht gefunden)\n"
            "Feed 2: HTTP 404 (nicht gefunden)");
}

struct TErrorCase {
  const char* Name;
  std::vector<int> Failing;
  bool ShowMessage;
  std::optional<std::string> Expected;
  std::vector<int> Gone = {};  // failed with 410 in an earlier run: no longer asked by a refresh of all
};

class RefreshErrorReport : public RefreshScheduler, public ::testing::WithParamInterface<TErrorCase> {};

// The report names the failed feeds and says why each failed.
TEST_P(RefreshErrorReport, IsDecidedAtTheEndOfTheRun) {
  const TErrorCase& c = GetParam();
  Store(8);
  for (const int feed : c.Failing) {
    Fail(feed);
  }
  for (const int feed : c.Gone) {
    TFeed& gone = m_feeds[static_cast<size_t>(feed)];
    gone.Error = true;
    gone.Refresh.Url = gone.URL;
    gone.Refresh.Gone = true;
    gone.Refresh.LastFailure = "http-410";
  }
  m_settings.ShowRefreshErrorMsg = c.ShowMessage;
  m_scheduler.RefreshAll();
  const TRefreshPoll end = PollToEnd();
  ASSERT_EQ(end.ErrorReport.has_value(), c.Expected.has_value())
      << end.ErrorReport.value_or(TRefreshErrorReport{}).Text;
  if (c.Expected) {
    EXPECT_EQ(end.ErrorReport->Text, *c.Expected);
  }
}

const std::string kFeed2Failed = "Das Feed \"Feed 2\" konnte nicht abgefragt werden.\nGrund: HTTP 404 (nicht gefunden)";

// Two feeds named in the report: SecondRequestJoinsTheRunningRun.
INSTANTIATE_TEST_SUITE_P(
    Runs, RefreshErrorReport,
    ::testing::Values(
        TErrorCase{"NoneFailed", {}, true, std::nullopt}, TErrorCase{"OneFailed", {2}, true, kFeed2Failed},
        TErrorCase{"SevenFailedFiveNamed",
                   {0, 1, 2, 3, 4, 6, 7},
                   true,
                   "7 Feeds konnten nicht abgefragt werden.\n\nFeed 0: HTTP 404 (nicht gefunden)\n"
                   "Feed 1: HTTP 404 (nicht gefunden)\nFeed 2: HTTP 404 (nicht gefunden)\n"
                   "Feed 3: HTTP 404 (nicht gefunden)\nFeed 4: HTTP 404 (nicht gefunden)\n... und 2 weitere"},
        // Fault guarded: a feed the program itself stopped asking was reported after every run that did not ask it.
        TErrorCase{"GoneFeedNotAsked", {}, true, std::nullopt, {5}},
        TErrorCase{"GoneFeedBesideAFailure", {2}, true, kFeed2Failed, {5}},
        TErrorCase{"MessageOff", {0, 1}, false, std::nullopt}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(RefreshScheduler, EarlierFailuresCountInTheReportAndAGoneFeedTheUserAskedFor) {
  Store(3);
  m_feeds[1].Error = true;  // failed in an earlier run, not refreshed now
  m_scheduler.RefreshFeed(0, TThreadPriority::BelowNormal);
  const TRefreshPoll end = PollToEnd();
  ASSERT_TRUE(end.ErrorReport.has_value());
  EXPECT_EQ(end.ErrorReport->Text, "Das Feed \"Feed 1\" konnte nicht abgefragt werden.");
  // A gone feed the user asks for again belongs to the run: still gone, it is reported.
  m_feeds[1].Error = false;
  TFeed& gone = m_feeds[2];
  gone.Error = gone.Refresh.Gone = true;
  gone.Refresh.Url = gone.URL;
  Serve(2, "", 0, 410);
  m_scheduler.RefreshFeed(2, TThreadPriority::BelowNormal);
  const TRefreshPoll again = PollToEnd();
  ASSERT_TRUE(again.ErrorReport.has_value());
  EXPECT_EQ(again.ErrorReport->Text,
            "Das Feed \"Feed 2\" konnte nicht abgefragt werden.\nGrund: HTTP 410 (nicht mehr vorhanden)");
}

TEST_F(RefreshScheduler, StopAllEndsTheRunWithoutAReport) {
  Store(50);
  m_server.SetHandler([](const test::TTestRequest&) { return test::Stalling(); });
  m_scheduler.RefreshAll();
  const TRefreshPoll end = m_scheduler.StopAll();
  EXPECT_TRUE(end.RunEnded);
  EXPECT_LE(m_server.RequestCount(), kMaxConcurrentDownloads);  // the queued feeds never started
  EXPECT_FALSE(end.ErrorReport.has_value());
  EXPECT_EQ(end.StatusText, "Bereit.");
  EXPECT_FALSE(m_scheduler.IsRunning());
  EXPECT_TRUE(std::none_of(m_feeds.begin(), m_feeds.end(), [](const TFeed& feed) { return feed.Error; }));
}

}  // namespace
}  // namespace tidewick
