#include "feeds/feed_records.h"

#include <gtest/gtest.h>
#include <string>
#include <tuple>
#include <vector>

#include "feeds/entry_title.h"
#include "feeds/store_test_support.h"
#include "support/feed_builder.h"
#include "support/table_file.h"

namespace tidewick {
namespace {

// A feed of `items` entries, the first `readItems` of them read.
TFeed MakeFeed(const std::string& name, int items, int readItems = 0) {
  return test::MakeFeed(name, {}, test::NumberedEntries(items, [readItems](int i) { return i < readItems; }));
}

class FeedRecords : public ::testing::Test {
 protected:
  void SetUp() override { Feeds.clear(); }
  void TearDown() override { Feeds.clear(); }
};

TEST_F(FeedRecords, DeleteMovesTheLastFeedIntoTheGapAndRefusesInvalidPositions) {
  const std::tuple<int, bool, std::string> cases[] = {
      {0, true, "c b "}, {1, true, "a c "}, {2, true, "a b "}, {-1, false, "a b c "}, {3, false, "a b c "}};
  for (const auto& [deleted, done, remaining] : cases) {
    Feeds.clear();
    for (const char* name : {"a", "b", "c"}) {
      AddFeed(MakeFeed(name, 2));
    }
    EXPECT_EQ(DeleteFeed(deleted), done) << deleted;
    std::string names;
    for (const TFeed& feed : Feeds) {
      names += feed.Name + " ";
    }
    EXPECT_EQ(names, remaining);
    test::ExpectNumberedInPlace(Feeds);
  }
}

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

// Marking a feed read or unread changes its read marks only; the visited marks stay.
TEST_F(FeedRecords, MarkingAFeedKeepsVisitedMarksAndCountsFollow) {
  AddFeed(MakeFeed("a", 4, 1));
  AddFeed(MakeFeed("b", 3, 3));
  Feeds[0].Entries[0].Visited = true;
  MarkFeedUnread(1);
  MarkFeedRead(0);
  EXPECT_EQ(UnreadCount(0), 0);
  EXPECT_EQ(TotalUnreadCount(), 3);
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

// The content marker splits a description into summary and content; feed names lose blanks and brackets.
TEST(FeedTexts, SplitDescriptionsAndSanitizeNamesAsTheTableSays) {
  test::CheckTableFile("feeds/feed_texts.tsv", 2, [](const std::vector<std::string>& in) {
    if (in[0] == "split") {
      return ItemSummary(in[1]) + "\t" + ItemContent(in[1]);
    }
    std::string name = in[1];
    const bool changed = SanitizeFeedName(name);
    return name + (changed ? "\tchanged" : "\tkept");
  });
}

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
