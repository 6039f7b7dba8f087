#include <unistd.h>

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <vector>

#include "feeds/feed_store.h"
#include "feeds/store_reader.h"
#include "feeds/store_test_support.h"
#include "support/temp_dir.h"
#include "util/files.h"

namespace tidewick {
namespace {

using test::ExpectSameFeeds;
using test::SmallStore;

TFeeds OtherStore() {
  TFeeds feeds = SmallStore();
  feeds[0].Name = "Changed";
  feeds[0].Entries[0].IsRead = false;
  return feeds;
}

class StoreRecovery : public ::testing::Test {
 protected:
  void SetUp() override {
    Feeds.clear();
    m_file = m_dir.File("Feeds.xml");
  }
  void TearDown() override {
    SetStoreSaveTestHook(nullptr);
    Feeds.clear();
  }

  std::string Read(const std::string& suffix = "") const { return ReadFileToString(m_file + suffix); }
  bool Exists(const std::string& suffix) const { return std::filesystem::exists(m_file + suffix); }

  std::vector<std::string> DamagedCopies() const { return test::FilesStartingWith(m_file + ".damaged"); }

  // Runs body in a child process; its exit status.
  static int InChild(const std::function<int()>& body) {
    const pid_t child = ::fork();
    if (child == 0) {
      ::_exit(body());
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  // Whether another process takes the store's lock; it ends holding it, as a crashed one would.
  bool AnotherProcessLocks() const {
    return InChild([this]() -> int {
             TFeedStoreLock held;
             std::string message;
             ::_exit(held.Acquire(m_file, message) ? 0 : 1);
           }) == 0;
  }

  // Runs body in a child process as the user "nobody" when the tests run as root (who may read every file); its exit
  // status. The folder is opened to that user.
  int RunAsAnotherUser(const std::function<int()>& body) {
    std::filesystem::permissions(m_dir.Path(), std::filesystem::perms::all);
    return InChild(
        [&body] { return ::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0) ? 99 : body(); });
  }

  static mode_t ModeOf(const std::string& fileName) {
    struct stat info {};
    return ::stat(fileName.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
  }

  // Saves the small store, then the changed one: the store holds the changed one, the backup the small one.
  void SaveTwice(const std::string& file) {
    Feeds = SmallStore();
    ASSERT_TRUE(SaveFeeds(file));
    Feeds = OtherStore();
    ASSERT_TRUE(SaveFeeds(file));
  }

  test::TempDir m_dir;
  std::string m_file;
};

TEST_F(StoreRecovery, SaveKeepsThePreviousCompleteStoreAsBackup) {
  Feeds = SmallStore();
  ASSERT_TRUE(SaveFeeds(m_file));
  EXPECT_FALSE(Exists(".bak"));  // nothing to keep the first time
  SaveTwice(m_file);
  EXPECT_EQ(Read(".bak"), FeedStoreText(SmallStore()));
  EXPECT_EQ(Read(), FeedStoreText(OtherStore()));
  EXPECT_FALSE(Exists(".tmp"));
  EXPECT_FALSE(Exists(".bak.new"));
}

TEST_F(StoreRecovery, WithoutBackupEverythingReadableIsLoaded) {
  const std::string text = FeedStoreText(SmallStore());
  // Cut inside the second entry of the first feed: the first entry is whole, the second is dropped.
  const size_t cut = text.find("<Author>Анна");
  ASSERT_NE(cut, std::string::npos);
  ASSERT_TRUE(WriteStringToFile(m_file, text.substr(0, cut)));
  const TStoreLoadResult result = LoadFeedStore(m_file);
  EXPECT_EQ(result.Status, TStoreLoadStatus::RecoveredPartially);
  EXPECT_FALSE(result.Message.empty());
  ASSERT_EQ(Feeds.size(), 1u);
  EXPECT_EQ(Feeds[0].Name, "Tech & <News>");
  ASSERT_EQ(Feeds[0].Entries.size(), 1u);
  test::ExpectSameItem(Feeds[0].Entries[0], SmallStore()[0].Entries[0]);
  EXPECT_EQ(ReadFileToString(result.DamagedCopy), text.substr(0, cut));
  EXPECT_TRUE(result.MaySave());
}

const std::string kDecl = "<?xml version=\"1.0\"?>\r\n";

TEST_F(StoreRecovery, DamagedStoresAreRecognised) {
  for (const std::string& text :
       {std::string(), std::string(" \r\n "), std::string("<!-- x -->"), std::string("<?xml vers"),
        kDecl + "<Feeds>\r\n  <Feed1>\r\n", kDecl + "<Feeds><Feed1><Na",
        kDecl + "<Feeds><Feed1></x></Feed1></Feeds><Feed2></Feed2>", kDecl + std::string("<Feeds>\0\0\0</Feeds>", 18),
        kDecl + "<rss><channel /></rss>"}) {
    SCOPED_TRACE(text);
    ASSERT_TRUE(WriteStringToFile(m_file, text));
    EXPECT_EQ(LoadFeedStore(m_file).Status, TStoreLoadStatus::RecoveredPartially);
    EXPECT_FALSE(ReadStoreText(text).Complete);
  }
}

TEST_F(StoreRecovery, StoreWithoutFeedsIsValidAndNeverBringsBackTheBackup) {
  ASSERT_TRUE(WriteStringToFile(m_file + ".bak", FeedStoreText(SmallStore())));
  for (const std::string& text : {kDecl, kDecl + "<Feeds />\r\n", kDecl + "<Feeds>\r\n</Feeds>\r\n"}) {
    SCOPED_TRACE(text);
    Feeds = SmallStore();
    ASSERT_TRUE(WriteStringToFile(m_file, text));
    const TStoreLoadResult result = LoadFeedStore(m_file);
    EXPECT_EQ(result.Status, TStoreLoadStatus::Loaded);
    EXPECT_TRUE(result.Message.empty());
    EXPECT_TRUE(Feeds.empty());
    EXPECT_FALSE(LoadFeeds(m_file));
  }
  EXPECT_TRUE(DamagedCopies().empty());
  Feeds.clear();
  ASSERT_TRUE(SaveFeeds(m_file));
  EXPECT_EQ(Read(), kDecl);
}

TEST_F(StoreRecovery, MissingStoreLeavesFeedsAlone) {
  Feeds = SmallStore();
  const TStoreLoadResult result = LoadFeedStore(m_file);
  EXPECT_EQ(result.Status, TStoreLoadStatus::Missing);
  EXPECT_FALSE(LoadFeeds(m_file));
  EXPECT_EQ(Feeds.size(), 2u);
}

TEST_F(StoreRecovery, StoreCutAtAnyByteIsRecognisedOrEmpty) {
  const std::string text = FeedStoreText(SmallStore());
  for (size_t size = 0; size < text.size(); ++size) {
    SCOPED_TRACE(size);
    const TStoreReadResult read = ReadStoreText(text.substr(0, size));
    if (read.Complete) {
      // Only the bare declaration reads as a complete (empty) store, and the whole text less its last line break.
      if (size <= kDecl.size()) {
        EXPECT_GE(size, kDecl.size() - 2);
        EXPECT_TRUE(read.Feeds.empty());
      } else {
        EXPECT_GE(size, text.size() - 2);
        ExpectSameFeeds(read.Feeds, SmallStore());
      }
    }
    // Whatever a damaged store yields is whole: names and entries as written, nothing cut.
    for (const TFeed& feed : read.Feeds) {
      EXPECT_TRUE(feed.Name == "Tech & <News>" || feed.Name == "Empty") << feed.Name;
      for (const TEntry& item : feed.Entries) {
        EXPECT_TRUE(item.Title == "Größe" || item.Title == "Привет") << item.Title;
      }
    }
    if (HasFailure()) {
      break;
    }
  }
}

TEST_F(StoreRecovery, CutStoreFilesComeBackWholeWithTheBackup) {
  const std::string text = FeedStoreText(SmallStore());
  ASSERT_TRUE(WriteStringToFile(m_file + ".bak", text));
  for (size_t size = kDecl.size() + 1; size < text.size() - 2; size += 37) {
    SCOPED_TRACE(size);
    ASSERT_TRUE(WriteStringToFile(m_file, text.substr(0, size)));
    const TStoreLoadResult result = LoadFeedStore(m_file);
    ASSERT_TRUE(result.Recovered());
    // The backup gave what the cut took, and only that.
    EXPECT_EQ(result.Status, result.BackupEntryCount > 0 || !result.BackupFeeds.empty()
                                 ? TStoreLoadStatus::RecoveredFromBackup
                                 : TStoreLoadStatus::RecoveredPartially);
    EXPECT_FALSE(result.Message.empty());
    EXPECT_EQ(result.DamagedCopy.rfind(m_file + ".damaged-", 0), 0u) << result.DamagedCopy;
    ExpectSameFeeds(Feeds, SmallStore());
    EXPECT_EQ(ReadFileToString(result.DamagedCopy), text.substr(0, size));
  }
}

TEST_F(StoreRecovery, SaveInterruptedAtAnyByteLeavesBothFilesAsTheyWere) {
  SaveTwice(m_file);
  const std::string store = Read();
  const std::string backup = Read(".bak");
  const size_t fullSize = FeedStoreText(SmallStore()).size();
  Feeds = SmallStore();
  for (size_t size = 0; size < fullSize; ++size) {
    SCOPED_TRACE(size);
    SetStoreSaveTestHook([size](const std::string& temp) { ASSERT_EQ(::truncate(temp.c_str(), size), 0); });
    EXPECT_FALSE(SaveFeeds(m_file));
    EXPECT_EQ(Read(), store);
    EXPECT_EQ(Read(".bak"), backup);
    EXPECT_FALSE(Exists(".tmp"));
    if (HasFailure()) {
      break;
    }
  }
  SetStoreSaveTestHook(nullptr);
  EXPECT_TRUE(SaveFeeds(m_file));
  EXPECT_EQ(Read(".bak"), store);
}

// The command line's refresh begins saving while feeds are still fetched. What ends in the file is every feed as it
// is at the end (also those that changed after the save began), with the accounts, and the old store becomes the
// backup, as with any save. Large enough to be synced while it is written.
TEST_F(StoreRecovery, SaveAheadEndsWithTheFeedsAsTheyAreAtTheEnd) {
  TFeeds feeds = test::NumberedStore(10, 1500, false);
  const TSyncAccounts accounts = test::AccountsFor(feeds);
  ASSERT_TRUE(SaveFeedStore(m_file, feeds, accounts).Written());
  const std::string before = Read();
  {
    TStoreSaveAhead save(m_file, feeds, 1);
    feeds[1].Entries[0].IsRead = true;  // not final yet when the save began
    save.WriteFinal(feeds, 3);
    feeds[3].Name = "Renamed later";
    feeds[9].Entries.pop_back();
    save.WriteFinal(feeds, 2);  // an earlier count writes nothing twice
    ASSERT_TRUE(save.Finish(feeds).Written());
  }
  EXPECT_TRUE(Read() == FeedStoreText(feeds, accounts));  // not EXPECT_EQ: a diff of megabytes takes minutes
  EXPECT_TRUE(Read(".bak") == before);
  EXPECT_FALSE(Exists(".tmp"));
}

// A save begun ahead that is abandoned, cut short or cannot be written leaves the store and its backup as they were.
TEST_F(StoreRecovery, SaveAheadThatFailsOrIsAbandonedChangesNothing) {
  SaveTwice(m_file);
  const std::string store = Read();
  const std::string backup = Read(".bak");
  Feeds = SmallStore();
  const auto expectUnchanged = [&] {
    EXPECT_EQ(Read(), store);
    EXPECT_EQ(Read(".bak"), backup);
    EXPECT_FALSE(Exists(".bak.new"));
  };
  { TStoreSaveAhead abandoned(m_file, Feeds, 1); }
  expectUnchanged();
  EXPECT_FALSE(Exists(".tmp"));
  SetStoreSaveTestHook([](const std::string& temp) { ASSERT_EQ(::truncate(temp.c_str(), 100), 0); });
  EXPECT_FALSE(TStoreSaveAhead(m_file, Feeds, 0).Finish(Feeds).Written());
  expectUnchanged();
  EXPECT_FALSE(Exists(".tmp"));
  SetStoreSaveTestHook(nullptr);
  std::filesystem::create_directory(m_file + ".tmp");  // the temporary file cannot be created
  EXPECT_FALSE(TStoreSaveAhead(m_file, Feeds, 2).Finish(Feeds).Written());
  expectUnchanged();
}

TEST_F(StoreRecovery, SaveThatCannotWriteReturnsFalseAndChangesNothing) {
  SaveTwice(m_file);
  const std::string store = Read();
  const std::string backup = Read(".bak");
  std::filesystem::create_directory(m_file + ".tmp");  // the temporary file cannot be created
  EXPECT_FALSE(SaveFeeds(m_file));
  EXPECT_EQ(Read(), store);
  EXPECT_EQ(Read(".bak"), backup);
  EXPECT_FALSE(SaveFeeds(m_dir.File("no-such-folder/Feeds.xml")));
}

TEST_F(StoreRecovery, SaveThroughASymbolicLinkKeepsTheLink) {
  std::filesystem::create_directory(m_dir.Path() / "real");
  const std::string real = m_dir.File("real/Feeds.xml");
  std::filesystem::create_symlink(real, m_file);
  SaveTwice(m_file);
  EXPECT_TRUE(std::filesystem::is_symlink(m_file));
  EXPECT_EQ(ReadFileToString(real), FeedStoreText(OtherStore()));
  EXPECT_EQ(ReadFileToString(real + ".bak"), FeedStoreText(SmallStore()));
}

TEST_F(StoreRecovery, EachDamageKeepsItsOwnCopy) {
  const std::string text = FeedStoreText(SmallStore());
  const std::string first = text.substr(0, text.size() / 2);
  const std::string second = text.substr(0, text.size() / 3);
  ASSERT_TRUE(WriteStringToFile(m_file, first));
  const TStoreLoadResult one = LoadFeedStore(m_file);
  ASSERT_TRUE(SaveFeeds(m_file));
  ASSERT_TRUE(WriteStringToFile(m_file, second));
  const TStoreLoadResult two = LoadFeedStore(m_file);
  EXPECT_NE(one.DamagedCopy, two.DamagedCopy);
  EXPECT_EQ(ReadFileToString(one.DamagedCopy), first);
  EXPECT_EQ(ReadFileToString(two.DamagedCopy), second);
}

TEST_F(StoreRecovery, DamagedStoreIsCopiedBeforeASaveReplacesItAndNeverBecomesTheBackup) {
  const std::string good = FeedStoreText(SmallStore());
  ASSERT_TRUE(WriteStringToFile(m_file, good.substr(0, 100)));  // damaged after this process last read it
  Feeds = OtherStore();
  ASSERT_TRUE(SaveFeeds(m_file));
  const std::vector<std::string> copies = DamagedCopies();
  ASSERT_EQ(copies.size(), 1u);
  EXPECT_EQ(ReadFileToString(copies[0]), good.substr(0, 100));
  EXPECT_FALSE(Exists(".bak"));
  // A good backup stays as it was.
  ASSERT_TRUE(WriteStringToFile(m_file + ".bak", good));
  ASSERT_TRUE(WriteStringToFile(m_file, good.substr(0, good.size() / 2)));
  ASSERT_TRUE(SaveFeeds(m_file));
  EXPECT_EQ(Read(".bak"), good);
  EXPECT_EQ(Read(), FeedStoreText(OtherStore()));
}

TEST_F(StoreRecovery, SaveKeepsTheStoresFileMode) {
  Feeds = SmallStore();
  ASSERT_TRUE(SaveFeeds(m_file));
  ASSERT_EQ(::chmod(m_file.c_str(), 0600), 0);  // its addresses may hold passwords
  ASSERT_TRUE(SaveFeeds(m_file));
  EXPECT_EQ(ModeOf(m_file), 0600u);
  EXPECT_EQ(ModeOf(m_file + ".bak"), 0600u);
  ASSERT_TRUE(WriteStringToFile(m_file, "<Feeds"));
  ASSERT_TRUE(SaveFeeds(m_file));
  ASSERT_EQ(DamagedCopies().size(), 1u);
  EXPECT_EQ(ModeOf(DamagedCopies()[0]), 0600u);
}

TEST_F(StoreRecovery, StoreThatCannotBeReadIsNeitherMissingNorSavedOver) {
  const std::string text = FeedStoreText(OtherStore());
  ASSERT_TRUE(WriteStringToFile(m_file, text));
  ASSERT_EQ(::chmod(m_file.c_str(), 0), 0);
  Feeds = SmallStore();
  const int status = RunAsAnotherUser([this] {
    const TStoreLoadResult result = LoadFeedStore(m_file);
    if (result.Status != TStoreLoadStatus::Unreadable || result.MaySave() || result.Message.empty()) {
      return 1;
    }
    if (Feeds.size() != 2 || Feeds[0].Name != "Tech & <News>") {
      return 2;  // Feeds must stay as they were
    }
    return SaveFeeds(m_file) ? 3 : 0;
  });
  ASSERT_NE(status, 99) << "cannot switch to another user";
  EXPECT_EQ(status, 0);
  EXPECT_EQ(Read(), text);
  EXPECT_TRUE(DamagedCopies().empty());
}

TEST_F(StoreRecovery, BackupThatCannotBeLinkedOrReadIsAbandonedNotLeftEmpty) {
  if (::geteuid() != 0 || ReadFileToString("/proc/sys/fs/protected_hardlinks").starts_with("0")) {
    GTEST_SKIP() << "needs root to hand the store to another user, whom the kernel then refuses a hard link";
  }
  Feeds = SmallStore();
  ASSERT_TRUE(SaveFeeds(m_file));
  ASSERT_EQ(::chmod(m_file.c_str(), 0600), 0);  // root's private store: another user can neither link nor read it
  Feeds = OtherStore();
  EXPECT_EQ(RunAsAnotherUser([this] { return SaveFeeds(m_file) ? 0 : 1; }), 0);
  EXPECT_EQ(Read(), FeedStoreText(OtherStore()));
  EXPECT_FALSE(Exists(".bak"));
  EXPECT_FALSE(Exists(".bak.new"));
}

TEST_F(StoreRecovery, SecondWriterIsRefused) {
  TFeedStoreLock first;
  std::string message;
  ASSERT_TRUE(first.Acquire(m_file, message));
  EXPECT_TRUE(message.empty());
  TFeedStoreLock second;
  EXPECT_FALSE(second.Acquire(m_file, message));
  EXPECT_FALSE(second.Held());
  EXPECT_NE(message.find(m_file), std::string::npos) << message;

  // Another process is refused too.
  EXPECT_FALSE(AnotherProcessLocks());
  first.Release();
  EXPECT_TRUE(second.Acquire(m_file, message));
}

TEST_F(StoreRecovery, LockOfAnEndedProcessNeverBlocks) {
  ASSERT_TRUE(AnotherProcessLocks());
  TFeedStoreLock lock;
  std::string message;
  EXPECT_TRUE(lock.Acquire(m_file, message));
  TFeedStoreLock moved = std::move(lock);
  EXPECT_TRUE(moved.Held());
  EXPECT_FALSE(lock.Held());
}

}  // namespace
}  // namespace tidewick
