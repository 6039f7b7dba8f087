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
    {"NoLinks", "", ""},
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
    {"LastHtmlAlternate",
     "<link rel=\"alternate\" type=\"text/html\" href=\"https://first/\"/>"
     "<link type=\"Text/HTML\" href=\"https://second/\"/>"
     "<link rel=\"alternate\" type=\"application/pdf\" href=\"https://pdf/\"/>",
     "https://second/"},
    {"FirstAlternateWithoutHtml",
     "<link rel=\"self\" type=\"text/html\" href=\"https://self/\"/>"
     "<link rel=\"ALTERNATE\" type=\"application/pdf\" href=\"https://pdf/\"/>"
     "<link href=\"https://untyped/\"/>",
     "https://pdf/"},
    {"AbsentRelCountsAsAlternate",
     "<link rel=\"related\" type=\"text/html\" href=\"https://related/\"/><link href=\"https://page/\"/>",
     "https://page/"},
    {"NoAlternateLastHtmlOfAll",
     "<link rel=\"self\" type=\"application/atom+xml\" href=\"https://self/\"/>"
     "<link rel=\"related\" type=\"text/html\" href=\"https://one/\"/>"
     "<link rel=\"via\" type=\"text/html\" href=\"https://two/\"/>",
     "https://two/"},
    {"NoAlternateNoHtmlFirstOfAll",
     "<link rel=\"enclosure\" type=\"audio/mpeg\" href=\"https://show.mp3\"/>"
     "<link rel=\"self\" type=\"application/atom+xml\" href=\"https://self/\"/>",
     "https://show.mp3"},
    {"AlternateWithoutHrefGivesEmpty", "<link rel=\"alternate\"/><link rel=\"related\" href=\"https://r/\"/>", ""},
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
    {"Neither", "<title>T</title>", ""},
    // Inline XHTML used to give nothing: the text before the first child element is empty.
    {"XhtmlContentGivesItsMarkup",
     "<content type=\"xhtml\"><div xmlns=\"http://www.w3.org/1999/xhtml\"><p>A <em>B</em></p></div></content>",
     "<div xmlns=\"http://www.w3.org/1999/xhtml\"><p>A <em>B</em></p></div>"},
    {"XhtmlSummaryGivesItsMarkup", "<summary type=\"XHTML\">\n  <div><p>S</p></div>\n</summary><content>C</content>",
     "<div><p>S</p></div>"},
    {"XhtmlMarkupReferencesDecoded", "<content type=\"xhtml\"><div>Fish &amp; chips</div></content>",
     "<div>Fish & chips</div>"},
    {"Atom03XhtmlMediaType", "<content type=\"application/xhtml+xml\" mode=\"xml\"><div>X</div></content>",
     "<div>X</div>"},
    {"XhtmlWithoutChildrenIsText", "<content type=\"xhtml\">Just text</content>", "Just text"},
    {"ChildElementsWithoutXhtmlTypeKeepTheText", "<content type=\"html\">Lead<b>bold</b></content>", "Lead"},
};

INSTANTIATE_TEST_SUITE_P(Cases, AtomDescriptionTable, testing::ValuesIn(kContentCases),
                         [](const testing::TestParamInfo<TContentCase>& info) { return info.param.Name; });

TEST(AtomReader, Atom10FeedLevel) {
  const auto result = test::ReadFeedFile("golden/atom10.xml");
  ASSERT_TRUE(result.Ok);
  EXPECT_EQ(result.Feed.FeedType, "Atom");
  const TFeedInfo& info = result.Feed.Info;
  EXPECT_EQ(info.Title, "Tidal Engineering");
  EXPECT_EQ(info.Description, "Notes on <em>locks</em> & weirs");
  EXPECT_EQ(info.Link, "https://example.com/");
  EXPECT_DOUBLE_EQ(info.PublishedDate, Utc(2006, 12, 5, 20, 30));
  EXPECT_EQ(info.LastBuildDate, 0);
  EXPECT_EQ(info.TTL, 60);
  EXPECT_EQ(info.Copyright, "");
  EXPECT_EQ(info.Language, "");
  EXPECT_EQ(info.ImageURL, "");
  EXPECT_EQ(info.ImageWidth, 0);
}

TEST(AtomReader, Atom03FeedLevelPrefersTaglineAndModified) {
  const auto result = test::ReadFeedFile("golden/atom03.xml");
  ASSERT_TRUE(result.Ok);
  EXPECT_EQ(result.Feed.FeedType, "Atom/0.3");
  const TFeedInfo& info = result.Feed.Info;
  EXPECT_EQ(info.Title, "Neues vom Hafen");
  EXPECT_EQ(info.Description, "Hafenblatt");
  EXPECT_DOUBLE_EQ(info.PublishedDate, Utc(2004, 5, 1, 10, 0));
  EXPECT_DOUBLE_EQ(info.LastBuildDate, Utc(2003, 12, 13, 12, 29, 29));
}

TEST(AtomReader, EntriesPreferUpdatedOverModified) {
  const auto result = test::ReadFeedFile("golden/atom03.xml");
  ASSERT_EQ(result.Feed.Items.size(), 2u);
  EXPECT_DOUBLE_EQ(result.Item(0).PublishedDate, Utc(2004, 4, 30, 8, 30));
  EXPECT_DOUBLE_EQ(result.Item(1).PublishedDate, Utc(2004, 4, 29, 11, 45));
  EXPECT_EQ(result.Item(0).Author, "Jörg Möwe");
  EXPECT_EQ(result.Item(0).Description, "Kurzfassung");
  EXPECT_EQ(result.Item(1).Description, "<p>Ohne Zusammenfassung</p>");
}

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
  EXPECT_EQ(result.Item(3).Title, "(Kein Titel verfügbar)");
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
