#include "entries/entry_search.h"

#include <gtest/gtest.h>

#include "entries/entry_fold.h"
#include "util/case_fold.h"
#include "util/html_text.h"

namespace tidewick {
namespace {

TEntry Entry(std::string title, std::string description) {
  TEntry item;
  item.Title = std::move(title);
  item.Description = std::move(description);
  return item;
}

TEST(ItemMatchesSearch, PlainTextOfTitleAndSummaryIgnoringCase) {
  struct Case {
    TEntry item;
    const char* text;
    bool matches;
  };
  const std::string marker(kContentMarker);
  const Case cases[] = {
      {Entry("ABC Report", ""), "abc", true},
      {Entry("t", "xabcx"), "ABC", true},
      {Entry("t", "<p>a<b>bc</b></p>"), "abc", true},  // markup is not text
      {Entry("t", "<p>x</p><a href=\"abc\">y</a>"), "abc", false},
      {Entry("STRASSE", ""), "straße", true},
      {Entry("t", "summary" + marker + "abc only in the content"), "abc", false},
      {Entry("ab", "c"), "abc", false},  // never across title and summary
      {Entry("abc", ""), "", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ItemMatchesSearch(c.item, FoldCase(c.text)), c.matches) << c.item.Title << " / " << c.text;
  }
}

TEST(ItemFold, AgreesWithTheGeneralFoldingAndHtmlToText) {
  const char* texts[] = {"Plain ASCII Text",
                         "Straße ÄÖÜ",
                         "ΣΊΣΥΦΟΣ",
                         "Пример",
                         "ẞ capital sharp s",
                         "bad \xC3",
                         "bad \xFF byte",
                         "\xC3\xA4\xC3",
                         "x < y > z",
                         "<p>Hello <b>World</b></p>",
                         "<div>open <a href=\"x\"",
                         "a<br>b",
                         "a<BR />\r\nb",
                         "stray > <em>kept</em>",
                         "<em>before</em> markup <b>after</b>",
                         "a < b, then <p>c",
                         "<a href=\"x<br\">y</a>",
                         "ünï <b>cödé</b> x < y",
                         "<p>x</p><script>\"<b>PWNED</b>\"</script>y",
                         "<script>\"<p>\"</script>q",
                         "<em>x</em><STYLE>y</STYLE>z",
                         "<b>€ ẞ</b><object><object>o</object>p</object>q",
                         "<script>a<br>b</script><p>c",
                         "<p>ä</p><template>Ü",
                         ""};
  for (const char* text : texts) {
    EXPECT_EQ(FoldForList(text), FoldCase(text)) << text;
    EXPECT_EQ(SearchableText(text), FoldCase(HtmlToText(text))) << text;
  }
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
  struct Case {
    TSearchStep step;
    std::optional<size_t> selected;
    std::optional<size_t> found;
  };
  const Case cases[] = {
      {TSearchStep::First, 4, 0},    {TSearchStep::Next, std::nullopt, 0},     {TSearchStep::Next, 0, 2},
      {TSearchStep::Next, 2, 4},     {TSearchStep::Next, 4, std::nullopt},     {TSearchStep::Previous, std::nullopt, 4},
      {TSearchStep::Previous, 4, 2}, {TSearchStep::Previous, 0, std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FindEntryRow(m_list, "MATCH", c.step, c.selected), c.found)
        << static_cast<int>(c.step) << " from " << c.selected.value_or(99);
  }
  EXPECT_EQ(FindEntryRow(m_list, "", TSearchStep::First, std::nullopt), std::nullopt);
}

TEST_F(FindItemRowTest, PassesOverVanishedEntries) {
  Feeds[0].Entries[0].Title = "renamed";  // the row no longer finds its entry
  EXPECT_EQ(FindEntryRow(m_list, "match", TSearchStep::First, std::nullopt), 2u);
}

}  // namespace
}  // namespace tidewick
