#include "platform/synced_file.h"

#include <cerrno>
#include <gtest/gtest.h>
#include <string>

#include "platform/file_io.h"
#include "support/temp_dir.h"

namespace tidewick {
namespace {

// Past several of the background syncs, in pieces of odd sizes: every byte arrives, in order, and Close reports them.
TEST(SyncedFile, ALargeFileWrittenWhileItIsSyncedComesOutWhole) {
  test::TempDir dir;
  const std::string name = dir.File("big");
  std::string expected;
  {
    TSyncedFileWriter file(name, 0600);
    for (int n = 0; expected.size() < (size_t{13} << 20); ++n) {
      const std::string piece(size_t{65521} + static_cast<size_t>(n % 7), static_cast<char>('a' + n % 26));
      ASSERT_TRUE(file.Write(piece));
      expected += piece;
    }
    int error = -1;
    EXPECT_EQ(file.Close(error), static_cast<int64_t>(expected.size()));
    EXPECT_EQ(error, 0);
  }
  EXPECT_EQ(ReadWholeFile(name), expected);
}

// A file that cannot be created or written is never reported as written: the first failure's reason comes back.
TEST(SyncedFile, FailuresAreReportedWithTheirReason) {
  test::TempDir dir;
  TSyncedFileWriter missing(dir.File("no-such-folder/file"), std::nullopt);
  EXPECT_FALSE(missing.Write("text"));
  int error = 0;
  EXPECT_EQ(missing.Close(error), -1);
  EXPECT_EQ(error, ENOENT);

  TSyncedFileWriter full("/dev/full", std::nullopt);  // a disk with no room left
  EXPECT_FALSE(full.Write(std::string(size_t{5} << 20, 'x')));
  EXPECT_FALSE(full.Write("more"));
  EXPECT_EQ(full.Close(error), -1);
  EXPECT_EQ(error, ENOSPC);
}

}  // namespace
}  // namespace tidewick
