#include "platform/autostart.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>

#include "platform/file_io.h"
#include "support/env_guard.h"
#include "support/temp_dir.h"

namespace tidewick {
namespace {

namespace fs = std::filesystem;

class Autostart : public testing::Test {
 protected:
  test::TempDir m_dir;
  test::EnvGuard m_config{"XDG_CONFIG_HOME", m_dir.Path().string()};

  std::string FileText() const { return ReadWholeFile(AutostartFilePath()).value_or("<missing>"); }
};

TEST_F(Autostart, WrittenEntryInTheXdgFolderStartsTheQuotedProgramMinimised) {
  EXPECT_EQ(AutostartFilePath(), (m_dir.Path() / "autostart" / "tidewick.desktop").string());
  ASSERT_TRUE(WriteAutostartEntry("/opt/Tide Wick/tidewick"));
  EXPECT_NE(FileText().find("\nExec=\"/opt/Tide Wick/tidewick\" /MIN\n"), std::string::npos) << FileText();
  EXPECT_EQ(FileText().rfind("[Desktop Entry]\n", 0), 0U);
  EXPECT_EQ(ReadAutostartCommand(), "\"/opt/Tide Wick/tidewick\" /MIN");
  // Special characters in the path survive the round trip.
  const std::string path = "/home/a\"b/$x/100%/back\\slash/`tick`/tidewick";
  ASSERT_TRUE(WriteAutostartEntry(path));
  EXPECT_EQ(ReadAutostartCommand(), "\"" + path + "\" /MIN");
}

TEST_F(Autostart, RemoveDeletesTheEntryAndIsHarmlessWithoutOne) {
  EXPECT_EQ(ReadAutostartCommand(), "");
  ASSERT_TRUE(WriteAutostartEntry("/usr/bin/tidewick"));
  EXPECT_TRUE(RemoveAutostartEntry());
  EXPECT_FALSE(fs::exists(AutostartFilePath()));
  EXPECT_TRUE(RemoveAutostartEntry());
  EXPECT_EQ(ReadAutostartCommand(), "");
}

TEST_F(Autostart, HandWrittenEntriesAreReadFromTheDesktopEntryGroupOnly) {
  fs::create_directories(m_dir.Path() / "autostart");
  ASSERT_TRUE(AtomicWriteFile(AutostartFilePath(),
                              "# comment\r\n[Desktop Action x]\r\nExec=other\r\n[Desktop Entry]\r\nName=Tidewick\r\n"
                              "Exec = /usr/bin/tidewick\\s/MIN \r\n"));
  EXPECT_EQ(ReadAutostartCommand(), "/usr/bin/tidewick /MIN");
}

TEST_F(Autostart, AnEntrySwitchedOffByTheDesktopCountsAsNone) {
  fs::create_directories(m_dir.Path() / "autostart");
  for (const char* off : {"Hidden=true", "X-GNOME-Autostart-enabled=false"}) {
    ASSERT_TRUE(AtomicWriteFile(AutostartFilePath(),
                                std::string("[Desktop Entry]\nExec=\"/usr/bin/tidewick\" /MIN\n") + off + "\n"));
    EXPECT_EQ(ReadAutostartCommand(), "") << off;
  }
}

}  // namespace
}  // namespace tidewick
