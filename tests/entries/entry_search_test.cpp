#include "entries/entry_search.h"

#include <gtest/gtest.h>
#include <string>
#include <tuple>
#include <vector>

#include "entries/entry_fold.h"
#include "support/feed_builder.h"
#include "support/table_file.h"
#include "util/case_fold.h"
#include "util/html_text.h"

namespace tidewick {
namespace {

TEntry Entry(std::string title, std::string description) {
  return test::MakeEntry(std::move(title), {}, {}, std::move(description));
}

TEST(ItemMatchesSearch, PlainTextOfTitleAndSummaryIgnoringCase) {
  test::CheckTableFile("entries/search_matches.tsv", 3, [](const std::vector<std::string>& in) {
    return ItemMatchesSearch(Entry(in[0], in[1]), FoldCase(in[2])) ? "match" : "none";
  });
  // The header's author and categories count too.
  TEntry item = Entry("t", "d");
  item.Author = "Jane Roe";
  item.Categories = {"Rust", "Qt"};
  for (const char* text : {"jane roe", "rust", "qt"}) {
    EXPECT_TRUE(ItemMatchesSearch(item, FoldCase(text))) << text;
  }
}

// Scripts, markup, stray brackets, invalid bytes and every script's letters: tests/data/entries/fold_texts.tsv.
TEST(ItemFold, AgreesWithTheGeneralFoldingAndHtmlToText) {
  test::CheckTableFile("entries/fold_texts.tsv", 1, [](const std::vector<std::string>& in) -> std::string {
    const std::string list = FoldForList(in[0]);
    const std::string search = SearchableText(in[0]);
    if (list == FoldCase(in[0]) && search == FoldCase(HtmlToText(in[0]))) {
      return "agrees";
    }
    return "list: " + list + " / search: " + search;
  });
}

class FindItemRowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Feeds.clear();
    TFeed feed;
    feed.Name = "F";
    for (const char* title : {"match one", "other", "match two", "other too", "match three"}) {
      feed.Entries.push_back(Entry(title, ""));
    }
    const uint64_t id = Feeds[AddFeed(std::move(feed))].Id;
    m_list.Fill({TListNodeKind::Feed, {id}}, false, {.AutoSort = false, .SortLastColumn = 3});
  }
  void TearDown() override { Feeds.clear(); }

  TEntryList m_list;
};

TEST_F(FindItemRowTest, StepsForwardAndBackwardWithoutWrapping) {
  const std::tuple<TSearchStep, std::optional<size_t>, std::optional<size_t>> cases[] = {
      {TSearchStep::First, 4, 0},    {TSearchStep::Next, std::nullopt, 0},     {TSearchStep::Next, 0, 2},
      {TSearchStep::Next, 2, 4},     {TSearchStep::Next, 4, std::nullopt},     {TSearchStep::Previous, std::nullopt, 4},
      {TSearchStep::Previous, 4, 2}, {TSearchStep::Previous, 0, std::nullopt},
  };
  for (const auto& [step, selected, found] : cases) {
    EXPECT_EQ(FindEntryRow(m_list, "MATCH", step, selected), found)
        << static_cast<int>(step) << " from " << selected.value_or(99);
  }
  EXPECT_EQ(FindEntryRow(m_list, "", TSearchStep::First, std::nullopt), std::nullopt);
}

TEST_F(FindItemRowTest, PassesOverVanishedEntries) {
  Feeds[0].Entries[0].Title = "renamed";  // the row no longer finds its entry
  EXPECT_EQ(FindEntryRow(m_list, "match", TSearchStep::First, std::nullopt), 2u);
}

}  // namespace
}  // namespace tidewick
