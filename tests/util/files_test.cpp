#include "util/files.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>

#include "support/temp_dir.h"

namespace tidewick {
namespace {

namespace fs = std::filesystem;

TEST(Files, ReadingHonoursTheMaximumAndTellsFilesFromFoldersAndMissingOnes) {
  const test::TempDir dir;
  const std::string file = dir.File("text.txt");
  ASSERT_TRUE(WriteStringToFile(file, "abcdef"));
  EXPECT_EQ(ReadFileToString(file, 3), "abc");
  EXPECT_EQ(ReadFileToString(file, 0), "");
  EXPECT_EQ(ReadFileToString(file, -1), "abcdef");
  EXPECT_EQ(ReadFileToString(dir.File("missing.txt")), "");
  EXPECT_EQ(ReadFileToString(dir.Path().string()), "");  // a folder is not a file
  EXPECT_TRUE(FileExists(file));
  EXPECT_FALSE(FileExists(dir.Path().string()));
  EXPECT_FALSE(FileExists(dir.File("missing.txt")));
  EXPECT_TRUE(FolderExists(dir.Path().string()));
  EXPECT_FALSE(FolderExists(file));
}

// A write replaces the whole file or, failing, leaves the old one as it was.
TEST(Files, WriteReplacesTheWholeFileByteForByteOrKeepsTheOldOne) {
  const test::TempDir dir;
  const std::string file = dir.File("settings.ini");
  ASSERT_TRUE(WriteStringToFile(file, "a long first version"));
  const std::string bytes = std::string("a\r\nb\0c\xFF", 7);
  ASSERT_TRUE(WriteStringToFile(file, bytes));
  EXPECT_EQ(ReadFileToString(file), bytes);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), {}), 1) << "no temporary may stay";
  EXPECT_FALSE(WriteStringToFile(dir.File("no-such-folder/new.txt"), "x"));
  // A folder in the target's place cannot be replaced by a file.
  fs::create_directory(dir.Path() / "folder");
  EXPECT_FALSE(WriteStringToFile(dir.File("folder"), "x"));
  EXPECT_TRUE(fs::is_directory(dir.Path() / "folder"));
  EXPECT_EQ(ReadFileToString(file), bytes);
}

TEST(Files, WritingThroughASymbolicLinkReplacesTheLinkedFile) {
  const test::TempDir dir;
  ASSERT_TRUE(WriteStringToFile(dir.File("real.txt"), "old"));
  fs::create_symlink(dir.Path() / "real.txt", dir.Path() / "link.txt");
  ASSERT_TRUE(WriteStringToFile(dir.File("link.txt"), "new"));
  EXPECT_TRUE(fs::is_symlink(dir.Path() / "link.txt"));
  EXPECT_EQ(ReadFileToString(dir.File("real.txt")), "new");
}

TEST(Files, ReplacingAFileKeepsItsPermissions) {
  const test::TempDir dir;
  const std::string file = dir.File("private.txt");
  ASSERT_TRUE(WriteStringToFile(file, "one"));
  fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write);
  ASSERT_TRUE(WriteStringToFile(file, "two"));
  EXPECT_EQ(fs::status(file).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
}

}  // namespace
}  // namespace tidewick
