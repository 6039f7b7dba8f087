#include "sync/sync_queue.h"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <vector>

#include "support/table_file.h"
#include "support/temp_dir.h"
#include "util/files.h"

namespace tidewick {
namespace {

constexpr TSyncField R = TSyncField::Read;
constexpr TSyncField S = TSyncField::Starred;
using TChanges = std::vector<TSyncChange>;

// The exit status of body run in a child process (as "nobody" when asked and the tests run as root).
int InChild(const std::function<bool()>& body, bool asNobody = false) {
  const pid_t child = ::fork();
  if (child == 0) {
    ::_exit(asNobody && ::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0) ? 99 : body() ? 0 : 1);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class SyncQueueFile : public ::testing::Test {
 protected:
  std::vector<std::string> DamagedCopies() const { return test::FilesStartingWith(m_file + ".damaged-"); }

  test::TempDir m_dir;
  const std::string m_file = SyncQueueFileName(m_dir.File("Feeds.xml"));
};

TEST_F(SyncQueueFile, LatestChangeWinsConfirmKeepsLaterChangesAndTheFileKeepsThem) {
  TSyncQueue queue;
  for (const TSyncChange& change : TChanges{{"tt1", 5, R, true},
                                            {"tt1", 6, S, true},
                                            {"key\t%20\nbreak", 9007199254740993, S, true},
                                            {"tt1", 5, R, false},  // replaces the first, in its place
                                            {"tt1", 0, R, true},   // none of these three could be sent
                                            {"", 8, R, true},
                                            {std::string(kMaxSyncAccountKeyBytes + 1, 'k'), 8, R, true}}) {
    queue.Add(change);
  }
  const TChanges sent = queue.Pending("tt1");
  EXPECT_EQ(sent, (TChanges{{"tt1", 5, R, false}, {"tt1", 6, S, true}}));
  ASSERT_TRUE(SaveSyncQueue(m_file, queue));
  TSyncQueue loaded;
  EXPECT_TRUE(LoadSyncQueue(m_file, loaded).Readable);
  EXPECT_EQ(loaded.Changes(), queue.Changes());

  queue.Add({"tt1", 6, S, false});  // while the sync ran
  queue.Confirm(sent);
  EXPECT_EQ(queue.Pending("tt1"), (TChanges{{"tt1", 6, S, false}}));
  EXPECT_EQ(queue.Find("tt1", 6, R), nullptr);
  queue.DropAccount("key\t%20\nbreak");
  EXPECT_EQ(queue.Size(), 1u);
  queue.Confirm(queue.Changes());
  ASSERT_TRUE(SaveSyncQueue(m_file, queue));  // empty: no file
  EXPECT_FALSE(std::filesystem::exists(m_file));
  EXPECT_TRUE(SaveSyncQueue(m_file, queue) && LoadSyncQueue(m_file, loaded).Readable && loaded.Empty());
}

// A file that is not a whole queue is kept as a dated copy, removed, and the queue starts empty; an unreadable one
// stays as it is and is never saved over.
TEST_F(SyncQueueFile, DamagedFilesAreKeptAsCopiesAndUnreadableOnesLeftAlone) {
  test::CheckTableFile("sync/queue_files.tsv", 1, [this](const std::vector<std::string>& in) -> std::string {
    std::filesystem::remove_all(m_dir.Path());
    std::filesystem::create_directories(m_dir.Path());
    EXPECT_TRUE(WriteStringToFile(m_file, in[0]));
    TSyncQueue queue;
    queue.Add({"tt1", 1, R, true});
    const TSyncQueueLoad load = LoadSyncQueue(m_file, queue);
    const bool damaged = !load.DamagedCopy.empty() && DamagedCopies() == std::vector<std::string>{load.DamagedCopy} &&
                         ReadFileToString(load.DamagedCopy) == in[0] && !std::filesystem::exists(m_file);
    EXPECT_TRUE(load.Readable);
    return damaged && queue.Empty() ? "damaged" : std::to_string(queue.Size());
  });
  std::filesystem::remove_all(m_dir.Path());
  std::filesystem::create_directories(m_dir.Path());
  const std::string text = "tidewick-sync-queue 1\ntt1\t5\tread\t1\nend 1\n";
  ASSERT_TRUE(WriteStringToFile(m_file, text));
  ASSERT_EQ(::chmod(m_file.c_str(), 0), 0);
  std::filesystem::permissions(m_dir.Path(), std::filesystem::perms::all);
  EXPECT_EQ(InChild(
                [this] {
                  TSyncQueue loaded;
                  const TSyncQueueLoad load = LoadSyncQueue(m_file, loaded);
                  return !load.Readable && load.DamagedCopy.empty();
                },
                true),
            0);
  ASSERT_EQ(::chmod(m_file.c_str(), 0600), 0);
  EXPECT_EQ(ReadFileToString(m_file), text);
  EXPECT_TRUE(DamagedCopies().empty());
}

// A process killed at any moment of a save leaves the old queue or the new one, whole.
TEST_F(SyncQueueFile, KilledSavesLeaveTheOldOrTheNewQueue) {
  const auto change = [](int64_t id) { return TSyncChange{"tt1", id, id % 3 == 0 ? S : R, id % 2 == 0}; };
  size_t longest = 0;
  for (int round = 0; round < 40; ++round) {
    SCOPED_TRACE(round);
    const pid_t child = ::fork();
    if (child == 0) {
      TSyncQueue queue;
      for (int64_t id = 1;; ++id) {
        queue.Add(change(id));
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
    const TChanges& changes = loaded.Changes();
    longest = std::max(longest, changes.size());
    EXPECT_EQ(changes.size() % 64, 0u);
    for (size_t i = 0; i < changes.size(); ++i) {
      ASSERT_EQ(changes[i], change(static_cast<int64_t>(i + 1)));
    }
  }
  EXPECT_GT(longest, 100u);  // the kills met saves of many lines
}

}  // namespace
}  // namespace tidewick
