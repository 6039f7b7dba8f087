#include "entries/entry_list.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <tuple>

#include "entries/next_unread.h"
#include "feeds/feed_merge.h"
#include "feeds/feed_records.h"
#include "support/feed_builder.h"

namespace tidewick {
namespace {

TDateTime Day(int year, int month, int day, int hour = 12) {
  return *EncodeDateTime(year, month, day, hour);
}

TEntry Entry(const std::string& title, TDateTime date, bool readed = false) {
  TEntry item = test::MakeEntry(title, "https://example.org/" + title);
  item.PublishedDate = date;
  item.IsRead = readed;
  return item;
}

uint64_t AddTestFeed(const std::string& name, std::vector<TEntry> items) {
  return test::AddStoreFeed(test::MakeFeed(name, "https://example.org/" + name, std::move(items)));
}

std::vector<std::string> Titles(TEntryList& list) {
  std::vector<std::string> titles;
  for (size_t row = 0; row < list.Size(); ++row) {
    titles.push_back(list.Item(row) ? list.Item(row)->Title : "<gone>");
  }
  return titles;
}

class ItemListTest : public ::testing::Test {
 protected:
  void SetUp() override { Feeds.clear(); }
  void TearDown() override { Feeds.clear(); }
};

TEST_F(ItemListTest, AutomaticOrderPutsUnreadFirstThenNewerThenTitleIgnoringCase) {
  AddTestFeed("Alpha",
              {Entry("read today", Day(2026, 12, 6), true), Entry("unread last year", Day(2025, 1, 1)),
               Entry("zebra", Day(2026, 5, 5)), Entry("Äpfel", Day(2026, 5, 5)), Entry("apple", Day(2026, 5, 5))});
  TEntryList list;
  list.Fill({TListNodeKind::Root, {}}, true, {});
  EXPECT_EQ(Titles(list), (std::vector<std::string>{"apple", "zebra", "Äpfel", "unread last year", "read today"}));

  list.Fill({TListNodeKind::Root, {}}, true, {.AutoSort = true, .ShowUnreadFirst = false});
  EXPECT_EQ(Titles(list).front(), "read today");
}

TEST_F(ItemListTest, ManualOrderByEachColumnAndDirection) {
  AddTestFeed("beta", {Entry("b", Day(2026, 1, 2)), Entry("C", Day(2026, 1, 1))});
  AddTestFeed("Alpha", {Entry("a", Day(2026, 1, 3)), Entry("same day", Day(2026, 1, 1))});
  const std::tuple<int, bool, std::vector<std::string>> cases[] = {
      {kTitleColumn, true, {"a", "b", "C", "same day"}},
      {kTitleColumn, false, {"same day", "C", "b", "a"}},
      {kDateColumn, true, {"C", "same day", "b", "a"}},  // equal dates by title
      {kDateColumn, false, {"a", "b", "same day", "C"}},
      {kFeedColumn, true, {"a", "same day", "b", "C"}},  // equal feeds keep store order
  };
  for (const auto& [column, ascending, titles] : cases) {
    TEntryList list;
    list.Fill({TListNodeKind::Root, {}}, true,
              {.AutoSort = false, .SortLastColumn = column, .SortAscending = ascending});
    EXPECT_EQ(Titles(list), titles) << column << " " << ascending;
  }
}

TEST_F(ItemListTest, OrdersTitlesBeyondTheirFirstBytesAndDatesOfEitherSign) {
  // Titles that agree in their first 16 bytes and beyond, case apart; dates before 1899 are negative.
  AddTestFeed("Alpha", {Entry("Report on the state of things B", Day(2026, 1, 1)),
                        Entry("report on the state of things a", Day(2026, 1, 1)), Entry("Report on the state", -5.5),
                        Entry("report on the state of", 0), Entry("REPORT ON THE STATE OF THINGS A", 2.0)});
  TEntryList list;
  list.Fill({TListNodeKind::Root, {}}, true,
            {.AutoSort = false, .SortLastColumn = kTitleColumn, .SortAscending = true});
  EXPECT_EQ(Titles(list), (std::vector<std::string>{"Report on the state", "report on the state of",
                                                    "report on the state of things a",
                                                    "REPORT ON THE STATE OF THINGS A",  // equal: store order
                                                    "Report on the state of things B"}));
  list.Fill({TListNodeKind::Root, {}}, true, {.AutoSort = false, .SortLastColumn = kDateColumn, .SortAscending = true});
  EXPECT_EQ(Titles(list), (std::vector<std::string>{
                              "Report on the state", "report on the state of", "REPORT ON THE STATE OF THINGS A",
                              "report on the state of things a", "Report on the state of things B"}));
}

TEST_F(ItemListTest, HeaderClicksAndMarks) {
  TListOrder order{.AutoSort = false, .SortLastColumn = kDateColumn, .SortAscending = true};
  EXPECT_EQ(ColumnHeaderText(kDateColumn, order), "Änderungszeit   v");
  order = ClickColumn(order, kDateColumn);
  EXPECT_EQ(ColumnHeaderText(kDateColumn, order), "Änderungszeit   ^");
  order = ClickColumn(order, kTitleColumn);  // a new column keeps the direction
  EXPECT_EQ(order.SortLastColumn, kTitleColumn);
  EXPECT_FALSE(order.SortAscending);
  EXPECT_EQ(ColumnHeaderText(kTitleColumn, order), "Titel   ^");
  EXPECT_EQ(ColumnHeaderText(kDateColumn, order), "Änderungszeit");

  const TListOrder automatic{.AutoSort = true, .SortLastColumn = kFeedColumn};
  EXPECT_EQ(ClickColumn(automatic, kTitleColumn).SortLastColumn, kFeedColumn);
  EXPECT_EQ(ColumnHeaderText(kFeedColumn, automatic), "Feed");
}

TEST_F(ItemListTest, NodesListTheirFeedsOnlyWhenGrouping) {
  const uint64_t alpha = AddTestFeed("Alpha", {Entry("a1", Day(2026, 1, 1)), Entry("a2", Day(2026, 1, 1), true)});
  const uint64_t beta = AddTestFeed("Beta", {Entry("b1", Day(2026, 1, 1))});
  AddTestFeed("News", {Entry("n1", Day(2026, 1, 1))});
  Feeds[0].Entries[1].Starred = true;
  Feeds[1].Entries[0].Starred = true;
  const TListOrder byFeed{.AutoSort = false, .SortLastColumn = 3};  // no column: keeps the collected order
  const uint64_t empty = AddTestFeed("Empty", {});
  const TListFilter unread{.UnreadOnly = true, .Keep = std::nullopt};
  const TListFilter keepA2{.UnreadOnly = true, .Keep = TEntryIdentity{alpha, "a2", "https://example.org/a2", ""}};
  using enum TEmptyListReason;
  const std::tuple<TListNode, bool, TListFilter, size_t, TEmptyListReason> cases[] = {
      {{TListNodeKind::Root, {}}, true, {}, 4, None},
      {{TListNodeKind::Root, {}}, false, {}, 0, NotGrouped},
      {{TListNodeKind::Root, {}}, false, unread, 0, NotGrouped},
      {{TListNodeKind::Folder, {beta, alpha}}, true, {}, 3, None},
      {{TListNodeKind::Folder, {beta, alpha}}, false, {}, 0, NotGrouped},  // never a feed sharing the folder's name
      {{TListNodeKind::Folder, {beta, 999}}, true, {}, 1, None},           // a vanished feed contributes nothing
      {{TListNodeKind::Folder, {empty}}, true, {}, 0, FolderEmpty},
      {{TListNodeKind::Feed, {alpha}}, false, {}, 2, None},
      {{TListNodeKind::Feed, {alpha}}, true, {}, 2, None},
      {{TListNodeKind::Feed, {empty}}, true, {}, 0, FeedEmpty},
      {{TListNodeKind::Root, {}}, true, unread, 3, None},
      {{TListNodeKind::Feed, {alpha}}, false, unread, 1, None},
      {{TListNodeKind::Feed, {alpha}}, false, keepA2, 2, None},  // the entry being read stays
      {{TListNodeKind::Feed, {empty}}, false, unread, 0, NoUnread},
      {{TListNodeKind::Starred, {alpha, beta}}, false, {}, 2, None},
      {{TListNodeKind::Starred, {alpha, beta}}, false, unread, 1, None},
      {{TListNodeKind::Starred, {empty}}, false, {}, 0, NoneStarred},
  };
  for (const auto& [node, group, filter, rows, reason] : cases) {
    TEntryList list;
    list.Fill(node, group, byFeed, filter);
    EXPECT_EQ(list.Size(), rows);
    EXPECT_EQ(EmptyListReason(node, group, filter.UnreadOnly, list.Size()), reason);
  }
  TEntryList folder;
  folder.Fill({TListNodeKind::Folder, {beta, alpha}}, true, byFeed);
  EXPECT_EQ(Titles(folder), (std::vector<std::string>{"b1", "a1", "a2"}));  // tree order of the feeds
}

TEST_F(ItemListTest, RowsFollowTheirEntryAndSkipVanishedOnes) {
  const uint64_t alpha = AddTestFeed(
      "Alpha", {Entry("first", Day(2026, 1, 3)), Entry("second", Day(2026, 1, 2)), Entry("third", Day(2026, 1, 1))});
  TEntryList list;
  list.Fill({TListNodeKind::Feed, {alpha}}, false, {});
  ASSERT_EQ(Titles(list), (std::vector<std::string>{"first", "second", "third"}));

  DeleteItem(Feeds[0].Entries, 0);  // "third" moves into the gap
  EXPECT_EQ(Titles(list), (std::vector<std::string>{"<gone>", "second", "third"}));
  const std::optional<size_t> third = list.FindRow({alpha, "third", "https://example.org/third", ""});
  EXPECT_EQ(third, 2u);
  EXPECT_FALSE(list.FindRow({alpha, "first", "https://example.org/first", ""}));
  EXPECT_FALSE(list.FindRow({alpha + 1, "third", "https://example.org/third", ""}));  // identity is per feed

  // Entries that trade places are found again by identity, never taken for what now stands in their place.
  std::reverse(Feeds[0].Entries.begin(), Feeds[0].Entries.end());
  EXPECT_EQ(Titles(list), (std::vector<std::string>{"<gone>", "second", "third"}));
  // A refresh that drops an entry and adds another leaves the list's memory of the old one empty.
  TFeed fresh;
  fresh.Entries = {Entry("second", Day(2026, 1, 2)), Entry("fourth", Day(2026, 1, 4))};
  MergeFeed(Feeds[0], fresh, TAutoReadTerms());
  EXPECT_EQ(Titles(list), (std::vector<std::string>{"<gone>", "second", "<gone>"}));

  DeleteFeed(0);
  EXPECT_EQ(list.Item(1), nullptr);
  EXPECT_EQ(list.Feed(1), nullptr);
}

// Feeds in tree order, each a string of its entries in list order ("u" unread, "r" read); the selection is a feed
// and a row ("" none), the answer where reading goes on ("-" nowhere).
TEST_F(ItemListTest, NextUnreadGoesDownTheListThenToTheNextFeedWithOneAndWrapsRound) {
  struct Case {
    std::vector<const char*> feeds;
    int feed;  // the listed feed, -1 none (the root)
    int row;   // the selected row, -1 none
    TUnreadDirection direction;
    const char* expected;  // "feed:row"
  };
  const auto next = TUnreadDirection::Next;
  const auto back = TUnreadDirection::Previous;
  const Case cases[] = {
      {{"rurr", "uu"}, 0, 0, next, "0:1"},       // further down the list
      {{"rurr", "uu"}, 0, 1, next, "1:0"},       // the next feed's first
      {{"ru", "rr", "ru"}, 0, 1, next, "2:1"},   // a feed without any is skipped
      {{"ur", "rr", "rr"}, 1, -1, next, "0:0"},  // wraps round to the first feed
      {{"urr", "rr"}, 0, 2, next, "0:0"},        // back in the feed it started in
      {{"rr", "rr"}, 0, 1, next, "-"},           // nothing unread anywhere
      {{}, -1, -1, next, "-"},                   // no feeds
      {{"ru", "ur"}, -1, -1, next, "0:1"},       // from the root: the first feed
      {{"urur"}, 0, 3, back, "0:2"},             // up the list
      {{"ur", "ru", "rr"}, 1, 1, back, "0:0"},   // the previous feed's last
      {{"rr", "ru", "rr"}, 0, 0, back, "1:1"},   // wraps round backwards
      {{"ru", "uu"}, -1, -1, back, "1:1"},       // from the root: the last feed
  };
  for (const Case& c : cases) {
    Feeds.clear();
    std::vector<uint64_t> order;
    for (size_t f = 0; f < c.feeds.size(); ++f) {
      std::vector<TEntry> items;
      for (const char* mark = c.feeds[f]; *mark != 0; ++mark) {
        items.push_back(
            Entry(std::to_string(f) + ":" + std::to_string(mark - c.feeds[f]), Day(2026, 1, 1), *mark == 'r'));
      }
      order.push_back(AddTestFeed("feed " + std::to_string(f), std::move(items)));
    }
    const TListOrder stored{.AutoSort = false, .SortLastColumn = 3};
    TEntryList list;
    const uint64_t current = c.feed >= 0 ? order[static_cast<size_t>(c.feed)] : 0;
    list.Fill({TListNodeKind::Feed, {current}}, false, stored);
    std::optional<size_t> row =
        FindUnreadRow(list, c.row >= 0 ? std::optional<size_t>(c.row) : std::nullopt, c.direction);
    if (!row) {
      const std::optional<uint64_t> feed = FindUnreadFeed(order, current, c.direction);
      list.Fill({TListNodeKind::Feed, {feed.value_or(0)}}, false, stored);
      row = feed ? FindUnreadRow(list, std::nullopt, c.direction) : std::nullopt;
    }
    EXPECT_EQ(row ? list.Item(*row)->Title : "-", c.expected)
        << c.feeds.size() << " feeds, from " << c.feed << ":" << c.row;
  }
}

}  // namespace
}  // namespace tidewick
