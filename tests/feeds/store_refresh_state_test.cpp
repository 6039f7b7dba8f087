// The refresh state of a feed in the store file: written only once there is one (the golden store, never refreshed,
// has none), read back whole, and a store with elements the reader does not know (from a later version) loses
// nothing it does know. A save of the refresh state alone goes into the state file beside the store and leaves the
// store file as it is; whatever befalls the state file, the store's own copy of the state still counts.

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <tuple>

#include "feeds/feed_store.h"
#include "feeds/store_reader.h"
#include "feeds/store_state.h"
#include "feeds/store_test_support.h"
#include "platform/file_io.h"
#include "support/temp_dir.h"
#include "util/dates.h"
#include "util/files.h"

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
  // The first match wins, as everywhere in the store; the bad numbers read as none.
  TFeedRefreshState expected;
  expected.Url = "u";
  expected.ETag = "first";
  EXPECT_EQ(feed.Refresh, expected);
}

class StateFile : public ::testing::Test {
 protected:
  // A store saved whole with the old state, then a refresh that learnt a new one, saved as refresh state only.
  void SetUp() override {
    TFeeds feeds = test::SmallStore();
    feeds[0].Refresh = EveryFieldSet();
    feeds[0].Refresh.ETag = "old";
    ASSERT_TRUE(SaveFeedStore(m_store, feeds).Written());
    ::chmod(m_store.c_str(), 0600);
    ASSERT_EQ(LoadFeedStore(m_store).Status, TStoreLoadStatus::Loaded);
    m_storeBytes = ReadWholeFile(m_store).value_or("");
    m_storeVersion = FileVersionOf(m_store);
    Feeds[0].Refresh.ETag = "new";
    Feeds[0].LastDownloaded = UnixSecondsToDateTime(1800000000);
    Feeds[1].Error = false;
    ASSERT_TRUE(SaveFeedStore(m_store, Feeds, TStoreChanges::RefreshStateOnly).Written());
  }

  void ExpectStoreUntouched() const {
    EXPECT_EQ(FileVersionOf(m_store), m_storeVersion);
    EXPECT_EQ(ReadWholeFile(m_store), m_storeBytes);
  }

  void ExpectNewState(bool expected) const {
    EXPECT_EQ(Feeds.at(0).Refresh.ETag, expected ? "new" : "old");
    EXPECT_EQ(Feeds.at(1).Error, !expected);
  }

  std::vector<std::string> DamagedCopies() const { return test::FilesStartingWith(m_state + ".damaged-"); }

  test::TempDir m_dir;
  std::string m_store = m_dir.File("Feeds.xml");
  std::string m_state = m_store + ".state";
  std::string m_storeBytes;
  std::optional<TFileVersion> m_storeVersion;
};

TEST_F(StateFile, ARefreshStateSaveLeavesTheStoreFileAndIsReadBackWithIt) {
  ExpectStoreUntouched();
  struct stat info {};
  ASSERT_EQ(::stat(m_state.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);  // addresses may hold credentials
  Feeds.clear();
  const TStoreLoadResult loaded = LoadFeedStore(m_store);
  EXPECT_EQ(loaded.Status, TStoreLoadStatus::Loaded);
  ExpectNewState(true);
  EXPECT_EQ(Feeds[0].LastDownloaded, UnixSecondsToDateTime(1800000000));
  // Nothing new: nothing is written at all.
  const auto stateVersion = FileVersionOf(m_state);
  ASSERT_TRUE(SaveFeedStore(m_store, Feeds, TStoreChanges::RefreshStateOnly).Written());
  EXPECT_EQ(FileVersionOf(m_state), stateVersion);
  ExpectStoreUntouched();
}

TEST_F(StateFile, WhateverBefallsTheStateFileTheStoresOwnStateCounts) {
  const std::string storeText = m_storeBytes;
  const std::string& state = m_state;
  // What befalls it, whether the state in it then applies, and whether it counts as damaged.
  const std::tuple<const char*, std::function<void()>, bool, bool> cases[] = {
      {"left as it was", [] {}, true, false},
      {"cut short by a crash", [&] { std::filesystem::resize_file(state, std::filesystem::file_size(state) / 2); },
       false, true},
      {"not a document", [&] { ASSERT_TRUE(WriteStringToFile(state, "\xff\xfe\x00garbage")); }, false, true},
      {"naming other feeds",
       [&] {
         std::string text = ReadWholeFile(state).value_or("");
         text.replace(text.find("<Name>Empty</Name>"), 18, "<Name>Other</Name>");
         ASSERT_TRUE(WriteStringToFile(state, text));
       },
       false, true},
      // An older version knows nothing of the state file and writes the store with the state it read.
      {"outlived by a store an older version wrote",
       [&] {
         ASSERT_TRUE(std::filesystem::remove(m_store));
         ASSERT_TRUE(WriteStringToFile(m_store, storeText));
       },
       false, false},
  };
  const std::string stateText = ReadWholeFile(m_state).value_or("");
  for (const auto& [what, befall, applies, damaged] : cases) {
    SCOPED_TRACE(what);
    ASSERT_TRUE(WriteStringToFile(m_state, stateText));
    befall();
    Feeds.clear();
    const TStoreLoadResult loaded = LoadFeedStore(m_store);
    EXPECT_EQ(loaded.Status, TStoreLoadStatus::Loaded);
    EXPECT_EQ(loaded.FeedCount, 2);
    ExpectNewState(applies);
    EXPECT_EQ(Feeds[0].Refresh.LastStatus, 304);  // the store's own state is whole
    EXPECT_EQ(!loaded.StateDamagedCopy.empty(), damaged);
    if (damaged) {
      EXPECT_FALSE(std::filesystem::exists(m_state));
      ASSERT_EQ(DamagedCopies().size(), 1u);
      std::filesystem::remove(DamagedCopies()[0]);
    }
  }
}

TEST_F(StateFile, TheWholeStoreIsWrittenWhenMoreThanTheStateChangedAndThenTakesTheState) {
  Feeds[0].Entries.pop_back();  // the caller was wrong: entries changed too
  ASSERT_TRUE(SaveFeedStore(m_store, Feeds, TStoreChanges::RefreshStateOnly).Written());
  EXPECT_FALSE(std::filesystem::exists(m_state));
  const TStoreReadResult read = ReadStoreFile(m_store);
  ASSERT_EQ(read.Feeds.size(), 2u);
  EXPECT_EQ(read.Feeds[0].Entries.size(), 1u);
  EXPECT_EQ(read.Feeds[0].Refresh.ETag, "new");

  // A store file this process did not write or read last is never taken as holding the rest.
  Feeds[0].Refresh.ETag = "newer";
  ASSERT_TRUE(WriteStringToFile(m_store, FeedStoreText(test::SmallStore())));
  ASSERT_TRUE(SaveFeedStore(m_store, Feeds, TStoreChanges::RefreshStateOnly).Written());
  EXPECT_EQ(ReadStoreFile(m_store).Feeds.at(0).Entries.size(), 1u);
  EXPECT_FALSE(std::filesystem::exists(m_state));
}

}  // namespace
}  // namespace tidewick
