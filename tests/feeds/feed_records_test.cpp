#include "feeds/feed_records.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "feeds/entry_title.h"

namespace tidewick {
namespace {

TFeed MakeFeed(const std::string& name, int items, int readItems = 0) {
  TFeed feed;
  feed.Name = name;
  for (int i = 0; i < items; ++i) {
    TEntry item;
    item.Title = name + " entry " + std::to_string(i);
    item.IsRead = i < readItems;
    feed.Entries.push_back(item);
  }
  return feed;
}

class FeedRecords : public ::testing::Test {
 protected:
  void SetUp() override { Feeds.clear(); }
  void TearDown() override { Feeds.clear(); }

  static void ExpectInvariants() {
    for (size_t i = 0; i < Feeds.size(); ++i) {
      EXPECT_EQ(Feeds[i].Index, static_cast<int>(i)) << Feeds[i].Name;
      for (size_t j = 0; j < Feeds[i].Entries.size(); ++j) {
        EXPECT_EQ(Feeds[i].Entries[j].EntryIndex, static_cast<int>(j));
        EXPECT_EQ(Feeds[i].Entries[j].FeedIndex, static_cast<int>(i));
      }
    }
  }
};

struct TDeleteCase {
  int Deleted;
  bool Done;
  std::vector<std::string> Remaining;
};

class FeedDelete : public FeedRecords, public ::testing::WithParamInterface<TDeleteCase> {};

TEST_P(FeedDelete, MovesTheLastFeedIntoTheGapAndRefusesInvalidPositions) {
  for (const char* name : {"a", "b", "c"}) {
    AddFeed(MakeFeed(name, 2));
  }
  ASSERT_EQ(DeleteFeed(GetParam().Deleted), GetParam().Done);
  ASSERT_EQ(Feeds.size(), GetParam().Remaining.size());
  for (size_t i = 0; i < Feeds.size(); ++i) {
    EXPECT_EQ(Feeds[i].Name, GetParam().Remaining[i]);
  }
  ExpectInvariants();
}

INSTANTIATE_TEST_SUITE_P(Positions, FeedDelete,
                         ::testing::Values(TDeleteCase{0, true, {"c", "b"}}, TDeleteCase{1, true, {"a", "c"}},
                                           TDeleteCase{2, true, {"a", "b"}}, TDeleteCase{-1, false, {"a", "b", "c"}},
                                           TDeleteCase{3, false, {"a", "b", "c"}}));

TEST_F(FeedRecords, IdsStayWithTheirFeedWhenOthersAreDeleted) {
  for (const char* name : {"a", "b", "c"}) {
    AddFeed(MakeFeed(name, 0));
  }
  const uint64_t idA = Feeds[0].Id;
  const uint64_t idC = Feeds[2].Id;
  EXPECT_NE(idA, 0u);
  EXPECT_NE(idA, idC);
  DeleteFeed(0);
  EXPECT_EQ(FindFeedById(idA), -1);
  EXPECT_EQ(FindFeedById(idC), 0);
  EXPECT_EQ(Feeds[FindFeedById(idC)].Name, "c");
  EXPECT_EQ(FindFeedById(0), -1);
  // A feed added again is a new subscription with a new id.
  AddFeed(MakeFeed("a", 0));
  EXPECT_NE(Feeds.back().Id, idA);
}

TEST_F(FeedRecords, FindFeedMatchesExactNameAndTreeCaption) {
  AddFeed(MakeFeed("Heise", 0));
  AddFeed(MakeFeed("Golem [beta]", 0));
  EXPECT_EQ(FindFeed("Heise"), 0);
  EXPECT_EQ(FindFeed("Heise [12]"), 0);
  EXPECT_EQ(FindFeed("heise"), -1);
  EXPECT_EQ(FindFeed("Nothing"), -1);
  // A name that itself ends in brackets is reached through its caption.
  EXPECT_EQ(FindFeed(FeedDisplayName("Golem [beta]", 3, true)), 1);
  EXPECT_EQ(FeedDisplayName("Heise", 3, false), "Heise");
  EXPECT_EQ(FeedDisplayName("Heise", 0, true), "Heise");
  EXPECT_EQ(StripUnreadSuffix("Heise]"), "Heise]");
  EXPECT_EQ(StripUnreadSuffix("[3]"), "");
}

TEST_F(FeedRecords, CountsPerFeedAndOverAll) {
  AddFeed(MakeFeed("a", 4, 1));
  AddFeed(MakeFeed("b", 3, 3));
  Feeds[1].Error = true;
  EXPECT_EQ(ItemCount(0), 4);
  EXPECT_EQ(ItemCount(2), -1);
  EXPECT_EQ(UnreadCount(0), 3);
  EXPECT_EQ(UnreadCount(1), 0);
  EXPECT_EQ(UnreadCount(-1), TotalUnreadCount());
  EXPECT_EQ(TotalUnreadCount(), 3);
  EXPECT_EQ(ErrorFeedCount(), 1);
  Feeds[0].Entries[0].Visited = true;
  MarkFeedUnread(1);
  EXPECT_EQ(TotalUnreadCount(), 6);
  MarkFeedRead(0);
  EXPECT_EQ(UnreadCount(0), 0);
  EXPECT_TRUE(Feeds[0].Entries[0].Visited);
  EXPECT_FALSE(Feeds[0].Entries[1].Visited);
}

TEST(FeedItems, FindItemComparesTitleLinkAndAuthorExactly) {
  TEntries items(3);
  items[0].Title = "A";
  items[1].Title = "B";
  items[1].Link = "l";
  items[2] = items[1];
  items[2].Description = "other text";
  TEntry probe = items[1];
  probe.Description = "changed";
  probe.IsRead = true;
  EXPECT_EQ(FindItem(probe, items), 1);  // first match
  probe.Author = "x";
  EXPECT_EQ(FindItem(probe, items), -1);
  probe = items[0];
  probe.Title = "a";
  EXPECT_EQ(FindItem(probe, items), -1);
}

TEST(FeedItems, DeleteItemMovesLastWithoutRenumbering) {
  TEntries items(4);
  for (int i = 0; i < 4; ++i) {
    items[i].Title = std::to_string(i);
  }
  SetItemIndices(items, 7);
  EXPECT_TRUE(DeleteItem(items, 1));
  ASSERT_EQ(items.size(), 3u);
  EXPECT_EQ(items[1].Title, "3");
  EXPECT_EQ(items[1].EntryIndex, 3);
  EXPECT_TRUE(DeleteItem(items, 2));
  EXPECT_EQ(items.size(), 2u);
  EXPECT_FALSE(DeleteItem(items, 5));
  SetItemIndices(items, 2);
  EXPECT_EQ(items[1].EntryIndex, 1);
  EXPECT_EQ(items[1].FeedIndex, 2);
}

struct TSplitCase {
  std::string Description;
  std::string Summary;
  std::string Content;
};

class ContentMarker : public ::testing::TestWithParam<TSplitCase> {};

TEST_P(ContentMarker, SplitsSummaryAndContent) {
  EXPECT_EQ(ItemSummary(GetParam().Description), GetParam().Summary);
  EXPECT_EQ(ItemContent(GetParam().Description), GetParam().Content);
}

INSTANTIATE_TEST_SUITE_P(Descriptions, ContentMarker,
                         ::testing::Values(TSplitCase{"plain", "plain", "plain"},
                                           TSplitCase{"sum[~Tidewick_Content~]full", "sum", "full"},
                                           TSplitCase{"sum[~Tidewick_Content~]", "sum", "sum[~Tidewick_Content~]"},
                                           TSplitCase{"[~Tidewick_Content~]full", "", "full"},
                                           TSplitCase{"a[~Tidewick_Content~]b[~Tidewick_Content~]c", "a", "b"},
                                           TSplitCase{"", "", ""}));

struct TSanitizeCase {
  std::string Input;
  std::string Output;
  bool Changed;
};

class SanitizeName : public ::testing::TestWithParam<TSanitizeCase> {};

TEST_P(SanitizeName, TrimsAndReplacesBrackets) {
  std::string name = GetParam().Input;
  EXPECT_EQ(SanitizeFeedName(name), GetParam().Changed);
  EXPECT_EQ(name, GetParam().Output);
}

INSTANTIATE_TEST_SUITE_P(Names, SanitizeName,
                         ::testing::Values(TSanitizeCase{"Heise", "Heise", false},
                                           TSanitizeCase{"  [News]  ", "(News)", true},
                                           TSanitizeCase{"a]b[c", "a)b(c", true},
                                           TSanitizeCase{"\tTabbed ", "Tabbed", true}, TSanitizeCase{"", "", false},
                                           // A name the store file could not hold: no character XML forbids.
                                           TSanitizeCase{"a\x01"
                                                         "b\xEF\xBF\xBE",
                                                         "a\xEF\xBF\xBD"
                                                         "b\xEF\xBF\xBD",
                                                         true}));

TEST_F(FeedRecords, UniqueFeedNameAppendsTheNextFreeNumber) {
  for (const char* name : {"News", "News1", "(Tech)"}) {
    AddFeed(MakeFeed(name, 0));
  }
  EXPECT_EQ(UniqueFeedName("News"), "News2");
  EXPECT_EQ(UniqueFeedName("Other"), "Other");
  EXPECT_EQ(UniqueFeedName(" [Tech] "), "(Tech)1");
}

// Regression: a 16 MB title took 15 s a repaint of the list.
TEST(ShownText, CutsLongTextOnACharacterBoundary) {
  const std::string full(kMaxShownTextBytes, 'a');
  const std::pair<std::string, std::string> cases[] = {
      {"short", "short"},
      {full, full},
      {full + "b", full + "\u2026"},
      {full.substr(1) + "\u00e9", full.substr(1) + "\u2026"},  // the two-byte character goes whole
  };
  for (const auto& [text, shown] : cases) {
    EXPECT_EQ(ShownText(text), shown) << text.size();
  }
  TEntry item;
  EXPECT_EQ(ShownTitle(item), UntitledEntryText());
  item.Title = full + full;
  EXPECT_EQ(ShownTitle(item), full + "\u2026");
}

}  // namespace
}  // namespace tidewick
