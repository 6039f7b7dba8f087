#include "tree/feed_tree.h"

#include <gtest/gtest.h>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "feed_tree_test_support.h"
#include "feeds/feed_records.h"
#include "settings/settings.h"

namespace tidewick {
namespace {

using test::AddTreeFeed;
using test::DumpTree;
using test::NodeAt;

class FeedTreeTest : public ::testing::Test, protected test::FeedTreeTestBase {
 protected:
  // News (expanded) with Tech (collapsed) holding Alpha; Beta under the root; Alpha first in the store.
  void BuildExample(bool showUnreadCount = false) {
    m_alpha = AddTreeFeed("Alpha", 3);
    m_beta = AddTreeFeed("Beta");
    m_tree.BuildFeedTree("\\News\t-1\r\n\\News\\Tech\t0\r\n", "\\News\\Tech\\Alpha\r\n\\Beta\r\n", showUnreadCount);
  }

  TFeedTree m_tree;
  uint64_t m_alpha = 0;
  uint64_t m_beta = 0;
};

TEST_F(FeedTreeTest, EmptyStoreGivesOnlyTheSelectedRoot) {
  m_tree.BuildFeedTree("", "", false);
  EXPECT_EQ(DumpTree(m_tree), "Feeds (2)\n");
  EXPECT_EQ(m_tree.Selected(), m_tree.Root());
  EXPECT_EQ(m_tree.SaveTreeStructure().Structure, "");
  EXPECT_EQ(m_tree.SaveTreeStructure().PathList, "");
}

TEST_F(FeedTreeTest, BuildsTheArrangementAndWritesItBackUnchanged) {
  BuildExample();
  EXPECT_EQ(DumpTree(m_tree), "Feeds (3)\n  News (1)\n    Tech (1)\n      Alpha (5)\n  Beta (4)\n");
  EXPECT_TRUE(NodeAt(m_tree, "News")->Expanded());
  EXPECT_FALSE(NodeAt(m_tree, "News/Tech")->Expanded());
  EXPECT_EQ(NodeAt(m_tree, "News/Tech/Alpha")->FeedId(), m_alpha);
  const TTreeArrangement saved = m_tree.SaveTreeStructure();
  EXPECT_EQ(saved.Structure, "\\News\t-1\r\n\\News\\Tech\t0\r\n");
  EXPECT_EQ(saved.PathList, "\\News\\Tech\\Alpha\r\n\\Beta\r\n");
}

TEST_F(FeedTreeTest, SkipsDamagedLinesAndPlacesTheirFeedsUnderTheRoot) {
  AddTreeFeed("Alpha");
  AddTreeFeed("Beta");
  AddTreeFeed("Gamma");
  std::string deep;
  for (int i = 0; i <= kMaxFolderDepth; ++i) {
    deep += "\\d";
  }
  const std::string structure = "\\NoTab\r\nNoBackslash\t-1\r\n\\Empty\\\\Part\t-1\r\n\t-1\r\n" + deep +
                                "\t-1\r\n\\Kept\tmaybe\r\n\\Open\ttrue\r\n";
  const std::string pathList = "\\Kept\\\\Alpha\r\nBeta\r\n" + deep + "\\Gamma\r\n\\Kept\\Beta";
  m_tree.BuildFeedTree(structure, pathList, false);
  EXPECT_EQ(DumpTree(m_tree), "Feeds (2)\n  Kept (0)\n    Beta (4)\n  Open (0)\n  Alpha (4)\n  Gamma (4)\n");
  EXPECT_FALSE(NodeAt(m_tree, "Kept")->Expanded());
  EXPECT_TRUE(NodeAt(m_tree, "Open")->Expanded());
}

// Regression: matching ignoring case put "News" and "news" into whichever folder came first.
TEST_F(FeedTreeTest, ExactNameMatchesComeBeforeMatchesIgnoringCase) {
  AddTreeFeed("news");
  AddTreeFeed("News");
  AddTreeFeed("Gamma");
  AddTreeFeed("A\\B");  // a backslash in a feed name: the longest name that ends a line owns it
  AddTreeFeed("B");
  m_tree.BuildFeedTree("", "\\Upper\\News\r\n\\Lower\\news\r\n\\Other\\GAMMA\r\n\\X\\A\\B\r\n\\X\\A\\B\r\n", false);
  EXPECT_EQ(DumpTree(m_tree),
            "Feeds (2)\n  Lower (0)\n    news (4)\n  Other (0)\n    Gamma (4)\n  Upper (0)\n    News (4)\n"
            "  X (0)\n    A (0)\n      B (4)\n    A\\B (4)\n");
  EXPECT_EQ(m_tree.SaveTreeStructure().PathList,
            "\\Lower\\news\r\n\\Upper\\News\r\n\\Other\\Gamma\r\n\\X\\A\\B\r\n\\X\\A\\B\r\n");
}

TEST_F(FeedTreeTest, FolderNamesEndingInBracketsKeepThem) {
  AddTreeFeed("Alpha");
  m_tree.BuildFeedTree("\\News [EN]\t-1\r\n", "\\News [EN]\\Alpha\r\n", false);
  ASSERT_NE(NodeAt(m_tree, "News [EN]/Alpha"), nullptr);
  EXPECT_EQ(m_tree.SaveTreeStructure().Structure, "\\News [EN]\t-1\r\n");
  EXPECT_EQ(m_tree.NodePath(NodeAt(m_tree, "News [EN]/Alpha"), true), "\\Feeds\\News [EN]\\Alpha");
}

TEST_F(FeedTreeTest, CaptionsShowUnreadCountsButNamesDecideOrderAndPaths) {
  AddTreeFeed("Beta", 12, true);
  AddTreeFeed("Beta 2");
  m_tree.BuildFeedTree("\\F\t-1\r\n", "\\F\\Beta\r\n\\F\\Beta 2\r\n", true);
  EXPECT_EQ(DumpTree(m_tree), "Feeds (3!)\n  F (1!)\n    Beta [12] (5!)\n    Beta 2 (4)\n");
  EXPECT_EQ(m_tree.SaveTreeStructure().PathList, "\\F\\Beta\r\n\\F\\Beta 2\r\n");
  Feeds[0].Error = false;
  MarkFeedRead(0);
  m_tree.UpdateTreeCaptions(true);
  EXPECT_EQ(DumpTree(m_tree), "Feeds (2)\n  F (0)\n    Beta (4)\n    Beta 2 (4)\n");
  Feeds[0].Entries[0].Starred = true;  // the Starred node, always last, counts its unread entries
  Feeds[0].Entries[0].IsRead = false;
  m_tree.UpdateTreeCaptions(true);
  EXPECT_EQ(DumpTree(m_tree, true), "Feeds (3)\n  F (1)\n    Beta [1] (5)\n    Beta 2 (4)\n  Mit Stern [1] (7)\n");
  Feeds[0].Entries[0].Starred = false;
  MarkFeedRead(0);
  AddTreeFeed("Gamma", 2);
  m_tree.BuildFeedTree("\\F\t-1\r\n\\F\\G\t-1\r\n", "\\F\\G\\Beta 2\r\n\\F\\G\\Gamma\r\n", false);
  m_tree.SetFolderUnreadCounts(true);  // folder sums: the feeds below, at every level, whether feeds show theirs or not
  m_tree.UpdateTreeCaptions(false);
  EXPECT_EQ(DumpTree(m_tree),
            "Feeds [2] (3)\n  F [2] (1)\n    G [2] (1)\n      Beta 2 (4)\n      Gamma (5)\n  Beta (4)\n");
  EXPECT_EQ(m_tree.SaveTreeStructure().Structure, "\\F\t-1\r\n\\F\\G\t-1\r\n");
}

TEST_F(FeedTreeTest, CaptionPassGoesOnPastAFeedWithoutANode) {
  AddTreeFeed("Alpha");
  m_tree.BuildFeedTree("", "", false);
  AddTreeFeed("Late", 1);
  AddTreeFeed("Known", 2, true);
  Feeds[0].Entries.push_back(TEntry{});  // Alpha now has one unread entry
  m_tree.UpdateTreeCaptions(true);
  EXPECT_EQ(DumpTree(m_tree), "Feeds (3)\n  Alpha [1] (5)\n");
  m_tree.BuildFeedTree("", "", true);
  EXPECT_EQ(DumpTree(m_tree), "Feeds (3!)\n  Alpha [1] (5)\n  Known [2] (5!)\n  Late [1] (5)\n");
}

TEST_F(FeedTreeTest, PathsSelectNodesWhateverTheRootIsCalled) {
  BuildExample();
  const TTreeNode* alpha = NodeAt(m_tree, "News/Tech/Alpha");
  EXPECT_EQ(m_tree.NodePath(alpha, true), "\\Feeds\\News\\Tech\\Alpha");
  EXPECT_EQ(m_tree.NodePath(alpha, false), "\\News\\Tech\\Alpha");
  EXPECT_EQ(m_tree.NodePath(m_tree.Root(), true), "\\Feeds");
  EXPECT_EQ(m_tree.NodePath(m_tree.Root(), false), "");
  const std::pair<const char*, const TTreeNode*> cases[] = {
      {"\\Feeds\\News\\Tech\\Alpha", alpha},
      {"\\Flux\\News\\Tech\\Alpha", alpha},
      {"\\Feeds\\News\\Gone\\Tech", NodeAt(m_tree, "News/Tech")},  // a missing step is skipped
      {"\\Feeds", m_tree.Root()},
      {"", m_tree.Root()},
      {"\\Feeds\\\tStarred", m_tree.StarredNode()},
  };
  for (const auto& [path, expected] : cases) {
    m_tree.Select(nullptr);
    m_tree.SelectNodeByPath(path);
    EXPECT_EQ(m_tree.Selected(), expected) << path;
  }
  EXPECT_TRUE(NodeAt(m_tree, "News/Tech")->Expanded()) << "selecting a node shows it";
}

TEST_F(FeedTreeTest, RebuildKeepsTheSelectedFeedOrFolder) {
  BuildExample();
  m_tree.SelectFeed(m_alpha);
  m_tree.BuildFeedTree("\\News\t-1\r\n\\News\\Tech\t0\r\n", "\\Beta\r\n\\News\\Alpha\r\n", false);
  EXPECT_EQ(m_tree.Selected(), NodeAt(m_tree, "News/Alpha"));
  m_tree.Select(NodeAt(m_tree, "News/Tech"));
  m_tree.BuildFeedTree("\\News\t-1\r\n\\News\\Tech\t0\r\n", "", false);
  EXPECT_EQ(m_tree.Selected(), NodeAt(m_tree, "News/Tech"));
}

TEST_F(FeedTreeTest, FolderPathsAreCreatedOnlyThroughFolders) {
  AddTreeFeed("Alpha");
  m_tree.BuildFeedTree("\\A\\B\t-1\r\n", "\\Alpha\r\n", false);
  EXPECT_FALSE(NodeAt(m_tree, "A")->Expanded()) << "a folder without a line of its own stays collapsed";
  EXPECT_TRUE(NodeAt(m_tree, "A/B")->Expanded());
  // A folder named like a feed is a folder of its own, never a child of the feed.
  const TTreeNode* folder = m_tree.FindOrCreateFolderPath("\\Alpha\\Sub");
  ASSERT_NE(folder, nullptr);
  EXPECT_TRUE(folder->Parent()->IsFolder());
  EXPECT_EQ(m_tree.FindFolderPath("\\Alpha\\Sub"), folder);
  EXPECT_EQ(m_tree.FindFolderPath("\\Missing"), nullptr);
  EXPECT_EQ(m_tree.FindOrCreateFolderPath("Alpha"), nullptr);
  EXPECT_EQ(m_tree.FeedIdsUnder(m_tree.Root()).size(), 1U);
}

TEST_F(FeedTreeTest, NewFoldersTakeTheLowestFreeNumber) {
  m_tree.BuildFeedTree("\\Neuer Ordner 2\t0\r\n", "", false);
  EXPECT_EQ(m_tree.AddNewFolder(m_tree.Root())->Name(), "Neuer Ordner 1");
  EXPECT_EQ(m_tree.AddNewFolder(m_tree.Root())->Name(), "Neuer Ordner 3");
  EXPECT_EQ(m_tree.Selected()->Name(), "Neuer Ordner 3");
  TTreeNode* sub = m_tree.AddNewFolder(m_tree.Selected());
  EXPECT_EQ(sub->Name(), "Neuer Ordner 1") << "numbers count per parent";
  EXPECT_TRUE(m_tree.RenameFolder(sub, "neuer ordner 1 ") == TRenameResult::Renamed);
  EXPECT_EQ(m_tree.NewFolderName(sub->Parent()), "Neuer Ordner 2") << "ignoring case, as renames do";
  EXPECT_EQ(m_tree.Root()->Child(0)->Name(), "Neuer Ordner 1") << "sorted into place";
}

TEST_F(FeedTreeTest, RenameRules) {
  AddTreeFeed("Alpha");
  m_tree.BuildFeedTree("\\News\t0\r\n\\Tech\t0\r\n", "\\Alpha\r\n", false);
  const std::tuple<const char*, TRenameResult, const char*> cases[] = {
      {"news", TRenameResult::Renamed, "news"},  // a change of letter case only
      {"news", TRenameResult::Unchanged, "news"},
      {"TECH", TRenameResult::NameTaken, "news"},  // a sibling folder, any case
      {"", TRenameResult::InvalidName, "news"},
      {"   ", TRenameResult::InvalidName, "news"},
      {"A\\B", TRenameResult::InvalidName, "news"},
      {"A\tB", TRenameResult::InvalidName, "news"},
      {"A\nB", TRenameResult::InvalidName, "news"},
      {"Alpha", TRenameResult::Renamed, "Alpha"},  // a sibling feed does not count
      {"  Zed [EN] ", TRenameResult::Renamed, "Zed [EN]"},
  };
  TTreeNode* folder = NodeAt(m_tree, "News");
  for (const auto& [newName, expected, nameAfter] : cases) {
    EXPECT_EQ(m_tree.RenameFolder(folder, newName), expected) << newName;
    EXPECT_EQ(folder->Name(), nameAfter) << newName;
  }
  EXPECT_EQ(m_tree.RenameFolder(m_tree.Root(), "Root"), TRenameResult::NotAllowed);
  EXPECT_EQ(m_tree.RenameFolder(NodeAt(m_tree, "Alpha"), "Beta"), TRenameResult::NotAllowed);
  EXPECT_FALSE(m_tree.CanRename(m_tree.Root()));
  EXPECT_EQ(m_tree.SaveTreeStructure().Structure,
            "\\Tech\t0\r\n\\Zed [EN]\t0\r\n");  // A feed follows the feed dialog's rules, and its PathList line follows
                                                // the name.
  AddTreeFeed("Beta");
  m_tree.BuildFeedTree("\\Tech\t0\r\n", "\\Tech\\Alpha\r\n", false);
  const std::tuple<const char*, TRenameResult, const char*> feedCases[] = {
      {"Beta", TRenameResult::NameTaken, "Alpha"},   {" \t", TRenameResult::InvalidName, "Alpha"},
      {"A\nB", TRenameResult::InvalidName, "Alpha"}, {"Alpha", TRenameResult::Unchanged, "Alpha"},
      {"beta", TRenameResult::Renamed, "beta"},      {" Zed [EN] ", TRenameResult::Renamed, "Zed (EN)"},
  };
  for (const auto& [newName, expected, nameAfter] : feedCases) {
    TTreeNode* feed = m_tree.FindFeedNode(Feeds[0].Id);
    EXPECT_EQ(m_tree.RenameNode(feed, newName), expected) << newName;
    EXPECT_EQ(Feeds[0].Name, nameAfter) << newName;
    EXPECT_EQ(feed->Name(), nameAfter) << newName;
  }
  EXPECT_EQ(m_tree.RenameNode(m_tree.Root(), "Root"), TRenameResult::NotAllowed);
  EXPECT_EQ(m_tree.SaveTreeStructure().PathList, "\\Tech\\Zed (EN)\r\n\\Beta\r\n");
}

TEST_F(FeedTreeTest, FolderNamesFromElsewhereAreCleanedAndMadeUnique) {
  AddTreeFeed("Feed");
  m_tree.BuildFeedTree("\\news\t0\r\n\\News1\t0\r\n", "\\Feed\r\n", false);
  const std::pair<const char*, const char*> cases[] = {
      {"News", "News2"},
      {"Feed", "Feed"},  // feeds do not count
      {"A\\B\tC\r\n", "A/B C"},
      {" \t", "Neuer Ordner 1"},
  };
  for (const auto& [name, expected] : cases) {
    EXPECT_EQ(m_tree.UniqueFolderName(m_tree.Root(), name), expected) << name;
  }
}

TEST_F(FeedTreeTest, RemovingAFeedDeletesItAndKeepsItsFolderSelected) {
  BuildExample();
  m_tree.SelectFeed(m_alpha);
  EXPECT_EQ(m_tree.RemoveKindOf(m_tree.Root()), TRemoveKind::None);
  EXPECT_EQ(m_tree.RemoveKindOf(m_tree.Selected()), TRemoveKind::Feed);
  EXPECT_EQ(m_tree.RemoveFeedNode(m_tree.Selected()), std::nullopt);
  EXPECT_EQ(FindFeedById(m_alpha), -1);
  EXPECT_EQ(DumpTree(m_tree), "Feeds (2)\n  News (0)\n    Tech (0)\n  Beta (4)\n");
  EXPECT_EQ(m_tree.Selected(), NodeAt(m_tree, "News/Tech"));
  EXPECT_EQ(Settings().PathList, "\\Beta\r\n");
}

TEST_F(FeedTreeTest, RemovingAFolderRemovesOrKeepsItsFeeds) {
  for (const bool removeFeeds : {true, false}) {
    Reset();
    BuildExample();
    EXPECT_EQ(m_tree.RemoveKindOf(NodeAt(m_tree, "News")), TRemoveKind::Folder);
    EXPECT_TRUE(m_tree.RemoveFolderNode(NodeAt(m_tree, "News"), removeFeeds).empty());
    EXPECT_EQ(FindFeedById(m_alpha) >= 0, !removeFeeds);
    EXPECT_EQ(DumpTree(m_tree), removeFeeds ? "Feeds (2)\n  Beta (4)\n" : "Feeds (3)\n  Alpha (5)\n  Beta (4)\n");
    EXPECT_EQ(Settings().Structure, "");
  }
}

TEST_F(FeedTreeTest, DropRules) {
  AddTreeFeed("Alpha", 1);
  AddTreeFeed("Beta");
  AddTreeFeed("tech");
  m_tree.BuildFeedTree("\\News\t0\r\n\\News\\Tech\t0\r\n\\Other\t0\r\n", "\\News\\Alpha\r\n\\Beta\r\n", false);
  const std::tuple<const char*, const char*, bool> cases[] = {
      {"Beta", "News/Alpha", false},  // onto a feed
      {"News/Alpha", "Beta", false},  // onto a feed, unread entries or not
      {"News", "News", false},        // onto itself
      {"News", "News/Tech", false},   // onto its own subfolder
      {"News/Alpha", "News", false},  // onto its own parent
      {"News/Tech", "", false},       // a feed "tech" sits under the root
      {"", "News", false},            // the root is never dragged
      {"\tStarred", "", false},       // nor the Starred node
      {"Beta", "\tStarred", false},   // which holds nothing
      {"Beta", "News/Tech", true},   {"Other", "News", true}, {"News/Other", "", true},
  };
  for (const auto& [from, onto, accepted] : cases) {
    TTreeNode* dragged = NodeAt(m_tree, from);
    TTreeNode* target = NodeAt(m_tree, onto);
    ASSERT_TRUE(dragged && target) << from << " onto " << onto;
    EXPECT_EQ(m_tree.DropNode(dragged, target), accepted) << from << " onto " << onto;
  }
  EXPECT_EQ(DumpTree(m_tree),
            "Feeds (3)\n  News (1)\n    Tech (0)\n      Beta (4)\n    Alpha (5)\n  Other (0)\n  tech (4)\n");
  EXPECT_EQ(m_tree.SaveTreeStructure().PathList,
            "\\News\\Alpha\r\n\\News\\Tech\\Beta\r\n\\tech\r\n");  // Move to folder offers exactly the drops the tree
                                                                   // accepts, in the tree's order.
  const auto targetPaths = [this](const char* from) {
    std::string paths;
    for (const TTreeNode* target : m_tree.MoveTargets(NodeAt(m_tree, from))) {
      paths += m_tree.NodePath(target, true) + ";";
    }
    return paths;
  };
  EXPECT_EQ(targetPaths("News/Alpha"), "\\Feeds;\\Feeds\\News\\Tech;\\Feeds\\Other;");
  EXPECT_EQ(targetPaths("News/Tech"), "\\Feeds\\Other;");
  EXPECT_EQ(targetPaths(""), "");
}

TEST_F(FeedTreeTest, MarkingReachesExactlyTheFeedsBelowTheNode) {
  AddTreeFeed("Alpha", 2);
  AddTreeFeed("Beta", 1);
  AddTreeFeed("Gamma", 4);
  m_tree.BuildFeedTree("\\News\t0\r\n\\News\\Tech\t0\r\n", "\\News\\Alpha\r\n\\News\\Tech\\Beta\r\n\\Gamma\r\n", true);
  m_tree.MarkNodeRead(NodeAt(m_tree, "News"), true);
  EXPECT_EQ(DumpTree(m_tree), "Feeds (3)\n  News (0)\n    Tech (0)\n      Beta (4)\n    Alpha (4)\n  Gamma [4] (5)\n");
  m_tree.MarkNodeRead(m_tree.Root(), false);
  EXPECT_EQ(UnreadCount(-1), 3 + 2 + 5);
  m_tree.MarkNodeRead(NodeAt(m_tree, "Gamma"), true);
  EXPECT_EQ(UnreadCount(2), 0);
  EXPECT_EQ(UnreadCount(-1), 5);
  Feeds[0].Entries[1].Starred = true;
  m_tree.MarkNodeRead(m_tree.StarredNode(), true);  // the starred entries, nothing else
  EXPECT_EQ(UnreadCount(-1), 4);
}

TEST_F(FeedTreeTest, FeedIdsUnderFollowTheTreeOrder) {
  const uint64_t zed = AddTreeFeed("Zed");
  const uint64_t alpha = AddTreeFeed("Alpha");
  const uint64_t inner = AddTreeFeed("Inner");
  m_tree.BuildFeedTree("", "\\Zed\r\n\\Alpha\r\n\\F\\Inner\r\n", false);
  EXPECT_EQ(m_tree.FeedIdsUnder(m_tree.Root()), (std::vector<uint64_t>{inner, alpha, zed}));
  EXPECT_EQ(m_tree.TargetFolder(NodeAt(m_tree, "F/Inner")), NodeAt(m_tree, "F"));
  EXPECT_EQ(m_tree.TargetFolder(nullptr), m_tree.Root());
}

TEST_F(FeedTreeTest, AddedNodesReferToTheirFeedsAndSurviveTheNextBuild) {
  m_tree.BuildFeedTree("", "", false);
  TTreeNode* folder = m_tree.AddFolderNode(m_tree.Root(), "Imported");
  const uint64_t id = AddTreeFeed("New", 1);
  ASSERT_NE(m_tree.AddFeedNode(folder, id), nullptr);
  EXPECT_EQ(m_tree.AddFeedNode(folder, id), nullptr) << "one node per feed";
  EXPECT_EQ(m_tree.AddFolderNode(m_tree.Root(), "Bad\\Name"), nullptr);
  m_tree.SaveTreeStructureToSettings();
  m_tree.BuildFeedTree();
  EXPECT_EQ(DumpTree(m_tree), "Feeds (3)\n  Imported (1)\n    New (5)\n");
}

// An account holds its server's categories and feeds; none of it enters the local arrangement, and nothing its
// server cannot do (rename, move, folders of our own) is offered.
TEST_F(FeedTreeTest, AccountsHoldTheServersCategoriesAndRefuseWhatTheServerCannotDo) {
  SyncAccounts.resize(1);
  SyncAccounts[0].Key = "tt1";
  SyncAccounts[0].Title = "rss.example";
  const uint64_t local = AddTreeFeed("Local", 1);
  auto addRemote = [](const char* name, int unread, TFeedRemote remote) {
    const uint64_t id = AddTreeFeed(name, unread);
    Feeds.back().Remote = std::move(remote);
    return id;
  };
  const uint64_t alpha = addRemote("Alpha", 2, {"tt1", "7", "3", "News"});
  addRemote("Beta", 1, {"tt1", "8", "0", "Uncategorized"});
  addRemote("Orphan", 0, {"gone", "9", "", ""});  // its account is not in the store: a plain feed
  // An older version wrote Alpha into PathList: it still goes under its account.
  m_tree.BuildFeedTree("\\Mine\t-1\r\n", "\\Mine\\Alpha\r\n\\Mine\\Local\r\n", true);
  m_tree.SetFolderUnreadCounts(true);
  m_tree.UpdateTreeCaptions(true);
  const std::string built =
      "Feeds [4] (3)\n  Mine [1] (1)\n    Local [1] (5)\n  Orphan (4)\n  rss.example [3] (3)\n"
      "    News [2] (1)\n      Alpha [2] (5)\n    Beta [1] (5)\n  Mit Stern (6)\n";
  EXPECT_EQ(DumpTree(m_tree, true), built);
  EXPECT_EQ(m_tree.SaveTreeStructure().Structure, "\\Mine\t-1\r\n");
  EXPECT_EQ(m_tree.SaveTreeStructure().PathList, "\\Mine\\Local\r\n\\Orphan\r\n");
  TTreeNode* account = m_tree.FindAccountNode("tt1");
  ASSERT_NE(account, nullptr);
  EXPECT_EQ(m_tree.NodePath(m_tree.FindFeedNode(alpha), true), "\\Feeds\\\tAccount:tt1\\News\\Alpha");
  m_tree.SelectNodeByPath("\\Feeds\\\tAccount:tt1\\News\\Alpha");
  EXPECT_EQ(m_tree.Selected(), m_tree.FindFeedNode(alpha));
  EXPECT_EQ(m_tree.TargetFolder(m_tree.Selected()), m_tree.Root()) << "local feeds never go into an account";

  TTreeNode* mine = NodeAt(m_tree, "Mine");
  for (TTreeNode* node : {account, account->Child(0), m_tree.FindFeedNode(alpha)}) {
    EXPECT_FALSE(m_tree.CanRename(node)) << node->Name();
    EXPECT_EQ(m_tree.RenameNode(node, "Other"), TRenameResult::NotAllowed) << node->Name();
    EXPECT_FALSE(m_tree.CanDrop(node, mine)) << node->Name();
    EXPECT_FALSE(m_tree.CanDrop(m_tree.FindFeedNode(local), node)) << node->Name();
    EXPECT_TRUE(m_tree.MoveTargets(node).empty()) << node->Name();
    EXPECT_EQ(m_tree.AddFolderNode(node->IsFeed() ? node->Parent() : node, "New"), nullptr) << node->Name();
    EXPECT_EQ(m_tree.AddFeedNode(node->IsFeed() ? node->Parent() : node, local), nullptr) << node->Name();
  }
  EXPECT_EQ(m_tree.RemoveKindOf(account), TRemoveKind::Account);
  EXPECT_EQ(m_tree.RemoveKindOf(account->Child(0)), TRemoveKind::None) << "a category goes with the server's feeds";
  EXPECT_EQ(m_tree.RemoveKindOf(m_tree.FindFeedNode(alpha)), TRemoveKind::Feed) << "unsubscribed on the server";
  EXPECT_EQ(DumpTree(m_tree, true), built) << "nothing was changed by the refused commands";

  m_tree.SetAccountError("tt1", "Server unreachable");
  m_tree.SaveTreeStructureToSettings();
  m_tree.BuildFeedTree();  // the mark is kept in memory across rebuilds
  account = m_tree.FindAccountNode("tt1");
  EXPECT_TRUE(account->HasErrorMark());
  EXPECT_EQ(account->ErrorText(), "Server unreachable");
  EXPECT_FALSE(m_tree.Root()->HasErrorMark());
  std::vector<std::string> marked;
  m_tree.MarkNodeRead(account, true, [&marked](const TFeed& feed, const TEntry&) { marked.push_back(feed.Name); });
  EXPECT_EQ(marked, (std::vector<std::string>{"Alpha", "Alpha", "Beta"})) << "only marks that changed";
  m_tree.SetAccountError("tt1", "");
  EXPECT_FALSE(m_tree.FindAccountNode("tt1")->HasErrorMark());

  EXPECT_TRUE(m_tree.RemoveAccountNode(m_tree.FindAccountNode("tt1")).empty());
  EXPECT_TRUE(SyncAccounts.empty());
  EXPECT_EQ(FindFeedById(alpha), -1);
  EXPECT_EQ(DumpTree(m_tree), "Feeds (3)\n  Mine (1)\n    Local (5)\n  Orphan (4)\n");
}

TEST_F(FeedTreeTest, SavingBeforeAnyBuildKeepsTheStoredArrangement) {
  Settings().Structure = "\\Kept\t0\r\n";
  m_tree.SaveTreeStructureToSettings();
  EXPECT_EQ(Settings().Structure, "\\Kept\t0\r\n");
}

TEST_F(FeedTreeTest, ViewHearsOfEachChangeOnce) {
  std::string heard;
  m_tree.SetHooks({.BeforeReset = [&] { heard += "r"; },
                   .AfterReset = [&] { heard += "R"; },
                   .BeforeLayoutChange = [&] { heard += "l"; },
                   .AfterLayoutChange = [&] { heard += "L"; },
                   .CaptionsChanged = [&] { heard += "c"; },
                   .SelectionChanged = [&] { heard += "s"; }});
  AddTreeFeed("Alpha");
  m_tree.BuildFeedTree("\\A\t0\r\n", "", false);
  m_tree.AddNewFolder(m_tree.Root());
  m_tree.DropNode(NodeAt(m_tree, "Alpha"), NodeAt(m_tree, "A"));
  m_tree.UpdateTreeCaptions(false);
  EXPECT_EQ(heard, "rRslLslLc");
}

}  // namespace
}  // namespace tidewick
