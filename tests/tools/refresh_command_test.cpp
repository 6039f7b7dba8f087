// tidewick-feed refresh run as a program, as cron runs it: every exit status, against a loopback server.

#include <filesystem>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <utility>

#include "feeds/feed_records.h"
#include "feeds/feed_store.h"
#include "feeds/store_reader.h"
#include "feeds/store_test_support.h"
#include "platform/file_io.h"
#include "support/http_test_server.h"
#include "support/program_run.h"
#include "support/temp_dir.h"
#include "util/files.h"

namespace tidewick {
namespace {

const std::string kFeedDocument =
    "<?xml version=\"1.0\"?><rss version=\"2.0\"><channel><title>T</title><link>http://example.org/</link>"
    "<description>d</description><item><title>entry</title><link>http://example.org/1</link></item></channel></rss>";

class RefreshCommand : public ::testing::Test {
 protected:
  RefreshCommand() { m_server.SetResponse("/good", {.Body = kFeedDocument}); }

  // A store with one feed per path on the loopback server ("/good" answers, anything else is 404).
  void WriteStore(const std::vector<std::string>& paths) {
    TFeeds feeds(paths.size());
    for (size_t i = 0; i < paths.size(); ++i) {
      feeds[i].Name = "Feed " + std::to_string(i);
      feeds[i].URL = m_server.Url(paths[i]);
      feeds[i].Interval = 60;
    }
    ASSERT_TRUE(WriteStringToFile(Store(), FeedStoreText(feeds)));
  }

  std::string Store(const std::string& suffix = "") const { return m_dir.File("Feeds.xml" + suffix); }

  // Runs the tool in the store's folder, bounded so that a hang fails the test instead of blocking it.
  test::TProgramOutput Run(const std::string& shellPrefix = "", const std::string& options = "") const {
    const std::string command = shellPrefix + " NO_PROXY='*' no_proxy='*' exec timeout 60 " +
                                test::ShellQuoted(TIDEWICK_FEED_TOOL) + " refresh " + options + " Feeds.xml";
    return test::RunProgram("/bin/sh", "-c " + test::ShellQuoted(command), m_dir.Path());
  }

  test::TempDir m_dir;
  test::THttpTestServer m_server;
};

TEST_F(RefreshCommand, EmptyStoreEndsAtOnce) {
  Feeds.clear();
  ASSERT_TRUE(SaveFeeds(Store()));  // exactly what the program writes for a store without feeds
  const test::TProgramOutput run = Run();
  EXPECT_EQ(run.Status, 0) << run.Err;
  EXPECT_EQ(run.Out, "0 feeds, 0 new entries, 0 failed\n");
}

TEST_F(RefreshCommand, EveryFeedRefreshedExitsZeroAndSaves) {
  WriteStore({"/good", "/good"});
  const test::TProgramOutput run = Run();
  EXPECT_EQ(run.Status, 0) << run.Err;
  EXPECT_EQ(run.Out, "2 feeds, 2 new entries, 0 failed\n");
  const TStoreReadResult saved = ReadStoreFile(Store());
  ASSERT_EQ(saved.Feeds.size(), 2u);
  EXPECT_EQ(saved.Feeds[1].Entries.size(), 1u);
}

// The store is written while feeds are still fetched; a feed whose answer comes last, between two quick ones, must
// still reach the file with everything its answer brought, not as it was when the writing began.
TEST_F(RefreshCommand, AFeedThatAnswersLastIsSavedWithItsEntries) {
  const std::string slowDocument =
      "<?xml version=\"1.0\"?><rss version=\"2.0\"><channel><title>Slow</title><item><title>one</title>"
      "<link>http://example.org/s1</link></item><item><title>two</title><link>http://example.org/s2</link></item>"
      "</channel></rss>";
  m_server.SetResponse("/slow", {.Body = slowDocument, .DelayMs = 800});
  WriteStore({"/good", "/slow", "/good"});
  const test::TProgramOutput run = Run();
  EXPECT_EQ(run.Status, 0) << run.Err;
  EXPECT_EQ(run.Out, "3 feeds, 4 new entries, 0 failed\n");
  const TStoreReadResult saved = ReadStoreFile(Store());
  ASSERT_TRUE(saved.Complete);
  ASSERT_EQ(saved.Feeds.size(), 3u);
  ASSERT_EQ(saved.Feeds[1].Entries.size(), 2u);
  EXPECT_EQ(saved.Feeds[1].Entries[1].Title, "two");
  EXPECT_EQ(saved.Feeds[2].Entries.size(), 1u);
  EXPECT_FALSE(std::filesystem::exists(Store(".tmp")));
}

// Words the command does not know, an option without its value or given twice, a second store: a usage error that
// asks no feed and leaves the store as it was (the store commands share their parsing).
TEST_F(RefreshCommand, WordsItDoesNotTakeAreUsageErrorsThatTouchNothing) {
  WriteStore({"/good"});
  const std::string before = ReadFileToString(Store());
  for (const std::string options : {"--bogus", "-x", "--settings", "Other.xml", "--settings a --settings b"}) {
    const test::TProgramOutput run = Run("", options);
    EXPECT_EQ(run.Status, 2) << options;
    EXPECT_NE(run.Err.find("usage: tidewick-feed refresh"), std::string::npos) << options << ": " << run.Err;
  }
  EXPECT_EQ(ReadFileToString(Store()), before);
  EXPECT_EQ(m_server.RequestCount(), 0);
}

TEST_F(RefreshCommand, FailedFeedExitsOneAndIsNamedWithItsReason) {
  WriteStore({"/good", "/missing"});
  const test::TProgramOutput run = Run("", "--lang " + test::ShellQuoted(TIDEWICK_SOURCE_DIR "/Language/English.lng"));
  EXPECT_EQ(run.Status, 1) << run.Err;
  EXPECT_NE(run.Out.find("failed: Feed 1 <" + m_server.Url("/missing") + ">: HTTP 404 (not found)\n"),
            std::string::npos)
      << run.Out;
  EXPECT_NE(run.Out.find("2 feeds, 1 new entries, 1 failed"), std::string::npos) << run.Out;
}

TEST_F(RefreshCommand, StoreHeldByAnotherProcessExitsThree) {
  WriteStore({"/good"});
  const std::string before = ReadFileToString(Store());
  TFeedStoreLock lock;
  std::string message;
  ASSERT_TRUE(lock.Acquire(Store(), message));
  // Regression: without --lang the tool spoke German whatever the locale, and said this run could overwrite the
  // other's changes. Its language now follows the environment.
  const std::pair<const char*, const char*> cases[] = {{"LANG=C.UTF-8", "another Tidewick process"},
                                                       {"LANG=en_GB.UTF-8 LANGUAGE=eo:en", "another Tidewick process"},
                                                       {"LANG=de_AT.UTF-8", "anderen Tidewick-Prozess"}};
  for (const auto& [environment, says] : cases) {
    const test::TProgramOutput run = Run(std::string("LANGUAGE= LC_ALL= LC_MESSAGES= ") + environment);
    EXPECT_EQ(run.Status, 3) << environment;
    EXPECT_NE(run.Err.find(says), std::string::npos) << environment << ": " << run.Err;
    EXPECT_EQ(run.Err.find("berschreib"), std::string::npos) << run.Err;  // nothing here could be overwritten
    EXPECT_EQ(run.Err.find("overwrite"), std::string::npos) << run.Err;
  }
  EXPECT_EQ(ReadFileToString(Store()), before);
  EXPECT_EQ(m_server.RequestCount(), 0);
}

TEST_F(RefreshCommand, FailedSaveExitsFour) {
  WriteStore({"/good"});
  const std::string before = ReadFileToString(Store());
  std::filesystem::create_directory(Store(".tmp"));  // the new store cannot be written
  const test::TProgramOutput run = Run();
  EXPECT_EQ(run.Status, 4) << run.Err;
  EXPECT_EQ(ReadFileToString(Store()), before);
}

TEST_F(RefreshCommand, StoreThatCannotBeReadExitsTwoAndStaysAsItWas) {
  const test::TProgramOutput missing = Run();
  EXPECT_EQ(missing.Status, 2);
  EXPECT_NE(missing.Err.find("cannot read the feed store"), std::string::npos) << missing.Err;
  EXPECT_FALSE(std::filesystem::exists(Store()));

#if !defined(__SANITIZE_ADDRESS__)  // the sanitizer runtime needs descriptors of its own and fails first
  // After the lock file no descriptor is left: the store exists but cannot be read, and must not be replaced. (The
  // descriptors this test program leaves open are closed first, so the shell and the tool start with 0, 1 and 2.)
  WriteStore({"/good"});
  const std::string before = ReadFileToString(Store());
  const test::TProgramOutput unreadable = Run("exec 3>&- 4>&- 5>&- 6>&- 7>&- 8>&- 9>&- && ulimit -n 4 &&");
  EXPECT_EQ(unreadable.Status, 2);
  EXPECT_NE(unreadable.Err.find("Too many open files"), std::string::npos) << unreadable.Err;
  EXPECT_EQ(ReadFileToString(Store()), before);
  EXPECT_EQ(m_server.RequestCount(), 0);
#endif
}

TEST_F(RefreshCommand, RecoveredStoreExitsNonZeroAndNamesTheDamagedCopy) {
  WriteStore({"/good"});
  const std::string complete = ReadFileToString(Store());
  ASSERT_TRUE(WriteStringToFile(Store(".bak"), complete));
  const std::string damaged = complete.substr(0, complete.size() / 2);
  ASSERT_TRUE(WriteStringToFile(Store(), damaged));
  const test::TProgramOutput run = Run();
  EXPECT_EQ(run.Status, 5) << run.Err;
  const size_t named = run.Err.find("Feeds.xml.damaged-");
  ASSERT_NE(named, std::string::npos) << run.Err;
  const std::string copy = run.Err.substr(named, run.Err.find('"', named) - named);
  EXPECT_EQ(ReadFileToString(m_dir.File(copy)), damaged);
  EXPECT_EQ(ReadStoreFile(Store()).Feeds.at(0).Entries.size(), 1u);  // refreshed and saved all the same
}

// Fault guarded: one stray byte that cut a closing tag off lost every later feed and entry without counting as
// damage (exit 1, no copy kept), and the next run made the loss the backup.
TEST_F(RefreshCommand, StoreWithATagCutOffIsDamagedAndLosesNothing) {
  TFeeds feeds = test::NumberedStore(3, 5, true);
  for (TFeed& feed : feeds) {
    feed.URL = m_server.Url("/missing");  // the entries stay as they are
  }
  std::string text = FeedStoreText(feeds);
  text.replace(text.find("</Item2>"), 8, "</Item2\xa8");
  ASSERT_TRUE(WriteStringToFile(Store(), text));
  const test::TProgramOutput first = Run();
  EXPECT_EQ(first.Status, 5) << first.Err;
  EXPECT_NE(first.Err.find("Feeds.xml.damaged-"), std::string::npos) << first.Err;
  const TStoreReadResult saved = ReadStoreFile(Store());
  ASSERT_EQ(saved.Feeds.size(), 3u);
  for (const TFeed& feed : saved.Feeds) {
    EXPECT_EQ(feed.Entries.size(), 5u);
  }
  EXPECT_EQ(Run().Status, 0);  // the store is sound again (and no feed is asked twice within a minute)
  EXPECT_EQ(ReadStoreFile(Store()).Feeds.size(), 3u);
  const TStoreReadResult backup = ReadStoreFile(Store(".bak"));
  EXPECT_TRUE(!backup.Opened || backup.Feeds.size() == 3u);  // never the loss
}

TEST_F(RefreshCommand, VerboseTellsEachFeedsResultAndALaterRunAsksOnlyWhetherTheFeedChanged) {
  m_server.SetHandler([](const test::TTestRequest& request) {
    return request.Target != "/good" ? test::TTestResponse{.Status = 404}
                                     : test::ConditionalAnswer(request, "\"v1\"", kFeedDocument);
  });
  WriteStore({"/good", "/missing"});
  const test::TProgramOutput first = Run("", "--verbose");
  EXPECT_EQ(first.Status, 1) << first.Err;
  EXPECT_NE(first.Out.find("Feed 0 <" + m_server.Url("/good") + ">: HTTP 200, "), std::string::npos) << first.Out;
  EXPECT_NE(first.Out.find(" bytes, 1 new entries\n"), std::string::npos) << first.Out;
  EXPECT_NE(first.Out.find("Feed 1 <" + m_server.Url("/missing") + ">: HTTP 404, "), std::string::npos) << first.Out;

  // Within the minute the feeds are not asked again.
  const test::TProgramOutput again = Run("", "--verbose");
  EXPECT_NE(again.Out.find("Feed 0 <" + m_server.Url("/good") + ">: not asked: asked less than a minute ago"),
            std::string::npos)
      << again.Out;
  EXPECT_EQ(m_server.RequestCount(), 2);

  TStoreReadResult saved = ReadStoreFile(Store());
  for (TFeed& feed : saved.Feeds) {
    feed.Refresh.LastTime -= 2.0 / (24 * 60);
  }
  ASSERT_TRUE(WriteStringToFile(Store(), FeedStoreText(saved.Feeds)));
  const std::optional<TFileVersion> stored = FileVersionOf(Store());
  const std::optional<std::string> storedText = ReadWholeFile(Store());
  const test::TProgramOutput later = Run("", "--verbose");
  EXPECT_NE(later.Out.find("Feed 0 <" + m_server.Url("/good") + ">: HTTP 304, "), std::string::npos) << later.Out;
  EXPECT_NE(later.Out.find(" bytes, unchanged\n"), std::string::npos) << later.Out;
  EXPECT_EQ(ReadStoreFile(Store()).Feeds.at(0).Entries.size(), 1u);
  // Only refresh state changed: the store file stays as it was, the state file beside it has the news.
  EXPECT_EQ(FileVersionOf(Store()), stored);
  EXPECT_EQ(ReadWholeFile(Store()), storedText);

  // A minute later the validators still go out, although the store file never took the 304's state.
  ASSERT_EQ(LoadFeedStore(Store()).Status, TStoreLoadStatus::Loaded);
  ASSERT_NE(Feeds.at(0).Refresh.LastTime, ReadStoreFile(Store()).Feeds.at(0).Refresh.LastTime);
  for (TFeed& feed : Feeds) {
    feed.Refresh.LastTime -= 2.0 / (24 * 60);
  }
  ASSERT_TRUE(SaveFeedStore(Store(), Feeds, TStoreChanges::RefreshStateOnly).Written());
  const test::TProgramOutput last = Run("", "--verbose");
  EXPECT_NE(last.Out.find("Feed 0 <" + m_server.Url("/good") + ">: HTTP 304, "), std::string::npos) << last.Out;
  EXPECT_EQ(FileVersionOf(Store()), stored);
}

}  // namespace
}  // namespace tidewick
