#include "platform/paths.h"

#include <unistd.h>

#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "platform/file_io.h"
#include "support/env_guard.h"
#include "support/temp_dir.h"

namespace tidewick {
namespace {

namespace fs = std::filesystem;

TEST(Paths, ProgramPathNamesThisTestProgram) {
  const std::string path = ProgramFilePath();
  ASSERT_FALSE(path.empty());
  EXPECT_EQ(fs::path(path).filename(), "test_platform");
  EXPECT_EQ(ProgramFolder(), fs::path(path).parent_path().string() + "/");
}

TEST(Paths, UserFoldersFollowXdgVariablesOrFallBackToTheHome) {
  const test::EnvGuard home("HOME", "/home/anna");
  {
    const test::EnvGuard config("XDG_CONFIG_HOME", "/srv/config");
    const test::EnvGuard cache("XDG_CACHE_HOME", "/srv/cache");
    EXPECT_EQ(UserDataFolder(), "/srv/config/Tidewick");
    EXPECT_EQ(UserCacheFolder(), "/srv/cache/Tidewick");
  }
  for (const char* unusable : {"", "relative/config"}) {
    const test::EnvGuard config("XDG_CONFIG_HOME", std::string(unusable));
    const test::EnvGuard cache("XDG_CACHE_HOME", std::string(unusable));
    EXPECT_EQ(UserDataFolder(), "/home/anna/.config/Tidewick") << unusable;
    EXPECT_EQ(UserCacheFolder(), "/home/anna/.cache/Tidewick") << unusable;
  }
  const test::EnvGuard unset("XDG_CONFIG_HOME", std::nullopt);
  EXPECT_EQ(UserDataFolder(), "/home/anna/.config/Tidewick");
}

TEST(Paths, EnsureFolderCreatesMissingParents) {
  const test::TempDir dir;
  const std::string folder = (dir.Path() / "a" / "b" / "Tidewick").string();
  EXPECT_TRUE(EnsureFolder(folder));
  EXPECT_TRUE(fs::is_directory(folder));
  EXPECT_TRUE(EnsureFolder(folder));  // already there
  ASSERT_TRUE(AtomicWriteFile(dir.File("file"), "x"));
  EXPECT_FALSE(EnsureFolder(dir.File("file")));
}

TEST(Paths, WritableFolderIsRecognisedAndLeftClean) {
  const test::TempDir dir;
  EXPECT_TRUE(IsFolderWritable(dir.Path().string()));
  EXPECT_TRUE(fs::is_empty(dir.Path()));
  EXPECT_FALSE(IsFolderWritable(dir.File("missing")));
}

TEST(Paths, ReadOnlyFolderIsNotWritable) {
  if (geteuid() == 0) {
    GTEST_SKIP() << "root may write everywhere";
  }
  const test::TempDir dir;
  const fs::path locked = dir.Path() / "locked";
  fs::create_directory(locked);
  fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec);
  EXPECT_FALSE(IsFolderWritable(locked.string()));
  fs::permissions(locked, fs::perms::owner_all);
}

TEST(Paths, CommandLineArgsLeaveOutTheProgramName) {
  const char* argv[] = {"/usr/bin/tidewick", "/MIN", "feed://example.org"};
  SetCommandLineArgs(3, argv);
  EXPECT_EQ(CommandLineArgs(), (std::vector<std::string>{"/MIN", "feed://example.org"}));
  SetCommandLineArgs({});
  EXPECT_TRUE(CommandLineArgs().empty());
}

TEST(Paths, InstalledProgramFindsItsDataInShareAndABuildBesideItself) {
  const test::TempDir temp;
  const fs::path root(temp.Path());
  fs::create_directories(root / "usr/bin");
  fs::create_directories(root / "usr/share/tidewick/Language");
  fs::create_directories(root / "build/Language");
  const std::string installed = (root / "usr/bin").string() + "/";
  const std::string build = (root / "build").string() + "/";
  EXPECT_TRUE(IsInstalledLayoutFor(installed));
  EXPECT_EQ(DataFolderFor(installed), (root / "usr/share/tidewick").string() + "/");
  EXPECT_FALSE(IsInstalledLayoutFor(build));
  EXPECT_EQ(DataFolderFor(build), build);
}

}  // namespace
}  // namespace tidewick
