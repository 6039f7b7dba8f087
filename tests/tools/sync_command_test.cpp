// tidewick-feed sync run as a program against the real Tiny Tiny RSS server of the fixture "ttrss": a first sync,
// marks and stars both ways, refused logins, and a server lost in the middle of a sync.

#include <algorithm>
#include <gtest/gtest.h>
#include <optional>
#include <regex>
#include <string>
#include <sys/stat.h>
#include <tuple>
#include <vector>

#include "feeds/feed_records.h"
#include "feeds/feed_store.h"
#include "support/http_test_server.h"
#include "support/program_run.h"
#include "support/temp_dir.h"
#include "support/ttrss_server.h"
#include "sync/sync_queue.h"
#include "util/files.h"
#include "util/http_fetch.h"

namespace tidewick {
namespace {

class SyncCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::optional<test::TTtrssServer> server = test::RunningTtrssServer();
    ASSERT_TRUE(server) << "the ttrss fixture is not running";
    m_server = *server;
    m_seed.emplace(m_server);
    m_seed->Reset();
    ASSERT_TRUE(WriteStringToFile(PasswordFile(), m_server.Password + "\n"));
    ::chmod(PasswordFile().c_str(), 0600);
    WriteStore(m_server.Url);
  }

  std::string Store(const std::string& suffix = "") const { return m_dir.File("Feeds.xml" + suffix); }
  std::string PasswordFile() const { return m_dir.File("password"); }

  // A store with one account and nothing of it synced yet.
  void WriteStore(const std::string& serverUrl) {
    Feeds.clear();
    TSyncAccount account;
    account.Key = "ttrss1";
    account.Kind = "ttrss";
    account.Title = "Home";
    account.ServerUrl = serverUrl;
    account.UserName = m_server.User;
    SyncAccounts = {account};
    ASSERT_TRUE(SaveFeedStore(Store(), Feeds, SyncAccounts).Written());
  }

  // Loads the store the tool left into Feeds and SyncAccounts.
  void LoadStore() const { ASSERT_EQ(LoadFeedStore(Store()).Status, TStoreLoadStatus::Loaded); }

  test::TProgramOutput Run(const std::string& passwordFile = "", const std::string& options = "") const {
    const std::string command = "NO_PROXY='*' no_proxy='*' exec timeout 120 " + test::ShellQuoted(TIDEWICK_FEED_TOOL) +
                                " sync " + options + " --lang " +
                                test::ShellQuoted(TIDEWICK_SOURCE_DIR "/Language/English.lng") + " --password-file " +
                                test::ShellQuoted(passwordFile.empty() ? PasswordFile() : passwordFile) + " Feeds.xml";
    return test::RunProgram("/bin/sh", "-c " + test::ShellQuoted(command), m_dir.Path());
  }

  static int64_t Requests(const test::TProgramOutput& run) {
    std::smatch match;
    return std::regex_search(run.Out, match, std::regex(R"((\d+) requests)")) ? std::stoll(match[1]) : -1;
  }

  static std::vector<const TEntry*> EntriesWhere(bool (*test)(const TEntry&)) {
    std::vector<const TEntry*> found;
    for (const TFeed& feed : Feeds) {
      for (const TEntry& entry : feed.Entries) {
        if (test(entry)) {
          found.push_back(&entry);
        }
      }
    }
    return found;
  }

  test::TempDir m_dir;
  test::TTtrssServer m_server;
  std::optional<test::TTtrssSeed> m_seed;
};

TEST_F(SyncCommand, FirstSyncThenMarksAndStarsBothWays) {
  const std::vector<int64_t> categories = m_seed->AddCategories({"News", "Tech", "Sport", "Music", "Science"});
  std::vector<int64_t> feeds;
  for (const int64_t category : categories) {
    const std::vector<int64_t> added = m_seed->AddFeeds(10, category, "Feed " + std::to_string(category));
    feeds.insert(feeds.end(), added.begin(), added.end());
  }
  const std::vector<int64_t> articles = m_seed->AddArticles(feeds, 100);

  test::TProgramOutput run = Run();
  ASSERT_EQ(run.Status, 0) << run.Out << run.Err;
  EXPECT_NE(run.Out.find("5000 new entries"), std::string::npos) << run.Out;
  LoadStore();
  ASSERT_EQ(Feeds.size(), 50u);
  std::vector<std::string> folders;
  for (const TFeed& feed : Feeds) {
    EXPECT_EQ(feed.Remote.Account, "ttrss1");
    EXPECT_EQ(std::tie(feed.Interval, feed.RefreshAtStart), std::make_tuple(int16_t{0}, false)) << feed.Name;
    EXPECT_EQ(feed.Entries.size(), 100u) << feed.Name;
    folders.push_back(feed.Remote.CategoryTitle);
  }
  std::sort(folders.begin(), folders.end());
  folders.erase(std::unique(folders.begin(), folders.end()), folders.end());
  EXPECT_EQ(folders, (std::vector<std::string>{"Music", "News", "Science", "Sport", "Tech"}));
  EXPECT_EQ(EntriesWhere([](const TEntry& e) { return !e.IsRead; }).size(), 5000u);
  EXPECT_EQ(SyncAccounts.at(0).Position, std::to_string(articles.back()));
  for (const std::string& file : {Store(), Store(".sync-queue")}) {
    EXPECT_EQ(ReadFileToString(file).find(m_server.Password), std::string::npos) << file;
  }
  EXPECT_EQ((run.Out + run.Err).find(m_server.Password), std::string::npos);

  // Nothing changed on the server: the requests do not grow with the number of feeds, and the store stays as it is.
  struct stat before {};
  ::stat(Store().c_str(), &before);
  run = Run();
  ASSERT_EQ(run.Status, 0) << run.Out << run.Err;
  const int64_t idle = Requests(run);
  EXPECT_GT(idle, 0);
  EXPECT_LE(idle, 8) << run.Out;
  struct stat after {};
  ::stat(Store().c_str(), &after);
  EXPECT_EQ(std::tie(after.st_ino, after.st_mtim.tv_sec, after.st_mtim.tv_nsec),
            std::tie(before.st_ino, before.st_mtim.tv_sec, before.st_mtim.tv_nsec));

  // Marks and stars made on the server (all in the first feed) arrive, at the cost of that one feed.
  m_seed->SetMark({articles.begin(), articles.begin() + 40}, "unread", false);
  m_seed->SetMark({articles.begin() + 40, articles.begin() + 45}, "marked", true);
  run = Run();
  ASSERT_EQ(run.Status, 0) << run.Out << run.Err;
  EXPECT_EQ(Requests(run), idle + 1) << run.Out;
  LoadStore();
  EXPECT_EQ(EntriesWhere([](const TEntry& e) { return e.IsRead; }).size(), 40u);
  std::vector<int64_t> starred;
  for (const TEntry* entry : EntriesWhere([](const TEntry& e) { return e.Starred; })) {
    starred.push_back(entry->ArticleId);
  }
  std::sort(starred.begin(), starred.end());
  EXPECT_EQ(starred, std::vector<int64_t>(articles.begin() + 40, articles.begin() + 45));

  // Marks made here go to the server through the queue, which empties.
  TSyncQueue queue;
  queue.Add({"ttrss1", articles[0], TSyncField::Read, false});
  queue.Add({"ttrss1", articles[500], TSyncField::Read, true});
  queue.Add({"ttrss1", articles[600], TSyncField::Starred, true});
  ASSERT_TRUE(SaveSyncQueue(Store(".sync-queue"), queue));
  run = Run();
  ASSERT_EQ(run.Status, 0) << run.Out << run.Err;
  EXPECT_NE(run.Out.find("3 changes sent"), std::string::npos) << run.Out;
  const std::vector<int64_t> unread = m_seed->MarkedIds("unread");
  EXPECT_TRUE(std::binary_search(unread.begin(), unread.end(), articles[0]));
  EXPECT_FALSE(std::binary_search(unread.begin(), unread.end(), articles[500]));
  const std::vector<int64_t> marked = m_seed->MarkedIds("marked");
  EXPECT_TRUE(std::binary_search(marked.begin(), marked.end(), articles[600]));
  EXPECT_FALSE(FileExists(Store(".sync-queue")));
}

// One article read on the server and another marked unread again leave the feed's unread count as it was, which the
// usual sync compares; --all-marks compares the unread articles of every feed that has any, so both marks arrive.
TEST_F(SyncCommand, AllMarksBringsMarksThatLeftTheCountsAsTheyWere) {
  const std::vector<int64_t> articles = m_seed->AddArticles(m_seed->AddFeeds(3, 0), 4);  // the first feed's first
  m_seed->SetMark({articles[1]}, "unread", false);
  ASSERT_EQ(Run().Status, 0);
  m_seed->SetMark({articles[0]}, "unread", false);
  m_seed->SetMark({articles[1]}, "unread", true);
  const test::TProgramOutput run = Run("", "--all-marks");
  ASSERT_EQ(run.Status, 0) << run.Out << run.Err;
  LoadStore();
  const auto read = [](int64_t id) {
    for (const TFeed& feed : Feeds) {
      for (const TEntry& entry : feed.Entries) {
        if (entry.ArticleId == id) {
          return std::optional<bool>(entry.IsRead);
        }
      }
    }
    return std::optional<bool>();
  };
  EXPECT_EQ(read(articles[0]), true);
  EXPECT_EQ(read(articles[1]), false);
  EXPECT_EQ(read(articles[2]), false);
}

TEST_F(SyncCommand, RefusedLoginSaysWhyAndChangesNothing) {
  const std::string before = ReadFileToString(Store());
  ASSERT_TRUE(WriteStringToFile(m_dir.File("wrong"), "not the password\n"));
  ::chmod(m_dir.File("wrong").c_str(), 0600);
  test::TProgramOutput run = Run(m_dir.File("wrong"));
  EXPECT_EQ(run.Status, 1);
  EXPECT_NE(run.Out.find("user name or password"), std::string::npos) << run.Out;

  m_seed->SetApiAccess(false);
  run = Run();
  EXPECT_EQ(run.Status, 1);
  EXPECT_NE(run.Out.find("Enable API access"), std::string::npos) << run.Out;
  EXPECT_EQ(ReadFileToString(Store()), before);

  ::chmod(PasswordFile().c_str(), 0644);  // a password others may read is refused before anything is sent
  run = Run();
  EXPECT_EQ(run.Status, 1);
  EXPECT_NE(run.Out.find("chmod 600"), std::string::npos) << run.Out;
}

TEST_F(SyncCommand, ServerLostMidSyncAppliesNothingAndKeepsTheQueue) {
  const std::vector<int64_t> feeds = m_seed->AddFeeds(3, 0);
  const std::vector<int64_t> articles = m_seed->AddArticles(feeds, 150);  // three pages of new articles
  // The real server's answers pass through until the first page of articles; then the connection breaks.
  test::THttpTestServer standIn;
  std::atomic<int> passed{0};
  const std::string api = m_server.Url + "api/";
  standIn.SetHandler([&](const test::TTestRequest& request) {
    if (request.Body.find("getHeadlines") != std::string::npos && passed.fetch_add(1) >= 1) {
      return test::TTestResponse{.Body = "", .Raw = true};
    }
    TFetchOptions options;
    options.Post = true;
    options.PostBody = request.Body;
    options.PostContentType = "application/json";
    std::string answer;
    const TFetchResult fetched = FetchUrl(api, answer, 30000, options);
    return test::TTestResponse{.Status = static_cast<int>(fetched.HttpCode), .Body = answer};
  });
  WriteStore(standIn.Url("/"));
  TSyncQueue queue;
  queue.Add({"ttrss1", articles[0], TSyncField::Starred, true});
  ASSERT_TRUE(SaveSyncQueue(Store(".sync-queue"), queue));
  const std::string storeBefore = ReadFileToString(Store());
  const std::string queueBefore = ReadFileToString(Store(".sync-queue"));

  const test::TProgramOutput run = Run();
  EXPECT_EQ(run.Status, 1) << run.Out << run.Err;
  EXPECT_EQ(ReadFileToString(Store()), storeBefore);
  EXPECT_EQ(ReadFileToString(Store(".sync-queue")), queueBefore);

  // The server is back: the account points at it again.
  WriteStore(m_server.Url);
  ASSERT_TRUE(SaveSyncQueue(Store(".sync-queue"), queue));
  ASSERT_EQ(Run().Status, 0);
  LoadStore();
  EXPECT_EQ(EntriesWhere([](const TEntry& e) { return e.ArticleId != 0; }).size(), 450u);
  EXPECT_EQ(m_seed->MarkedIds("marked"), std::vector<int64_t>{articles[0]});
}

}  // namespace
}  // namespace tidewick
