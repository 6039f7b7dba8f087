// A damaged store loses only what the damage touched: the reading goes on past it at the next feed or entry, a
// store whose structure is broken always counts as damaged (and so keeps its copy), and the backup fills in only
// what the damaged file no longer shows.

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "feeds/feed_store.h"
#include "feeds/store_reader.h"
#include "feeds/store_test_support.h"
#include "support/env_guard.h"
#include "support/table_file.h"
#include "support/temp_dir.h"
#include "util/files.h"

namespace tidewick {
namespace {

using test::NumberedStore;

std::string Replaced(std::string text, std::string_view from, std::string_view to) {
  const size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

// An entry or a feed as the store writes it: equal texts, equal records.
std::string EntryText(const TEntry& item) {
  TFeeds one(1);
  one[0].Entries = {item};
  return FeedStoreText(one);
}

std::string FeedText(const TFeed& feed) {
  return FeedStoreText(TFeeds{feed});
}

size_t EntryCount(const TFeeds& feeds) {
  size_t count = 0;
  for (const TFeed& feed : feeds) {
    count += feed.Entries.size();
  }
  return count;
}

// How many entries of read equal one of original's.
size_t SameEntries(const TFeeds& read, const TFeeds& original) {
  std::multiset<std::string> written;
  for (const TFeed& feed : original) {
    for (const TEntry& item : feed.Entries) {
      written.insert(EntryText(item));
    }
  }
  size_t same = 0;
  for (const TFeed& feed : read) {
    for (const TEntry& item : feed.Entries) {
      if (const auto found = written.find(EntryText(item)); found != written.end()) {
        written.erase(found);
        ++same;
      }
    }
  }
  return same;
}

// Fault guarded: the reading ended at the first broken tag, so every later feed and entry was lost, and a tag cut
// off by a stray byte did not even count as damage (the next save made the loss permanent).
TEST(StoreResync, BrokenStructureIsDamageAndEveryLaterFeedAndEntryIsRead) {
  const TFeeds store = NumberedStore(3, 5, true);
  test::CheckTableFile("feeds/store_resync.tsv", 2, [&store](const std::vector<std::string>& in) -> std::string {
    const TStoreReadResult read = ReadStoreText(Replaced(FeedStoreText(store), in[0], in[1]));
    if (read.Complete || read.Feeds.size() != 3 || EntryCount(read.Feeds) != 15) {
      return "complete or lost feeds or entries";
    }
    for (size_t n = 0; n < 3; ++n) {
      if (read.Feeds[n].Name != store[n].Name || read.Feeds[n].URL != store[n].URL) {
        return "feed " + std::to_string(n + 1) + " changed";
      }
    }
    return std::to_string(SameEntries(read.Feeds, store));
  });
}

TEST(StoreResyncEncoding, StrayWindows1252BytesAreNoDamage) {
  const TFeeds store = NumberedStore(2, 2, false);
  const TStoreReadResult read = ReadStoreText(Replaced(FeedStoreText(store), "Größe", "Gr\366\337e"));
  EXPECT_TRUE(read.Complete) << read.Damage;
  ASSERT_EQ(read.Feeds.size(), 2u);
  EXPECT_EQ(read.Feeds[0].Entries[0].Title, "Entry 1.1 Größe");
}

class StoreDamageFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    Feeds.clear();
    m_file = m_dir.File("Feeds.xml");
  }
  void TearDown() override { Feeds.clear(); }

  TStoreLoadResult LoadDamaged(const std::string& text) {
    EXPECT_TRUE(WriteStringToFile(m_file, text));
    const TStoreLoadResult result = LoadFeedStore(m_file);
    EXPECT_TRUE(result.Recovered());
    EXPECT_EQ(ReadFileToString(result.DamagedCopy), text);
    return result;
  }

  static std::vector<std::string> Names() {
    std::vector<std::string> names;
    for (const TFeed& feed : Feeds) {
      names.push_back(feed.Name);
    }
    return names;
  }

  static int ReadMarks() {
    int marks = 0;
    for (const TFeed& feed : Feeds) {
      for (const TEntry& item : feed.Entries) {
        marks += item.IsRead ? 1 : 0;
      }
    }
    return marks;
  }

  test::TempDir m_dir;
  std::string m_file;
};

// Fault guarded: after a damaged tag only the entries before it came back, while the message said all readable
// feeds and entries had been loaded.
TEST_F(StoreDamageFiles, MessageCountsWhatWasRecoveredAndNamesTheCopy) {
  const TStoreLoadResult result =
      LoadDamaged(Replaced(FeedStoreText(NumberedStore(3, 5, true)), "<Visited>", "<Visited%"));
  EXPECT_EQ(result.Status, TStoreLoadStatus::RecoveredPartially);
  EXPECT_TRUE(Feeds.size() == 3 && EntryCount(Feeds) == 15);
  EXPECT_TRUE(result.FeedCount == 3 && result.EntryCount == 15);
  EXPECT_NE(result.Message.find(result.DamagedCopy), std::string::npos) << result.Message;
  EXPECT_NE(result.Message.find(" 3 "), std::string::npos) << result.Message;
  EXPECT_NE(result.Message.find(" 15 "), std::string::npos) << result.Message;
}

// Fault guarded: an older backup was preferred to the readable part of the damaged store, so every read mark set
// since the last save was lost.
TEST_F(StoreDamageFiles, ReadablePartWinsAndTheBackupFillsInOnlyWhatCannotBeRead) {
  ASSERT_TRUE(WriteStringToFile(m_file + ".bak", FeedStoreText(NumberedStore(3, 5, false))));
  const std::string text = FeedStoreText(NumberedStore(3, 5, true));
  const TStoreLoadResult result = LoadDamaged(text.substr(0, text.size() - 300));
  EXPECT_EQ(result.Status, TStoreLoadStatus::RecoveredFromBackup);
  ASSERT_EQ(Feeds.size(), 3u);
  EXPECT_EQ(EntryCount(Feeds), 15u);  // the last entry, cut off, comes from the backup
  EXPECT_EQ(ReadMarks(), 14);
  EXPECT_EQ(result.EntryCount, 15);
  EXPECT_EQ(result.BackupEntryCount, 1);
  EXPECT_TRUE(result.BackupFeeds.empty());
}

// Fault guarded: recovery took an account's Title for the values of a feed whose start tag was damaged, so damage
// anywhere in the store lost the accounts. One the damage itself took comes from the backup, as its feeds name it.
TEST_F(StoreDamageFiles, AccountsSurviveDamageElsewhereAndTheBackupGivesOneTheDamageTook) {
  TFeeds feeds = NumberedStore(3, 2, true);
  const TSyncAccounts accounts = test::AccountsFor(feeds);
  feeds[2].Remote = {"tt2", "8", "", ""};
  const std::string text = FeedStoreText(feeds, accounts);
  TSyncAccounts older = accounts;
  older[0].Position = "5";
  ASSERT_TRUE(WriteStringToFile(m_file + ".bak", FeedStoreText(feeds, older)));
  for (const auto& [damage, position] : {std::pair{Replaced(text, "<Visited>", "<Visited%"), "102"},
                                         std::pair{Replaced(text, "<UserName>anna", "<UserName%anna"), "5"}}) {
    LoadDamaged(damage);
    ASSERT_EQ(SyncAccounts.size(), 2u);
    EXPECT_EQ(SyncAccounts[0].Title, "Home & away");
    EXPECT_EQ(SyncAccounts[0].Position, position);
    ASSERT_EQ(Feeds.size(), 3u);
    for (size_t i = 0; i < feeds.size(); ++i) {
      EXPECT_EQ(Feeds[i].Remote, feeds[i].Remote);
    }
    EXPECT_EQ(Feeds[0].Entries.at(1).ArticleId, 102);
  }
  SyncAccounts.clear();
}

TEST_F(StoreDamageFiles, BackupGivesTheFeedsInTheUnreadablePartButNoFeedTheReadablePartShowsDeleted) {
  TFeeds backup = NumberedStore(4, 2, false);
  TFeeds current = backup;
  current[1] = current[3];  // the second feed was deleted: the last one took its place
  current.pop_back();
  for (TFeed& feed : current) {
    feed.Entries[0].IsRead = true;
  }
  ASSERT_TRUE(WriteStringToFile(m_file + ".bak", FeedStoreText(backup)));
  const std::string text = FeedStoreText(current);
  const TStoreLoadResult result = LoadDamaged(Replaced(text, "<Feed3>", "<Feed3\x01"));
  // Channel 4 (read from the second place) stays, Channel 2 (deleted) stays away; Channel 3, whose start the damage
  // cut off, is read back all the same.
  EXPECT_EQ(Names(), (std::vector<std::string>{"Channel 1", "Channel 4", "Channel 3"}));
  EXPECT_EQ(ReadMarks(), 3);

  // A store cut after its first feed: the two feeds after it come from the backup, and the message names them.
  const TStoreLoadResult cut = LoadDamaged(text.substr(0, text.find("<Feed2>") + 3));
  EXPECT_EQ(Names(), (std::vector<std::string>{"Channel 1", "Channel 2", "Channel 3", "Channel 4"}));
  EXPECT_EQ(cut.BackupFeeds, (std::vector<std::string>{"Channel 2", "Channel 3", "Channel 4"}));
  EXPECT_NE(cut.Message.find("Channel 3"), std::string::npos) << cut.Message;
  EXPECT_EQ(ReadMarks(), 1);
}

// The layout of a written store: where each feed and each of its entries lies.
struct TSpan {
  size_t Begin = 0;
  size_t End = 0;
  bool Meets(size_t begin, size_t end) const { return begin < End && Begin < end; }
};

struct TFeedLayout {
  TSpan Whole;
  std::vector<TSpan> Entries;
};

std::vector<TFeedLayout> LayoutOf(const std::string& text, const TFeeds& feeds) {
  std::vector<TFeedLayout> layout(feeds.size());
  size_t pos = 0;
  for (size_t n = 0; n < feeds.size(); ++n) {
    const std::string number = std::to_string(n + 1);
    const size_t begin = text.find("<Feed" + number + ">", pos);
    pos = text.find("</Feed" + number + ">", begin) + number.size() + 7;
    layout[n].Whole = {begin, pos};
    size_t itemPos = begin;
    for (size_t m = 0; m < feeds[n].Entries.size(); ++m) {
      const std::string item = std::to_string(m + 1);
      const size_t itemBegin = text.find("<Item" + item + ">", itemPos);
      itemPos = text.find("</Item" + item + ">", itemBegin) + item.size() + 7;
      layout[n].Entries.push_back({itemBegin, itemPos});
    }
  }
  return layout;
}

// A small store with all kinds of values: marks, references, CDATA-worthy text, a refresh state.
TFeeds FlipStore() {
  TFeeds feeds = NumberedStore(4, 4, false);
  std::mt19937 random(7);
  for (TFeed& feed : feeds) {
    for (TEntry& item : feed.Entries) {
      item.IsRead = random() % 2 == 0;
      item.Visited = random() % 3 == 0;
      item.Starred = random() % 5 == 0;
    }
  }
  feeds[1].Refresh.Url = feeds[1].URL;
  feeds[1].Refresh.ETag = "\"e\"";
  feeds[2].Entries[1].Description = "x]]>y <![CDATA[z]]> &lt;";
  return feeds;
}

// A memory file system where there is one: each damaged store's copy is synced.
std::optional<std::string> MemoryFolder() {
  if (std::filesystem::is_directory("/dev/shm")) {
    return "/dev/shm";
  }
  const char* folder = std::getenv("TMPDIR");
  return folder != nullptr ? std::optional<std::string>(folder) : std::nullopt;
}

// Fault guarded: 3 of 30 random one-byte changes lost every later feed without counting as damage, and damage that
// was found still lost a quarter to three quarters of the entries.
TEST(StoreByteFlips, LoseNothingButWhatTheyTouchAndKeepTheDamagedCopy) {
  const test::EnvGuard memory("TMPDIR", MemoryFolder());
  const test::TempDir dir;
  const std::string file = dir.File("Feeds.xml");
  const TFeeds store = FlipStore();
  const std::string text = FeedStoreText(store);
  const std::vector<TFeedLayout> layout = LayoutOf(text, store);
  std::mt19937 random(20261207);
  for (int round = 0; round < 250; ++round) {
    const size_t length = round < 200 ? 1 : 8;
    const size_t begin = random() % (text.size() - length);
    std::string damaged = text;
    for (size_t i = begin; i < begin + length; ++i) {
      damaged[i] = static_cast<char>(random() % 256);
    }
    SCOPED_TRACE(testing::Message() << "round " << round << ", bytes " << begin << " to " << begin + length);
    ASSERT_TRUE(WriteStringToFile(file, damaged));
    const TStoreLoadResult result = LoadFeedStore(file);
    ASSERT_TRUE(result.Status == TStoreLoadStatus::Loaded || result.Recovered());
    if (result.Recovered()) {
      EXPECT_EQ(ReadFileToString(result.DamagedCopy), damaged);
      std::filesystem::remove(result.DamagedCopy);
    }
    ASSERT_EQ(Feeds.size(), store.size());
    for (size_t n = 0; n < store.size(); ++n) {
      if (!layout[n].Whole.Meets(begin, begin + length)) {
        EXPECT_EQ(FeedText(Feeds[n]), FeedText(store[n])) << "feed " << n;
        continue;
      }
      std::multiset<std::string> read;
      for (const TEntry& item : Feeds[n].Entries) {
        read.insert(EntryText(item));
      }
      EXPECT_LE(Feeds[n].Entries.size(), store[n].Entries.size());
      for (size_t m = 0; m < store[n].Entries.size(); ++m) {
        if (!layout[n].Entries[m].Meets(begin, begin + length)) {
          EXPECT_EQ(read.count(EntryText(store[n].Entries[m])), 1u) << "entry " << m << " of feed " << n;
        }
      }
    }
    if (HasFailure()) {
      break;
    }
  }
}

}  // namespace
}  // namespace tidewick
