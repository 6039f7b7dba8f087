// Random arrangements: whatever the settings held, the texts written after one build read back to the same tree.

#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

#include "feed_tree_test_support.h"
#include "feeds/feed_records.h"
#include "tree/feed_tree.h"

namespace tidewick {
namespace {

class FeedTreeRoundTripTest : public ::testing::TestWithParam<unsigned>, protected test::FeedTreeTestBase {};

// Names that stress the rules: case-only twins, brackets, a backslash (feeds only), non-ASCII letters.
std::string RandomName(std::mt19937& random, bool forFeed) {
  static const std::vector<std::string> stems = {"News", "news",  "NEWS",  "Tech [EN]", "Straße", "STRASSE",
                                                 "Blog", "Ärger", "ärger", "Sport (2)", "Zeit",   "A b"};
  std::string name = stems[random() % stems.size()];
  if (forFeed && random() % 10 == 0) {
    name += "\\part";
  }
  if (random() % 3 != 0) {
    name += " " + std::to_string(random() % 40);
  }
  return name;
}

std::string Join(const std::vector<std::string>& names, size_t count) {
  std::string path;
  for (size_t i = 0; i < count; ++i) {
    path += "\\" + names[i];
  }
  return path;
}

TEST_P(FeedTreeRoundTripTest, BuildSaveBuildSaveIsStable) {
  std::mt19937 random(GetParam());
  // 200 folders, nested up to four levels.
  std::vector<std::string> folderPaths;
  std::string structure;
  while (folderPaths.size() < 200) {
    std::vector<std::string> names;
    const size_t depth = 1 + random() % 4;
    for (size_t i = 0; i < depth; ++i) {
      names.push_back(RandomName(random, false));
    }
    const std::string path = Join(names, depth);
    folderPaths.push_back(path);
    structure += path + (random() % 2 ? "\t-1\r\n" : "\t0\r\n");
  }
  // 2,000 feeds with unique names, one line each, in store order; some folders only PathList names.
  std::string pathList;
  for (int i = 0; Feeds.size() < 2000; ++i) {
    const std::string name = RandomName(random, true) + (random() % 2 ? "" : "#" + std::to_string(i));
    if (FindFeed(name) >= 0) {
      continue;
    }
    test::AddTreeFeed(name, static_cast<int>(random() % 3), random() % 7 == 0);
    const std::string& folder = folderPaths[random() % folderPaths.size()];
    pathList += (random() % 5 == 0 ? std::string() : folder + (random() % 9 == 0 ? "\\Extra" : "")) + "\\" + name;
    pathList += "\r\n";
  }
  // Damaged lines in both texts.
  const std::string damaged[] = {"\\NoTab\r\n", "NoBackslash\t-1\r\n",    "\\Empty\\\\Part\t-1\r\n",
                                 "\t0\r\n",     "\\News 1\\\\News 2\r\n", "\r\n\r\n",
                                 "News 3\r\n"};
  for (int i = 0; i < 40; ++i) {
    const std::string& line = damaged[random() % std::size(damaged)];
    (random() % 2 ? structure : pathList) += line;
  }

  TFeedTree first;
  first.BuildFeedTree(structure, pathList, true);
  const TTreeArrangement saved = first.SaveTreeStructure();
  TFeedTree second;
  second.BuildFeedTree(saved.Structure, saved.PathList, true);
  const TTreeArrangement savedAgain = second.SaveTreeStructure();

  EXPECT_EQ(saved.Structure, savedAgain.Structure);
  EXPECT_EQ(saved.PathList, savedAgain.PathList);
  EXPECT_EQ(test::DumpTree(first), test::DumpTree(second));
  EXPECT_EQ(second.FeedIdsUnder(second.Root()).size(), Feeds.size()) << "every feed has exactly one node";
}

// A clean arrangement comes back line for line: every feed stays in the folder it was written for.
TEST_P(FeedTreeRoundTripTest, CleanPathListComesBackUnchanged) {
  std::mt19937 random(GetParam());
  std::string pathList;
  for (int i = 0; Feeds.size() < 300; ++i) {
    const std::string name = RandomName(random, true) + "#" + std::to_string(i);
    test::AddTreeFeed(name);
    std::vector<std::string> folders;
    for (size_t depth = random() % 4; depth > 0; --depth) {
      folders.push_back(RandomName(random, false));
    }
    pathList += Join(folders, folders.size()) + "\\" + name + "\r\n";
  }
  TFeedTree tree;
  tree.BuildFeedTree("", pathList, false);
  EXPECT_EQ(tree.SaveTreeStructure().PathList, pathList);
}

INSTANTIATE_TEST_SUITE_P(Seeds, FeedTreeRoundTripTest, ::testing::Values(1U, 7U, 2026U));

}  // namespace
}  // namespace tidewick
