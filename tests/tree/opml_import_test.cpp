#include "tree/opml_import.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "feed_tree_test_support.h"
#include "support/table_file.h"
#include "support/temp_dir.h"
#include "util/files.h"

namespace tidewick {
namespace {

using test::AddOpmlFeed;
using test::DumpFeedList;
using test::NodeAt;

std::string Opml(std::string_view body, std::string_view title = "List") {
  return "<?xml version=\"1.0\" encoding=\"utf-8\"?><opml version=\"2.0\"><head><title>" + std::string(title) +
         "</title></head><body>" + std::string(body) + "</body></opml>";
}

class OpmlImportTest : public ::testing::Test, protected test::FeedTreeTestBase {
 protected:
  void SetUp() override { m_tree.BuildFeedTree("", "", false); }

  TOpmlImportReport Import(std::string_view bytes, TTreeNode* target = nullptr) {
    const TOpmlReadResult read = ReadOpmlText(bytes);
    EXPECT_EQ(read.Status, TOpmlReadStatus::Read);
    return ImportOpmlOutlines(m_tree, target != nullptr ? target : m_tree.Root(), read.Outlines, 45);
  }

  TFeedTree m_tree;
};

TEST(OpmlFeedAddress, AcceptsOnlyAddressesWeFetch) {
  test::CheckTableFile("tree/import_addresses.tsv", 1, [](const std::vector<std::string>& in) {
    return ImportFeedAddress(in[0]).value_or("(refused)");
  });
}

TEST_F(OpmlImportTest, ImportsFoldersAndFeedsIntoANewFolder) {
  const TOpmlImportReport report = Import(
      Opml("<outline text=\"Tech\"><outline text=\"Alpha\" xmlUrl=\"http://a.example/\"/>"
           "<outline title=\"Beta\" xmlUrl=\"feed://b.example/rss\"/>"          // title when text is missing
           "<outline text=\"\" title=\"Gamma\" xmlUrl=\"http://g.example/\"/>"  // and when it is empty
           "</outline>"
           "<entry text=\"Delta\" xmlUrl=\"https://d.example/\" type=\"atom\" extra=\"x\"/>"  // any element name
           "<outline text=\"No address\"/><outline text=\"Empty address\" xmlUrl=\" \"/>"     // ignored, not counted
           "<outline xmlUrl=\"http://nameless.example/rss\"/>"                                // named after its address
           "<outline><outline text=\"Lost\" xmlUrl=\"http://l.example/\"/></outline>"         // nameless folder
           "<outline text=\"Bad\" xmlUrl=\"javascript:alert(1)\"/>"));
  EXPECT_EQ(DumpFeedList(m_tree),
            "Feeds\n"
            "  List\n"
            "    Tech\n"
            "      Alpha <http://a.example/>\n"
            "      Beta <http://b.example/rss>\n"
            "      Gamma <http://g.example/>\n"
            "    Delta <https://d.example/>\n"
            "    http://nameless.example/rss <http://nameless.example/rss>\n");
  EXPECT_EQ(report.Feeds, 5);
  EXPECT_EQ(report.Folders, 2);
  EXPECT_EQ(report.Skipped, 2);
  // Nothing is downloaded yet: the first refresh brings the details, with the default interval.
  for (const TFeed& feed : Feeds) {
    EXPECT_EQ(std::tuple(feed.Interval, feed.Entries.size(), feed.FeedType, feed.LastDownloaded),
              std::tuple(45, 0u, "", 0.0))
        << feed.Name;
    EXPECT_NE(m_tree.FindFeedNode(feed.Id), nullptr) << feed.Name;
  }
}

TEST_F(OpmlImportTest, ImportingTwiceNumbersFoldersAndNamesButSkipsSubscribedAddresses) {
  AddOpmlFeed("Alpha", "http://old.example/");
  m_tree.BuildFeedTree("", "", false);
  const std::string opml = Opml(
      "<outline text=\"Alpha\" xmlUrl=\"http://a.example/\"/>"
      "<outline text=\"Alpha\" xmlUrl=\"http://a2.example/\"/>"
      "<outline text=\"Again\" xmlUrl=\"feed://A.example\"/>"  // the first one once more
      "<outline text=\"Old\" xmlUrl=\"HTTP://old.example:80\"/>");
  const TOpmlImportReport first = Import(opml);
  EXPECT_EQ(std::make_tuple(first.Feeds, first.Duplicates, first.FeedIds.size()), std::make_tuple(2, 2, size_t{2}));
  EXPECT_EQ(first.FeedIds.back(), Feeds.back().Id);
  const TOpmlImportReport second = Import(opml);
  EXPECT_EQ(std::make_tuple(second.Feeds, second.Duplicates, second.FeedIds.size()), std::make_tuple(0, 4, size_t{0}));
  EXPECT_EQ(DumpFeedList(m_tree),
            "Feeds\n"
            "  List\n"
            "    Alpha1 <http://a.example/>\n"
            "    Alpha2 <http://a2.example/>\n"
            "  List1\n"
            "  Alpha <http://old.example/>\n");
}

TEST_F(OpmlImportTest, SiblingFoldersOfOneNameAreNumberedIgnoringCase) {
  const auto feed = [](const char* host) {
    return "<outline text=\"F\" xmlUrl=\"http://" + std::string(host) + "/\"/>";
  };
  const TOpmlImportReport report =
      Import(Opml("<outline text=\"Tech\">" + feed("a") + "</outline><outline text=\"tech\">" + feed("b") +
                  "</outline><outline text=\"TECH\">" + feed("c") + "</outline>"));
  EXPECT_EQ(report.Folders, 4);
  EXPECT_NE(NodeAt(m_tree, "List/Tech/F"), nullptr);
  EXPECT_NE(NodeAt(m_tree, "List/tech1/F1"), nullptr);
  EXPECT_NE(NodeAt(m_tree, "List/TECH2/F2"), nullptr);
}

TEST_F(OpmlImportTest, TitleBecomesAUsableFolderName) {
  const std::pair<std::string, const char*> cases[] = {
      {Opml("", "A\\B"), "A/B"},  // a backslash would split the stored path
      {Opml("", "  Spaced  "), "Spaced"},
      {Opml("", ""), "Unbenannte OPML"},
      {"<opml><body/></opml>", "Unbenannte OPML"},
  };
  for (const auto& [opml, folder] : cases) {
    Feeds.clear();
    m_tree.BuildFeedTree("", "", false);
    Import(opml);
    ASSERT_EQ(m_tree.Root()->ChildCount(), 2) << opml;  // the folder and the Starred node
    EXPECT_EQ(m_tree.Root()->Child(0)->Name(), folder) << opml;
  }
}

TEST_F(OpmlImportTest, ReadsFilesWithoutDeclarationAsUtf8) {
  const std::string text =
      "<opml><head><title>Caf\xC3\xA9</title></head><body><outline text=\"\xC3\xBC\" xmlUrl=\"http://u.example/\"/>"
      "</body></opml>";
  for (const std::string& bytes : {text, "\xEF\xBB\xBF" + text}) {
    const TOpmlReadResult read = ReadOpmlText(bytes);
    ASSERT_EQ(read.Status, TOpmlReadStatus::Read);
    EXPECT_EQ(read.Outlines.Title, "Caf\xC3\xA9");
    ASSERT_EQ(read.Outlines.Entries.size(), 1u);
    EXPECT_EQ(read.Outlines.Entries[0].Name, "\xC3\xBC");
  }
}

TEST_F(OpmlImportTest, DeepNestingStopsAtTheTreesDepthWithoutLosingFeeds) {
  std::string body;
  for (int i = 0; i < 5000; ++i)
    body += "<outline text=\"d\">";
  body += "<outline text=\"Deep\" xmlUrl=\"http://deep.example/\"/>";
  for (int i = 0; i < 5000; ++i)
    body += "</outline>";
  const TOpmlImportReport report = Import(Opml(body));
  EXPECT_EQ(report.Feeds, 1);
  EXPECT_EQ(report.Folders, kMaxFolderDepth);
  const TTreeNode* deep = m_tree.FindFeedNode(Feeds[0].Id);
  ASSERT_NE(deep, nullptr);
  EXPECT_EQ(m_tree.FindFolderPath(m_tree.NodePath(deep->Parent(), false)), deep->Parent());
}

// Regression: one folder with a 2 MiB name holding 1,000 feeds took more than 3 GB, its path copied for each feed.
TEST_F(OpmlImportTest, LongFolderNamesAreCutSoTheArrangementStaysSmall) {
  std::string feeds;
  for (int i = 0; i < 1000; ++i) {
    feeds += "<outline text=\"f\" xmlUrl=\"http://f.example/\"/>";
  }
  const std::string longName(64 * 1024, 'x');
  const std::string umlauts = "\xC3\xBC" + std::string(kMaxFolderNameBytes, 'x');  // cut inside the "ü": it goes
  std::string nested;
  for (int i = 0; i < 10; ++i) {
    nested += "<outline text=\"" + std::string(kMaxFolderNameBytes, 'n') + "\">";
  }
  nested += feeds.substr(0, feeds.size() / 1000);
  for (int i = 0; i < 10; ++i) {
    nested += "</outline>";
  }
  // The list's body, and the length of the name of the folder below the list's own.
  const std::pair<std::string, size_t> cases[] = {
      {"<outline text=\"" + longName + "\">" + feeds + "</outline>", kMaxFolderNameBytes},
      {"<outline text=\"" + std::string(kMaxFolderNameBytes - 1, 'x') + umlauts + "\">" + feeds + "</outline>",
       kMaxFolderNameBytes - 1},
      {nested, kMaxFolderNameBytes},
  };
  for (const auto& [body, firstFolderBytes] : cases) {
    Feeds.clear();
    m_tree.BuildFeedTree("", "", false);
    const std::string opml = Opml(body);
    Import(opml);
    ASSERT_EQ(m_tree.Root()->ChildCount(), 2);  // the folder and the Starred node
    const TTreeNode* list = m_tree.Root()->Child(0);
    ASSERT_EQ(list->ChildCount(), 1);
    EXPECT_EQ(list->Child(0)->Name().size(), firstFolderBytes);
    const TTreeNode* feed = m_tree.FindFeedNode(Feeds.back().Id);
    ASSERT_NE(feed, nullptr);
    EXPECT_LE(m_tree.NodePath(feed->Parent(), false).size(), kMaxImportedFolderPathBytes);
    const TTreeArrangement arrangement = m_tree.SaveTreeStructure();
    EXPECT_LE(arrangement.Structure.size() + arrangement.PathList.size(),
              Feeds.size() * (kMaxImportedFolderPathBytes + 8) + opml.size());
  }
}

TEST_F(OpmlImportTest, FileImportReportsWhatItDid) {
  const test::TempDir dir;
  const std::string good = dir.File("good.opml");
  WriteStringToFile(good, Opml("<outline text=\"A\" xmlUrl=\"http://a.example/\"/>"
                               "<outline text=\"B\" xmlUrl=\"vbscript:x\"/>"
                               "<outline text=\"C\" xmlUrl=\"http://a.example\"/>"));
  const TOpmlImportResult result = ImportOpmlFile(m_tree, m_tree.Root(), good);
  EXPECT_EQ(result.Status, TOpmlReadStatus::Read);
  EXPECT_EQ(result.Message,
            "1 Feeds in 1 Ordnern importiert, 1 übersprungen. 1 bereits abonnierte Feeds übersprungen.");
  EXPECT_EQ(Settings().PathList, "\\List\\A\r\n");
  EXPECT_EQ(Settings().Structure, "\\List\t0\r\n");
}

TEST_F(OpmlImportTest, UnusableFilesChangeNothing) {
  const test::TempDir dir;
  WriteStringToFile(dir.File("empty.opml"), "");
  WriteStringToFile(dir.File("rss.xml"), "<rss><channel><title>x</title></channel></rss>");
  WriteStringToFile(dir.File("nobody.opml"), "<opml><head><title>x</title></head></opml>");
  WriteStringToFile(dir.File("text.opml"), "just text");
  { std::ofstream huge(dir.File("huge.opml"), std::ios::binary); }
  std::filesystem::resize_file(dir.File("huge.opml"), kMaxOpmlFileBytes + 1);
  const std::tuple<std::string, TOpmlReadStatus, const char*> cases[] = {
      {dir.File("missing.opml"), TOpmlReadStatus::Unreadable, "konnte nicht gelesen werden"},
      {dir.Path().string(), TOpmlReadStatus::Unreadable, "konnte nicht gelesen werden"},
      {dir.File("huge.opml"), TOpmlReadStatus::TooLarge, "32 MiB"},
      {dir.File("empty.opml"), TOpmlReadStatus::NotOpml, "keine OPML-Datei"},
      {dir.File("rss.xml"), TOpmlReadStatus::NotOpml, "keine OPML-Datei"},
      {dir.File("nobody.opml"), TOpmlReadStatus::NotOpml, "keine OPML-Datei"},
      {dir.File("text.opml"), TOpmlReadStatus::NotOpml, "keine OPML-Datei"},
  };
  Settings().Structure = "\\Kept\t0\r\n";
  for (const auto& [file, status, message] : cases) {
    const TOpmlImportResult result = ImportOpmlFile(m_tree, m_tree.Root(), file);
    EXPECT_EQ(result.Status, status) << file;
    EXPECT_NE(result.Message.find(message), std::string::npos) << result.Message;
    EXPECT_NE(result.Message.find(file), std::string::npos) << result.Message;
  }
  EXPECT_TRUE(Feeds.empty());
  EXPECT_EQ(m_tree.Root()->ChildCount(), 1);  // the Starred node alone
  EXPECT_EQ(Settings().Structure, "\\Kept\t0\r\n");
}

}  // namespace
}  // namespace tidewick
