#include "tree/opml_export.h"

#include <gtest/gtest.h>
#include <string>
#include <tuple>

#include "feed_tree_test_support.h"

namespace tidewick {
namespace {

using test::AddOpmlFeed;
using test::NodeAt;

constexpr std::string_view kHead =
    "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n<opml version=\"1.1\">\r\n  <head>\r\n";

constexpr const char* kWideName =
    "Caf\xC3\xA9 \xD0\x9D\xD0\xBE\xD0\xB2\xD0\xBE\xD1\x81\xD1\x82\xD0\xB8 \xE2\x82\xAC \xF0\x9F\x93\xB0";

class OpmlExportTest : public ::testing::Test, protected test::FeedTreeTestBase {
 protected:
  // News holds Alpha and Beta; Empty holds nothing; a feed named beyond Latin-1 and Gamma sit under the root.
  void BuildExample() {
    AddOpmlFeed("Gamma", "http://g.example/feed");
    AddOpmlFeed("Beta & Co", "http://b.example/rss?a=1&b=2");
    AddOpmlFeed("Alpha", "https://a.example/atom");
    AddOpmlFeed(kWideName, "http://n.example/");
    m_tree.BuildFeedTree("\\News\t-1\r\n\\Empty\t0\r\n",
                         "\\News\\Alpha\r\n\\News\\Beta & Co\r\n\\Gamma\r\n\\" + std::string(kWideName) + "\r\n",
                         false);
  }

  TFeedTree m_tree;
};

TEST_F(OpmlExportTest, EmptyStoreGivesTheTitleAndAnEmptyBody) {
  m_tree.BuildFeedTree("", "", false);
  const TOpmlExportScope scope = OpmlExportScope(m_tree, m_tree.Selected());
  EXPECT_EQ(OpmlExportText(*scope.Start, scope.Title),
            std::string(kHead) + "    <title>Tidewick Feed-Liste</title>\r\n  </head>\r\n  <body />\r\n</opml>\r\n");
}

// Latin-1 characters are single bytes, the rest numeric references, so nothing is lost.
TEST_F(OpmlExportTest, WholeTreeNestsFoldersAndEscapesNames) {
  BuildExample();
  EXPECT_EQ(OpmlExportText(*m_tree.Root(), "Feeds & more"),
            std::string(kHead) +
                "    <title>Feeds &amp; more</title>\r\n"
                "  </head>\r\n"
                "  <body>\r\n"
                "    <outline text=\"Empty\" />\r\n"
                "    <outline text=\"News\">\r\n"
                "      <outline text=\"Alpha\" xmlUrl=\"https://a.example/atom\" type=\"rss\" />\r\n"
                "      <outline text=\"Beta &amp; Co\" xmlUrl=\"http://b.example/rss?a=1&amp;b=2\" type=\"rss\" />\r\n"
                "    </outline>\r\n"
                "    <outline text=\"Caf\xE9 &#1053;&#1086;&#1074;&#1086;&#1089;&#1090;&#1080; &#8364; &#128240;\" "
                "xmlUrl=\"http://n.example/\" type=\"rss\" />\r\n"
                "    <outline text=\"Gamma\" xmlUrl=\"http://g.example/feed\" type=\"rss\" />\r\n"
                "  </body>\r\n"
                "</opml>\r\n");
}

TEST_F(OpmlExportTest, ScopeFollowsTheSelection) {
  BuildExample();
  // Selected (a path of names, "" for the root), then the start, whole tree or not, title and dialog title.
  const std::tuple<const char*, const char*, bool, const char*, const char*> cases[] = {
      {"", "Feeds", true, "Tidewick Feed-Liste", "Alle Feeds exportieren"},
      {"News", "News", false, "News", "Feeds in \"News\" exportieren"},
      {"News/Alpha", "News", false, "News", "Feeds in \"News\" exportieren"},  // a feed stands for its folder
      {"Gamma", "Feeds", true, "Tidewick Feed-Liste", "Alle Feeds exportieren"},
  };
  for (const auto& [selected, start, wholeTree, title, dialogTitle] : cases) {
    const TOpmlExportScope scope = OpmlExportScope(m_tree, NodeAt(m_tree, selected));
    ASSERT_NE(scope.Start, nullptr) << selected;
    EXPECT_EQ(std::tie(scope.Start->Name(), scope.WholeTree, scope.Title, scope.DialogTitle),
              std::tuple(start, wholeTree, title, dialogTitle));
  }
  EXPECT_TRUE(OpmlExportScope(m_tree, nullptr).WholeTree);
}

}  // namespace
}  // namespace tidewick
