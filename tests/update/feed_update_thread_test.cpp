#include "update/feed_update_thread.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <map>
#include <mutex>
#include <set>
#include <thread>
#include <utility>

#if defined(__linux__)
#include <sched.h>
#include <unistd.h>

#include <sys/resource.h>
#include <sys/syscall.h>
#endif

#include "support/env_guard.h"
#include "support/http_test_server.h"
#include "update/thread_priority.h"
#include "update_fixtures.h"

namespace tidewick {
namespace {

using namespace std::chrono_literals;
using test::Answer;
using test::RssDocument;
using test::Stalling;
using test::StoredEntry;
using test::TTestEntry;

TWorkerSettings FastSettings() {
  TWorkerSettings settings;
  settings.TimeoutSeconds = 5;
  settings.Proxy.Mode = 1;  // the machine's proxy environment stays out of the tests
  return settings;
}

class FeedUpdateThread : public ::testing::Test {
 protected:
  // Starts one worker per feed in [first, last) at the given priority.
  void StartRange(int first, int last, TThreadPriority priority = TThreadPriority::Normal) {
    for (int i = first; i < last; ++i) {
      ASSERT_NE(m_workers.Start(i, FastSettings(), priority), nullptr) << i;
    }
  }

  void RefreshAndWait(int count) {
    StartRange(0, count);
    WaitForWorkers();
  }

  void WaitForWorkers() {
    ASSERT_TRUE(test::ServeUntil(m_queue, [this] { return m_workers.RunningCount() == 0; }));
  }

  TFeeds& Store(int count) {
    m_feeds = test::MakeFeeds(count, [this](int i) { return m_server.Url("/feed" + std::to_string(i)); });
    return m_feeds;
  }

  test::THttpTestServer m_server;
  TFeeds m_feeds;
  std::vector<std::string> m_autoRead;
  THandBackQueue m_queue;
  TFeedUpdateThreadArray m_workers{m_feeds, m_queue, [this] { return m_autoRead; }};
};

TEST_F(FeedUpdateThread, MergesTheDownloadAndKeepsTheStoredChannel) {
  TFeed& feed = Store(1)[0];
  feed.Info.Title = "Old title";
  for (const char* title : {"a", "b", "c", "d"}) {
    feed.Entries.push_back(StoredEntry(title, true));
  }
  m_autoRead = {"", "spam"};
  m_server.SetResponse("/feed0",
                       Answer(RssDocument("New title", {{"a"}, {"x", "SPAMMER"}, {"c"}, {"y", "alice"}, {"z"}})));
  RefreshAndWait(1);
  std::vector<std::string> titles;
  for (const TEntry& item : feed.Entries) {
    titles.push_back(item.Title);
  }
  EXPECT_EQ(titles, (std::vector<std::string>{"a", "c", "x", "y", "z"}));
  EXPECT_EQ(feed.Info.Title, "Old title");
  EXPECT_TRUE(feed.Entries[0].IsRead && feed.Entries[1].IsRead);
  EXPECT_TRUE(feed.Entries[2].IsRead);  // the auto-read term is in its author
  EXPECT_FALSE(feed.Entries[3].IsRead || feed.Entries[4].IsRead);
  EXPECT_EQ(m_workers.Workers()[0]->NewEntryCount(), 3u);
  EXPECT_EQ(m_workers.Workers()[0]->Outcome(), TWorkerOutcome::Refreshed);
  EXPECT_GT(feed.LastDownloaded, 0.0);
}

TEST_F(FeedUpdateThread, FailureKeepsTheEntriesAndSetsTheErrorMarkSuccessClearsIt) {
  TFeed& missing = Store(3)[0];  // no response set: the server answers 404
  missing.Entries.push_back(StoredEntry("kept", false));
  missing.LastDownloaded = 1234.5;
  missing.MinutesElapsed = 7;
  m_server.SetResponse("/feed1", Answer("<html><body>not a feed</body></html>"));
  m_feeds[2].Error = true;
  m_server.SetResponse("/feed2", Answer(RssDocument("T", {{"a"}})));
  RefreshAndWait(3);
  EXPECT_TRUE(missing.Error);
  ASSERT_EQ(missing.Entries.size(), 1u);
  EXPECT_EQ(missing.LastDownloaded, 1234.5);
  EXPECT_EQ(missing.MinutesElapsed, 7);
  EXPECT_TRUE(m_feeds[1].Error);
  EXPECT_FALSE(m_feeds[2].Error);
  for (const auto& worker : m_workers.Workers()) {
    EXPECT_EQ(worker->Outcome() == TWorkerOutcome::Failed, worker->FeedIndex() < 2) << worker->FeedIndex();
    EXPECT_EQ(worker->FailureReason().empty(), worker->FeedIndex() == 2) << worker->FeedIndex();
  }
}

TEST_F(FeedUpdateThread, FeedDeletedDuringTheRefreshIsSkipped) {
  Store(3);
  m_server.SetHandler([](const test::TTestRequest&) { return Answer(RssDocument("T", {{"new"}}), 200); });
  StartRange(0, 3);
  // The first feed goes; the last one moves into its place, as the store's delete does.
  m_feeds[0] = m_feeds[2];
  m_feeds[0].Index = 0;
  m_feeds.pop_back();
  WaitForWorkers();
  ASSERT_EQ(m_feeds.size(), 2u);
  EXPECT_EQ(m_feeds[0].Name, "Feed 2");
  EXPECT_EQ(m_feeds[0].Entries.size(), 1u);
  EXPECT_EQ(m_feeds[0].Entries[0].FeedIndex, 0);  // renumbered for its new position
  EXPECT_EQ(m_feeds[1].Entries.size(), 1u);
  EXPECT_EQ(m_workers.Workers()[0]->Outcome(), TWorkerOutcome::Cancelled);
}

TEST_F(FeedUpdateThread, ChangesMadeDuringTheRefreshAreKept) {
  TFeed& feed = Store(1)[0];
  feed.Entries.push_back(StoredEntry("a", false));
  feed.Entries.push_back(StoredEntry("b", false));
  m_server.SetResponse("/feed0", Answer(RssDocument("T", {{"a"}, {"b"}, {"c"}}), 200));
  StartRange(0, 1);
  // The user reads an entry and edits the feed while it downloads.
  feed.Entries[1].IsRead = true;
  feed.Entries[1].Visited = true;
  feed.Name = "Renamed";
  feed.Interval = 15;
  feed.RefreshAtStart = true;
  WaitForWorkers();
  ASSERT_EQ(feed.Entries.size(), 3u);
  EXPECT_TRUE(feed.Entries[1].IsRead && feed.Entries[1].Visited);
  EXPECT_TRUE(feed.Name == "Renamed" && feed.Interval == 15 && feed.RefreshAtStart);
}

TEST_F(FeedUpdateThread, FeedWithAWaitingOrRunningWorkerOrOutsideTheStoreIsNotQueued) {
  Store(1);
  EXPECT_EQ(m_workers.Start(1, FastSettings(), TThreadPriority::Normal), nullptr);
  EXPECT_EQ(m_workers.Start(-1, FastSettings(), TThreadPriority::Normal), nullptr);
  EXPECT_TRUE(m_workers.Empty());
  m_server.SetResponse("/feed0", Answer(RssDocument("T", {{"a"}}), 100));
  ASSERT_NE(m_workers.Start(0, FastSettings(), TThreadPriority::Normal), nullptr);
  EXPECT_EQ(m_workers.Start(0, FastSettings(), TThreadPriority::BelowNormal), nullptr);
  WaitForWorkers();
  EXPECT_EQ(m_workers.Count(), 1u);
  EXPECT_EQ(m_server.RequestCount(), 1);
  EXPECT_NE(m_workers.Start(0, FastSettings(), TThreadPriority::Normal), nullptr);  // done: may go again
  m_workers.StopAllWorkers();
}

TEST_F(FeedUpdateThread, StopWithThousandsQueuedStartsNoneOfThemAndLeavesFeedsUntouched) {
  Store(2000);
  m_server.SetHandler([](const test::TTestRequest&) { return Stalling(); });
  for (TFeed& feed : m_feeds) {
    feed.LastDownloaded = 5.0;
  }
  StartRange(0, 2000);
  ASSERT_TRUE(test::ServeUntil(m_queue, [this] { return m_server.RequestCount() >= kMaxConcurrentDownloads; }));
  m_workers.StopAllWorkers();
  EXPECT_TRUE(m_workers.Empty());
  EXPECT_LE(m_server.RequestCount(), kMaxConcurrentDownloads);
  EXPECT_TRUE(std::none_of(m_feeds.begin(), m_feeds.end(), [](const TFeed& f) { return f.Error; }));
  EXPECT_TRUE(std::all_of(m_feeds.begin(), m_feeds.end(), [](const TFeed& f) { return f.LastDownloaded == 5.0; }));
}

TEST_F(FeedUpdateThread, StopStillTakesInResultsAlreadyDownloaded) {
  Store(3);
  m_server.SetResponse("/feed0", Answer(RssDocument("T", {{"arrived"}})));
  m_server.SetResponse("/feed1", Stalling());
  m_server.SetResponse("/feed2", Stalling());
  StartRange(0, 3);
  // The first result waits for its hand-back (nobody drains yet) while the others hang.
  ASSERT_TRUE(m_queue.WaitForTask(10s));
  m_workers.StopAllWorkers();
  ASSERT_EQ(m_feeds[0].Entries.size(), 1u);
  EXPECT_FALSE(m_feeds[1].Error || m_feeds[2].Error);
}

TEST_F(FeedUpdateThread, FiveHundredFeedsStayWithinTheDownloadBound) {
  Store(500);
  m_server.SetHandler(
      [](const test::TTestRequest& request) { return Answer(RssDocument("T", {{request.Target.substr(1)}}), 5); });
  RefreshAndWait(500);
  EXPECT_EQ(m_server.RequestCount(), 500);
  EXPECT_LE(m_server.PeakConcurrent(), kMaxConcurrentDownloads);
  EXPECT_LE(m_workers.PeakConcurrency(), kMaxConcurrentDownloads);
  EXPECT_GT(m_workers.PeakConcurrency(), 1);
  for (const TFeed& feed : m_feeds) {
    ASSERT_EQ(feed.Entries.size(), 1u) << feed.Name;
    EXPECT_EQ(feed.Entries[0].Title, "feed" + std::to_string(feed.Index));
  }
}

TEST_F(FeedUpdateThread, HigherPriorityRequestsGetTheNextFreeSlot) {
  const int slots = kMaxConcurrentDownloads;
  Store(slots + 4);
  // Every slot gets busy; only the first answers, and only once all the others have asked.
  std::atomic<bool> allQueued{false};
  m_server.SetHandler([this, slots, &allQueued](const test::TTestRequest& request) {
    const int feed = std::stoi(request.Target.substr(std::string("/feed").size()));
    if (feed == 0) {
      const auto deadline = std::chrono::steady_clock::now() + 10s;
      while ((!allQueued || m_server.Requests().size() < static_cast<size_t>(slots)) &&
             std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(1ms);
      }
    }
    return feed > 0 && feed < slots ? Stalling() : Answer(RssDocument("T", {{"a"}}));
  });
  StartRange(0, slots);
  StartRange(slots, slots + 3, TThreadPriority::Lowest);                     // a "refresh all" waiting for slots
  m_workers.Start(slots + 3, FastSettings(), TThreadPriority::BelowNormal);  // the user's selected feed
  allQueued = true;
  ASSERT_TRUE(test::ServeUntil(m_queue, [this, slots] { return m_server.RequestCount() > slots; }));
  EXPECT_EQ(m_server.Requests()[static_cast<size_t>(slots)].Target, "/feed" + std::to_string(slots + 3));
  m_workers.StopAllWorkers();
}

TEST_F(FeedUpdateThread, AddressChangedDuringTheRefreshTakesNothingFromTheOldAddress) {
  Store(2);
  m_server.SetResponse("/feed0", Answer(RssDocument("T", {{"old address"}}), 200));
  m_server.SetResponse("/feed1", Answer("", 200, 500));
  StartRange(0, 2);
  m_feeds[0].URL = m_server.Url("/edited0");  // the user edits both feeds while they download
  m_feeds[1].URL = m_server.Url("/edited1");
  WaitForWorkers();
  EXPECT_TRUE(m_feeds[0].Entries.empty());
  EXPECT_FALSE(m_feeds[0].Error || m_feeds[1].Error);
  for (const auto& worker : m_workers.Workers()) {
    EXPECT_EQ(worker->Outcome(), TWorkerOutcome::Cancelled);
  }
}

// Without privileges a thread can lower its priority but never raise it again: the stub plays that kernel and
// records every attempt to raise a lowered thread.
class PrioritySetterStub {
 public:
  bool Set(TThreadPriority priority) {
    const std::scoped_lock lock(m_mutex);
    auto [current, fresh] = m_threads.try_emplace(std::this_thread::get_id(), TThreadPriority::Normal);
    if (priority > current->second) {
      ++m_raises;
      return false;
    }
    current->second = priority;
    m_seen.insert(priority);
    return true;
  }
  // The attempts to raise a lowered thread, and the priorities set.
  std::pair<int, std::set<TThreadPriority>> Record() const {
    const std::scoped_lock lock(m_mutex);
    return {m_raises, m_seen};
  }

 private:
  mutable std::mutex m_mutex;
  std::map<std::thread::id, TThreadPriority> m_threads;
  std::set<TThreadPriority> m_seen;
  int m_raises = 0;
};

TEST_F(FeedUpdateThread, ThreadLoweredForATimerRefreshNeverRunsTheUsersRefresh) {
  PrioritySetterStub stub;
  m_workers.SetPrioritySetter([&stub](TThreadPriority priority) { return stub.Set(priority); });
  Store(12);
  m_server.SetHandler([](const test::TTestRequest& request) { return Answer(RssDocument("T", {{request.Target}})); });
  StartRange(0, 4, TThreadPriority::Idle);  // timer refreshes
  WaitForWorkers();
  StartRange(4, 8);  // what the user asked for, in the same run
  StartRange(8, 12, TThreadPriority::Lowest);
  WaitForWorkers();
  EXPECT_EQ(stub.Record(), (std::pair(0, std::set<TThreadPriority>{TThreadPriority::Idle, TThreadPriority::Lowest,
                                                                   TThreadPriority::Normal})));
  EXPECT_TRUE(std::all_of(m_feeds.begin(), m_feeds.end(), [](const TFeed& feed) { return feed.Entries.size() == 1; }));
}

#if defined(__linux__)
int NiceOfThisThread() {
  return ::getpriority(PRIO_PROCESS, static_cast<id_t>(::syscall(SYS_gettid)));
}

TEST(ThreadPriority, EachLowerClassTakesEffect) {
  if (NiceOfThisThread() > 0 || ::sched_getscheduler(0) != SCHED_OTHER) {
    GTEST_SKIP() << "the tests already run at a lowered priority";
  }
  // Lowering is allowed without privileges, so every step must succeed and show in what the kernel reports.
  std::jthread probe([] {
    const auto nice = NiceOfThisThread;
    ASSERT_TRUE(SetCurrentThreadPriority(TThreadPriority::Normal));
    ASSERT_TRUE(SetCurrentThreadPriority(TThreadPriority::BelowNormal));
    EXPECT_EQ(nice(), 5);
    ASSERT_TRUE(SetCurrentThreadPriority(TThreadPriority::Lowest));
    EXPECT_EQ(nice(), 10);
    ASSERT_TRUE(SetCurrentThreadPriority(TThreadPriority::Idle));
    EXPECT_EQ(::sched_getscheduler(0), SCHED_IDLE);
  });
}
#endif

}  // namespace
}  // namespace tidewick
