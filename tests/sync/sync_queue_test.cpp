#include "sync/sync_queue.h"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <vector>

#include "support/temp_dir.h"
#include "util/files.h"

namespace tidewick {
namespace {

TSyncChange Change(int64_t id, TSyncField field, bool value, const std::string& account = "tt1") {
  TSyncChange change;
  change.Account = account;
  change.ArticleId = id;
  change.Field = field;
  change.Value = value;
  return change;
}

class SyncQueueFile : public ::testing::Test {
 protected:
  std::vector<std::string> DamagedCopies() const { return test::FilesStartingWith(m_file + ".damaged-"); }

  test::TempDir m_dir;
  const std::string m_file = SyncQueueFileName(m_dir.File("Feeds.xml"));
};

TEST(SyncQueue, LatestChangeWinsAndConfirmKeepsWhatChangedAfterTheSending) {
  TSyncQueue queue;
  queue.Add(Change(5, TSyncField::Read, true));
  queue.Add(Change(6, TSyncField::Starred, true));
  queue.Add(Change(5, TSyncField::Starred, true));
  queue.Add(Change(7, TSyncField::Read, true, "tt2"));
  queue.Add(Change(5, TSyncField::Read, false));  // replaces the first, in its place
  for (const TSyncChange& ignored :
       {Change(0, TSyncField::Read, true), Change(8, TSyncField::Read, true, ""),
        Change(8, TSyncField::Read, true, std::string(kMaxSyncAccountKeyBytes + 1, 'k'))}) {
    queue.Add(ignored);
  }
  EXPECT_EQ(queue.Pending("tt1"),
            (std::vector<TSyncChange>{Change(5, TSyncField::Read, false), Change(6, TSyncField::Starred, true),
                                      Change(5, TSyncField::Starred, true)}));
  const std::vector<TSyncChange> sent = queue.Pending("tt1");
  queue.Add(Change(6, TSyncField::Starred, false));  // while the sync ran
  queue.Confirm(sent);
  EXPECT_EQ(queue.Pending("tt1"), std::vector<TSyncChange>{Change(6, TSyncField::Starred, false)});
  ASSERT_NE(queue.Find("tt2", 7, TSyncField::Read), nullptr);
  EXPECT_EQ(queue.Find("tt2", 7, TSyncField::Starred), nullptr);
  queue.DropAccount("tt2");
  EXPECT_EQ(queue.Size(), 1u);
  EXPECT_EQ(queue.Find("tt1", 6, TSyncField::Starred)->Value, false);
}

TEST_F(SyncQueueFile, SavedQueueLoadsBackAndAnEmptyOneRemovesTheFile) {
  TSyncQueue queue;
  queue.Add(Change(9007199254740993, TSyncField::Starred, true, "key with\ttab %20 and\nbreak"));
  queue.Add(Change(3, TSyncField::Read, false));
  ASSERT_TRUE(SaveSyncQueue(m_file, queue));
  TSyncQueue loaded;
  const TSyncQueueLoad load = LoadSyncQueue(m_file, loaded);
  EXPECT_TRUE(load.Readable && load.DamagedCopy.empty());
  EXPECT_EQ(loaded.Changes(), queue.Changes());
  ASSERT_TRUE(SaveSyncQueue(m_file, TSyncQueue()));
  EXPECT_FALSE(std::filesystem::exists(m_file));
  EXPECT_TRUE(SaveSyncQueue(m_file, TSyncQueue()));
  EXPECT_TRUE(LoadSyncQueue(m_file, loaded).Readable);
  EXPECT_TRUE(loaded.Empty());
}

// A file that is not a whole queue is kept as a dated copy, removed, and the queue starts empty.
TEST_F(SyncQueueFile, DamagedFilesAreKeptAsCopiesAndTheQueueStartsEmpty) {
  const std::string head = "tidewick-sync-queue 1\n";
  const std::string line = "tt1\t5\tread\t1\n";
  const struct {
    std::string Text;
    size_t Changes;  // when it is a whole queue
    bool Damaged;
  } kCases[] = {
      {head + line + "a%09b\t6\tstarred\t0\nend 2\n", 2, false},
      {head + "end 0\n", 0, false},
      {head + line + line + "end 2\n", 1, false},  // the later line wins
      {"", 0, true},
      {head, 0, true},
      {head + line, 0, true},  // cut between lines
      {head + line + "end 1", 0, true},
      {head + line + "end 2\n", 0, true},
      {head + line + "end 1\n" + line, 0, true},
      {"tidewick-sync-queue 2\n" + line + "end 1\n", 0, true},
      {head + "tt1\tx\tread\t1\nend 1\n", 0, true},
      {head + "tt1\t0\tread\t1\nend 1\n", 0, true},
      {head + "tt1\t-4\tread\t1\nend 1\n", 0, true},
      {head + "tt1\t99999999999999999999\tread\t1\nend 1\n", 0, true},
      {head + "tt1\t5\tseen\t1\nend 1\n", 0, true},
      {head + "tt1\t5\tread\t2\nend 1\n", 0, true},
      {head + "tt1\t5\tread\nend 1\n", 0, true},
      {head + "tt1\t5\tread\t1\t\nend 1\n", 0, true},
      {head + "t t\t5\tread\t1\nend 1\n", 0, true},
      {head + "t%zz\t5\tread\t1\nend 1\n", 0, true},
      {head + "t%2\t5\tread\t1\nend 1\n", 0, true},
      {head + "\t5\tread\t1\nend 1\n", 0, true},
      {head + std::string("tt1\t5\tread\t1\0\nend 1\n", 20), 0, true},
      {head + "tt1\t5\tread\t1\r\nend 1\n", 0, true},
  };
  for (const auto& kase : kCases) {
    SCOPED_TRACE(kase.Text);
    std::filesystem::remove_all(m_dir.Path());
    std::filesystem::create_directories(m_dir.Path());
    ASSERT_TRUE(WriteStringToFile(m_file, kase.Text));
    TSyncQueue queue;
    queue.Add(Change(1, TSyncField::Read, true));
    const TSyncQueueLoad load = LoadSyncQueue(m_file, queue);
    EXPECT_TRUE(load.Readable);
    EXPECT_EQ(queue.Size(), kase.Changes);
    EXPECT_EQ(load.DamagedCopy.empty(), !kase.Damaged);
    EXPECT_EQ(DamagedCopies().size(), kase.Damaged ? 1u : 0u);
    EXPECT_EQ(std::filesystem::exists(m_file), !kase.Damaged);
    if (kase.Damaged) {
      EXPECT_EQ(ReadFileToString(load.DamagedCopy), kase.Text);
    }
  }
}

TEST_F(SyncQueueFile, UnreadableFileIsNeitherDamagedNorEmpty) {
  TSyncQueue queue;
  queue.Add(Change(5, TSyncField::Read, true));
  ASSERT_TRUE(SaveSyncQueue(m_file, queue));
  const std::string text = ReadFileToString(m_file);
  ASSERT_EQ(::chmod(m_file.c_str(), 0), 0);
  std::filesystem::permissions(m_dir.Path(), std::filesystem::perms::all);
  const pid_t child = ::fork();
  if (child == 0) {  // as "nobody" when the tests run as root, who may read every file
    if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) {
      ::_exit(99);
    }
    TSyncQueue loaded;
    const TSyncQueueLoad load = LoadSyncQueue(m_file, loaded);
    ::_exit(!load.Readable && load.DamagedCopy.empty() ? 0 : 1);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  ASSERT_EQ(::chmod(m_file.c_str(), 0600), 0);
  EXPECT_EQ(ReadFileToString(m_file), text);
  EXPECT_TRUE(DamagedCopies().empty());
}

// A process killed at any moment of a save leaves the old queue or the new one, whole.
TEST_F(SyncQueueFile, KilledSavesLeaveTheOldOrTheNewQueue) {
  size_t longest = 0;
  for (int round = 0; round < 40; ++round) {
    SCOPED_TRACE(round);
    const pid_t child = ::fork();
    if (child == 0) {
      TSyncQueue queue;
      for (int64_t id = 1;; ++id) {
        queue.Add(Change(id, id % 3 == 0 ? TSyncField::Starred : TSyncField::Read, id % 2 == 0));
        if (id % 64 == 0) {  // a save costs a sync of the disk: the queue grows by many lines each time
          SaveSyncQueue(m_file, queue);
        }
      }
    }
    ::usleep(static_cast<useconds_t>(2000 + round * 1500));
    ASSERT_EQ(::kill(child, SIGKILL), 0);
    ::waitpid(child, nullptr, 0);
    TSyncQueue loaded;
    const TSyncQueueLoad load = LoadSyncQueue(m_file, loaded);
    ASSERT_TRUE(load.Readable && load.DamagedCopy.empty());
    const std::vector<TSyncChange>& changes = loaded.Changes();
    longest = std::max(longest, changes.size());
    EXPECT_EQ(changes.size() % 64, 0u);
    for (size_t i = 0; i < changes.size(); ++i) {
      const auto id = static_cast<int64_t>(i + 1);
      ASSERT_EQ(changes[i], Change(id, id % 3 == 0 ? TSyncField::Starred : TSyncField::Read, id % 2 == 0));
    }
  }
  EXPECT_GT(longest, 100u);  // the kills met saves of many lines
}

}  // namespace
}  // namespace tidewick
