// OPML as other readers write and read it: samples of the variants found in the wild, xmllint, Newsboat, and our
// own export read back.

#include <cstdlib>
#include <gtest/gtest.h>
#include <set>
#include <string>
#include <vector>

#include "feed_tree_test_support.h"
#include "support/table_file.h"
#include "support/temp_dir.h"
#include "tree/opml_export.h"
#include "tree/opml_import.h"
#include "util/files.h"
#include "util/strings.h"

namespace tidewick {
namespace {

using test::AddOpmlFeed;
using test::NodeAt;

bool HaveProgram(const char* name) {
  return std::system(("command -v " + std::string(name) + " >/dev/null 2>&1").c_str()) == 0;
}

std::set<std::string> StoreUrls() {
  std::set<std::string> urls;
  for (const TFeed& feed : Feeds)
    urls.insert(feed.URL);
  return urls;
}

class OpmlInteropTest : public ::testing::Test, protected test::FeedTreeTestBase {
 protected:
  void SetUp() override { m_tree.BuildFeedTree("", "", false); }

  // Two levels of folders, names that need escaping and references, a feed under the root.
  void BuildMixedTree() {
    AddOpmlFeed("Alpha & <Co>", "http://a.example/rss?x=1&y=2");
    AddOpmlFeed("Caf\xC3\xA9 \xD0\x9D\xD0\xBE\xD0\xB2\xD0\xBE\xD1\x81\xD1\x82\xD0\xB8 \xE2\x82\xAC",
                "https://n.example/");
    AddOpmlFeed("\"Quoted\"", "ftp://q.example/feed.xml");
    AddOpmlFeed("Loose", "http://loose.example/");
    m_tree.BuildFeedTree(
        "\\News\t-1\r\n\\News\\Deep & Low\t0\r\n",
        "\\News\\Alpha & <Co>\r\n\\News\\Deep & Low\\Caf\xC3\xA9 \xD0\x9D\xD0\xBE\xD0\xB2\xD0\xBE\xD1\x81"
        "\xD1\x82\xD0\xB8 \xE2\x82\xAC\r\n\\News\\\"Quoted\"\r\n\\Loose\r\n",
        false);
  }

  TFeedTree m_tree;
};

TEST_F(OpmlInteropTest, SamplesFromOtherReadersImportWithExactCounts) {
  test::CheckTableFile("opml/samples.tsv", 1, [this](const std::vector<std::string>& in) -> std::string {
    Feeds.clear();
    m_tree.BuildFeedTree("", "", false);
    const TOpmlImportResult result = ImportOpmlFile(m_tree, m_tree.Root(), test::DataPath("opml/" + in[0]));
    const TOpmlImportReport& report = result.Report;
    if (result.Status != TOpmlReadStatus::Read || m_tree.Root()->ChildCount() != 2 ||  // the folder and Starred
        static_cast<int>(Feeds.size()) != report.Feeds) {
      return "(not read as one list) " + result.Message;
    }
    return std::to_string(report.Feeds) + "\t" + std::to_string(report.Folders) + "\t" +
           std::to_string(report.Skipped) + "\t" + m_tree.Root()->Child(0)->Name();
  });
}

TEST_F(OpmlInteropTest, SampleNamesAndNestingSurvive) {
  ImportOpmlFile(m_tree, m_tree.Root(), test::DataPath("opml/opml20_nested.opml"));
  EXPECT_NE(NodeAt(m_tree, "Reading list/Science/Astronomy/Star Charts"), nullptr);
  EXPECT_NE(NodeAt(m_tree, "Reading list/Empty folder"), nullptr);
  ImportOpmlFile(m_tree, m_tree.Root(), test::DataPath("opml/windows1252.opml"));
  EXPECT_NE(NodeAt(m_tree,
                   "Gr\xC3\xBC\xC3\x9F"
                   "e \xE2\x82\xAC/\xE2\x80\x9CQuoted\xE2\x80\x9D"),
            nullptr);
}

TEST_F(OpmlInteropTest, ExportImportExportGivesTheSameFile) {
  BuildMixedTree();
  const TOpmlExportScope whole = OpmlExportScope(m_tree, m_tree.Root());
  const std::string first = OpmlExportText(*whole.Start, whole.Title);
  const test::TempDir dir;
  ASSERT_TRUE(WriteStringToFile(dir.File("first.opml"), first));

  Feeds.clear();
  m_tree.BuildFeedTree("", "", false);
  ASSERT_EQ(ImportOpmlFile(m_tree, m_tree.Root(), dir.File("first.opml")).Report.Feeds, 4);
  const TOpmlExportScope folder = OpmlExportScope(m_tree, m_tree.Root()->Child(0));
  EXPECT_EQ(OpmlExportText(*folder.Start, folder.Title), first);
}

TEST_F(OpmlInteropTest, XmllintAcceptsTheExport) {
  if (!HaveProgram("xmllint"))
    GTEST_SKIP() << "xmllint is not installed";
  BuildMixedTree();
  const test::TempDir dir;
  ASSERT_TRUE(ExportOpmlFile(dir.File("feeds.opml"), *m_tree.Root(), "Title & \xE2\x82\xAC").Ok);
  EXPECT_EQ(std::system(("xmllint --noout '" + dir.File("feeds.opml") + "'").c_str()), 0);
}

// Newsboat runs with its own folders inside a temporary one, so the user's setup is never touched.
class NewsboatTest : public OpmlInteropTest {
 protected:
  void SetUp() override {
    OpmlInteropTest::SetUp();
    if (!HaveProgram("newsboat"))
      GTEST_SKIP() << "newsboat is not installed";
  }
  int Newsboat(const std::string& arguments) {
    const std::string home = m_dir.Path().string();
    const std::string command = "cd '" + home + "' && HOME='" + home + "' XDG_CONFIG_HOME='" + home +
                                "/config' XDG_DATA_HOME='" + home + "/data' timeout 60 newsboat -c '" + home +
                                "/cache.db' " + arguments + " </dev/null";
    return std::system(command.c_str());
  }
  test::TempDir m_dir;
};

TEST_F(NewsboatTest, ItsExportImportsWithEveryFeed) {
  const std::set<std::string> urls = {"http://a.example/rss", "https://b.example/atom?x=1&y=2",
                                      "http://c.example/feed.xml", "https://d.example/"};
  ASSERT_TRUE(WriteStringToFile(m_dir.File("urls"),
                                "http://a.example/rss \"~Alpha & Co\"\nhttps://b.example/atom?x=1&y=2 tag\n"
                                "http://c.example/feed.xml\nhttps://d.example/ \"~Caf\xC3\xA9\"\n"));
  ASSERT_EQ(Newsboat("-u urls -e > exported.opml"), 0);
  const TOpmlImportResult result = ImportOpmlFile(m_tree, m_tree.Root(), m_dir.File("exported.opml"));
  EXPECT_EQ(result.Report.Feeds, 4) << ReadFileToString(m_dir.File("exported.opml"));
  EXPECT_EQ(result.Report.Skipped, 0);
  EXPECT_EQ(StoreUrls(), urls);
}

TEST_F(NewsboatTest, ItImportsOurExportWithEveryUrl) {
  BuildMixedTree();
  ASSERT_TRUE(ExportOpmlFile(m_dir.File("ours.opml"), *m_tree.Root(), "Tidewick").Ok);
  ASSERT_TRUE(WriteStringToFile(m_dir.File("urls"), ""));
  ASSERT_EQ(Newsboat("-u urls -i ours.opml >/dev/null"), 0);
  std::set<std::string> imported;
  for (const std::string& line : SplitLines(ReadFileToString(m_dir.File("urls"))))
    imported.insert(GetToken(line, " ", 1));
  EXPECT_EQ(imported, StoreUrls());
}

}  // namespace
}  // namespace tidewick
