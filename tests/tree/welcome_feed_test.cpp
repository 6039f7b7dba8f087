#include "tree/welcome_feed.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "support/table_file.h"
#include "support/temp_dir.h"

namespace tidewick {
namespace {

namespace fs = std::filesystem;

class WelcomeFeed : public testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(m_dir.Path() / "share" / "welcome");
    std::ofstream(m_dir.Path() / "share" / "welcome" / "welcome_en.atom") << "<feed/>";
    std::ofstream(m_dir.Path() / "share" / "welcome" / "welcome_de.atom") << "<feed/>";
    std::ofstream(m_dir.Path() / "share" / "welcome" / "welcome_fr.atom") << "<feed/>";
    std::ofstream(m_dir.Path() / "share" / "welcome" / "welcome_pt-BR.atom") << "<feed/>";
  }
  std::string DataFolder() const { return (m_dir.Path() / "share").string() + "/"; }

  test::TempDir m_dir;
};

TEST_F(WelcomeFeed, OnlyAMissingStoreCountsAsAFirstStart) {
  const fs::path store = m_dir.Path() / "Feeds.xml";
  EXPECT_EQ(ExamineStorePath(store.string()), TStorePresence::Absent);

  std::ofstream(store).flush();  // an empty store is the user's, not a first start
  EXPECT_EQ(ExamineStorePath(store.string()), TStorePresence::Present);
  fs::remove(store);

  fs::create_symlink(m_dir.Path() / "elsewhere.xml", store);  // dangling link: the user pointed it somewhere
  EXPECT_EQ(ExamineStorePath(store.string()), TStorePresence::Present);
  fs::remove(store);

  if (::geteuid() != 0) {  // root reads through any permission
    const fs::path locked = m_dir.Path() / "locked";
    fs::create_directories(locked);
    fs::permissions(locked, fs::perms::none);
    EXPECT_EQ(ExamineStorePath((locked / "Feeds.xml").string()), TStorePresence::Unknown);
    fs::permissions(locked, fs::perms::owner_all);
  }
}

TEST_F(WelcomeFeed, IsSubscribedOnlyOnAFirstStartWithTheFileOfTheLanguage) {
  const std::string folder = "file://" + (m_dir.Path() / "share" / "welcome").string() + "/";
  test::CheckTableFile("tree/welcome_files.tsv", 1, [&](const std::vector<std::string>& in) -> std::string {
    const std::optional<TFeed> feed = WelcomeFeedForFirstStart(TStorePresence::Absent, DataFolder(), in[0]);
    // Read at once, so the entries are there on the first showing.
    if (!feed || feed->Name.empty() || !feed->RefreshAtStart || !feed->URL.starts_with(folder)) {
      return "(none or incomplete)";
    }
    return feed->URL.substr(folder.size());
  });
  EXPECT_FALSE(WelcomeFeedForFirstStart(TStorePresence::Present, DataFolder(), "en"));
  EXPECT_FALSE(WelcomeFeedForFirstStart(TStorePresence::Unknown, DataFolder(), "en"));
}

TEST_F(WelcomeFeed, AMissingShippedFileSubscribesNothing) {
  fs::remove(m_dir.Path() / "share" / "welcome" / "welcome_en.atom");
  EXPECT_FALSE(WelcomeFeedForFirstStart(TStorePresence::Absent, DataFolder(), "sv"));
  EXPECT_FALSE(WelcomeFeedForFirstStart(TStorePresence::Absent, "relative/", "de"));
}

TEST(FileUrl, EncodesEverythingOutsideThePlainPathCharacters) {
  EXPECT_EQ(FileUrlFromPath("/opt/Tidewick/welcome/welcome_en.atom"), "file:///opt/Tidewick/welcome/welcome_en.atom");
  EXPECT_EQ(FileUrlFromPath("/home/jö rg/#1?%"), "file:///home/j%C3%B6%20rg/%231%3F%25");
}

}  // namespace
}  // namespace tidewick
