#include <gtest/gtest.h>
#include <string>

#include "feeds/feed_records.h"
#include "formats/feed_test_util.h"

namespace tidewick {
namespace {

using test::Atom;
using test::ReadFeed;
using test::Utc;

struct TLinkCase {
  const char* Name;
  std::string Links;
  std::string Expected;
};

// The full choice among several links is checked by the golden file atom_links.xml.
class AtomLinkTable : public testing::TestWithParam<TLinkCase> {};

TEST_P(AtomLinkTable, ChoosesTheSameLinkForFeedAndEntry) {
  const TLinkCase& c = GetParam();
  const auto result = ReadFeed(Atom(c.Links + "<entry><title>E</title>" + c.Links + "</entry>"));
  ASSERT_TRUE(result.Ok);
  EXPECT_EQ(result.Feed.Info.Link, c.Expected);
  ASSERT_EQ(result.Feed.Items.size(), 1u);
  EXPECT_EQ(result.Item(0).Link, c.Expected);
}

const TLinkCase kLinkCases[] = {
    {"OnlyLinkWithoutType", "<link href=\"https://a/\"/>", "https://a/"},
    {"HrefTrimmed", "<link href=\"  https://a/  \"/>", "https://a/"},
    // Regression: the comments link of WordPress feeds (rel="replies", text/html) was taken as the page.
    {"WordPressRepliesNotTaken",
     "<link rel=\"alternate\" type=\"text/html\" href=\"https://post/\"/>"
     "<link rel=\"replies\" type=\"text/html\" href=\"https://post/#comments\"/>"
     "<link rel=\"replies\" type=\"application/atom+xml\" href=\"https://post/feed/\"/>",
     "https://post/"},
    // Regression: a feed's own address (rel="self") listed first was taken as its web page.
    {"SelfFirstNotTaken",
     "<link rel=\"self\" type=\"application/atom+xml\" href=\"https://feed.atom\"/>"
     "<link rel=\"alternate\" href=\"https://page/\"/>",
     "https://page/"},
    {"AbsentRelCountsAsAlternate",
     "<link rel=\"related\" type=\"text/html\" href=\"https://related/\"/><link href=\"https://page/\"/>",
     "https://page/"},
    {"AlternateWithoutHrefIgnored", "<link rel=\"alternate\"/><link rel=\"related\" href=\"https://r/\"/>",
     "https://r/"},
    {"EntityInHrefDecoded", "<link href=\"https://a/?x=1&amp;y=2\"/>", "https://a/?x=1&y=2"},
};

INSTANTIATE_TEST_SUITE_P(Cases, AtomLinkTable, testing::ValuesIn(kLinkCases),
                         [](const testing::TestParamInfo<TLinkCase>& info) { return info.param.Name; });

struct TContentCase {
  const char* Name;
  std::string Entry;
  std::string Expected;
};

class AtomDescriptionTable : public testing::TestWithParam<TContentCase> {};

TEST_P(AtomDescriptionTable, TakesSummaryElseContent) {
  const auto result = ReadFeed(Atom("<entry>" + GetParam().Entry + "</entry>"));
  ASSERT_EQ(result.Feed.Items.size(), 1u);
  EXPECT_EQ(result.Item(0).Description, GetParam().Expected);
}

const TContentCase kContentCases[] = {
    {"SummaryWins", "<summary>S</summary><content>C</content>", "S"},
    {"EmptySummaryFallsToContent", "<summary> </summary><content type=\"html\">&lt;p&gt;C&lt;/p&gt;</content>",
     "<p>C</p>"},
    {"OnlyContent", "<content><![CDATA[<p>C &amp; D</p>]]></content>", "<p>C & D</p>"},
    // Inline XHTML used to give nothing: the text before the first child element is empty.
    {"XhtmlContentGivesItsMarkup",
     "<content type=\"xhtml\"><div xmlns=\"http://www.w3.org/1999/xhtml\"><p>A <em>B</em></p></div></content>",
     "<div xmlns=\"http://www.w3.org/1999/xhtml\"><p>A <em>B</em></p></div>"},
    {"Atom03XhtmlMediaType", "<content type=\"application/xhtml+xml\" mode=\"xml\"><div>X</div></content>",
     "<div>X</div>"},
    {"XhtmlWithoutChildrenIsText", "<content type=\"xhtml\">Just text</content>", "Just text"},
    // Markup written bare inside an HTML content used to lose everything after the text before its first element.
    {"BareMarkupKeepsAllOfIt", "<content type=\"html\">Lead<b>bold</b></content>", "Lead<b>bold</b>"},
};

INSTANTIATE_TEST_SUITE_P(Cases, AtomDescriptionTable, testing::ValuesIn(kContentCases),
                         [](const testing::TestParamInfo<TContentCase>& info) { return info.param.Name; });

TEST(AtomReader, EntryDatesAndAuthors) {
  const auto result =
      ReadFeed(Atom("<entry><updated>2006-12-05T21:30:00Z</updated><author><name> Ann\n Quay </name></author></entry>"
                    "<entry><modified>2006-12-04T21:30:00Z</modified><author><email>x@y</email></author></entry>"
                    "<entry><updated>not a date</updated><modified>2006-12-04T21:30:00Z</modified></entry>"
                    "<entry><updated></updated></entry>"));
  ASSERT_EQ(result.Feed.Items.size(), 4u);
  EXPECT_DOUBLE_EQ(result.Item(0).PublishedDate, Utc(2006, 12, 5, 21, 30));
  EXPECT_EQ(result.Item(0).Author, "Ann Quay");
  EXPECT_DOUBLE_EQ(result.Item(1).PublishedDate, Utc(2006, 12, 4, 21, 30));
  EXPECT_EQ(result.Item(1).Author, "");
  EXPECT_EQ(result.Item(2).PublishedDate, 0);
  EXPECT_TRUE(result.IsNow(result.Item(3).PublishedDate));
  EXPECT_EQ(result.Item(3).Title, "");
}

TEST(AtomReader, FeedWithoutDatesOrTitle) {
  const auto result = ReadFeed(Atom("<subtitle>Sub</subtitle>"));
  ASSERT_TRUE(result.Ok);
  EXPECT_EQ(result.Feed.Info.Title, "Unbenannter Feed");
  EXPECT_EQ(result.Feed.Info.Description, "Sub");
  EXPECT_TRUE(result.IsNow(result.Feed.Info.PublishedDate));
}

TEST(AtomReader, ReadsOnlyEntriesOfTheFeedElement) {
  const auto result =
      ReadFeed(Atom("<entry><title>One</title></entry><x><entry><title>Nested</title></entry></x>"
                    "<ENTRY><title>Two</title></ENTRY>"));
  ASSERT_EQ(result.Feed.Items.size(), 2u);
  EXPECT_EQ(result.Item(0).Title, "One");
  EXPECT_EQ(result.Item(1).Title, "Two");
}

}  // namespace
}  // namespace tidewick
