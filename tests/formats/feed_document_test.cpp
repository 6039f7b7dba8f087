#include "formats/feed_document.h"

#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <vector>

#include "feeds/feed_records.h"
#include "formats/feed_reader.h"
#include "formats/feed_test_util.h"
#include "xml/xml_doc.h"

namespace tidewick {
namespace {

using test::ReadFeed;

struct TDetectCase {
  const char* Name;
  std::string Document;
  std::string Expected;
};

class DetectFeedTypeTable : public testing::TestWithParam<TDetectCase> {};

TEST_P(DetectFeedTypeTable, RecognisesTheFormat) {
  TXmlDoc doc("?xml");
  doc.LoadFromString(GetParam().Document);
  EXPECT_EQ(DetectFeedType(doc), GetParam().Expected);
}

const TDetectCase kDetectCases[] = {
    {"Rss20", "<?xml version=\"1.0\"?><rss version=\"2.0\"><channel/></rss>", "RSS/2.0"},
    {"Rss091", "<?xml version=\"1.0\"?><rss version=\"0.91\"/>", "RSS/0.91"},
    {"RssVersionAsWritten", "<?xml version=\"1.0\"?><RSS VERSION=\"2.0beta\"/>", "RSS/2.0beta"},
    {"RssWithoutVersion", "<?xml version=\"1.0\"?><rss><channel/></rss>", ""},
    {"RssWithEmptyVersion", "<?xml version=\"1.0\"?><rss version=\"\"><channel/></rss>", ""},
    {"Atom10", "<?xml version=\"1.0\"?><feed xmlns=\"http://www.w3.org/2005/Atom\"/>", "Atom"},
    {"Atom03", "<?xml version=\"1.0\"?><feed version=\"0.3\" xmlns=\"http://purl.org/atom/ns#\"/>", "Atom/0.3"},
    {"Rdf", "<?xml version=\"1.0\"?><rdf:RDF xmlns:rdf=\"x\"/>", "RDF"},
    {"RdfOtherLetterCase", "<?xml version=\"1.0\"?><RDF:rdf/>", "RDF"},
    {"Smf", "<?xml version=\"1.0\"?><smf:xml-feed/>", "SMF"},
    {"RssBeforeAtom", "<?xml version=\"1.0\"?><feed/><rss version=\"2.0\"/>", "RSS/2.0"},
    {"RssWithoutVersionFallsToLaterRules", "<?xml version=\"1.0\"?><rss/><feed/>", "Atom"},
    {"NestedTopElementDoesNotCount", "<?xml version=\"1.0\"?><html><rss version=\"2.0\"/></html>", ""},
    {"Html", "<?xml version=\"1.0\"?><html><body>Not a feed</body></html>", ""},
    {"Empty", "", ""},
};

INSTANTIATE_TEST_SUITE_P(Cases, DetectFeedTypeTable, testing::ValuesIn(kDetectCases),
                         [](const testing::TestParamInfo<TDetectCase>& info) { return info.param.Name; });

TEST(FindFeedReader, ChoosesByCaseSensitiveCode) {
  EXPECT_NE(FindFeedReader("RSS/2.0"), nullptr);
  EXPECT_NE(FindFeedReader("Atom"), nullptr);
  EXPECT_NE(FindFeedReader("Atom/0.3"), nullptr);
  EXPECT_EQ(FindFeedReader("RSS/2.0"), FindFeedReader("RSS/0.91"));
  EXPECT_NE(FindFeedReader("RDF"), nullptr);
  EXPECT_NE(FindFeedReader("SMF"), nullptr);
  EXPECT_EQ(FindFeedReader("rss/2.0"), nullptr);
  EXPECT_EQ(FindFeedReader("RDF/1.0"), nullptr);
  EXPECT_EQ(FindFeedReader("smf"), nullptr);
  EXPECT_EQ(FindFeedReader(""), nullptr);
}

TEST(ReadFeedDocument, ReadsADocumentWithoutDeclaration) {
  const auto result = ReadFeed(
      "<rss version=\"2.0\"><channel><title>Bare</title><item><title>One</title></item>"
      "</channel></rss>");
  ASSERT_TRUE(result.Ok);
  EXPECT_EQ(result.Feed.FeedType, "RSS/2.0");
  EXPECT_EQ(result.Feed.Info.Title, "Bare");
  ASSERT_EQ(result.Feed.Items.size(), 1u);
}

// Guards against putting no declaration in front when the only "<?xml" is quoted inside the content.
TEST(ReadFeedDocument, SuppliesTheDeclarationWhenOnlyTheContentQuotesOne) {
  const auto result = ReadFeed(
      "<rss version=\"2.0\"><channel><title>T</title><item><description><![CDATA[Write <?xml version=\"1.0\"?> "
      "first]]></description></item></channel></rss>");
  ASSERT_TRUE(result.Ok);
  ASSERT_EQ(result.Feed.Items.size(), 1u);
  EXPECT_EQ(result.Item(0).Description, "Write <?xml version=\"1.0\"?> first");
}

TEST(ReadFeedDocument, TakesAStylesheetInstructionAsTheDeclaration) {
  const auto result = ReadFeed(
      "<?xml-stylesheet type=\"text/xsl\" href=\"rss.xsl\"?>\n<rss version=\"2.0\"><channel><title>Styled</title>"
      "</channel></rss>");
  EXPECT_TRUE(result.Ok);
  EXPECT_EQ(result.Feed.Info.Title, "Styled");
}

TEST(ReadFeedDocument, ReadsACommentBeforeTheDeclarationlessTopElement) {
  const auto result = ReadFeed("<!-- generated --><rss version=\"0.92\"><channel><title>C</title></channel></rss>");
  EXPECT_TRUE(result.Ok);
  EXPECT_EQ(result.Feed.FeedType, "RSS/0.92");
}

TEST(ReadFeedDocument, LeavesTheOtherFeedFieldsAlone) {
  TFeed feed;
  feed.Name = "Harbour";
  feed.URL = "https://example.org/feed";
  feed.Interval = 30;
  feed.Error = true;
  feed.FeedType = "Atom";
  feed.Items.resize(3);
  feed.Info.Copyright = "old";
  ASSERT_TRUE(ReadFeedDocument(test::Rss("<title>Fresh</title>"), feed));
  EXPECT_EQ(feed.Name, "Harbour");
  EXPECT_EQ(feed.URL, "https://example.org/feed");
  EXPECT_EQ(feed.Interval, 30);
  EXPECT_TRUE(feed.Error);
  EXPECT_EQ(feed.FeedType, "RSS/2.0");
  EXPECT_TRUE(feed.Items.empty());
  EXPECT_EQ(feed.Info.Copyright, "");
}

TEST(ReadFeedDocument, ResetsEverythingForAnUnknownFormat) {
  TFeed feed;
  feed.FeedType = "RSS/2.0";
  feed.Info.Title = "old";
  feed.Info.TTL = 30;
  feed.Items.resize(2);
  EXPECT_FALSE(ReadFeedDocument("<?xml version=\"1.0\"?><html><body>404</body></html>", feed));
  EXPECT_EQ(feed.FeedType, "");
  EXPECT_EQ(feed.Info.Title, "");
  EXPECT_EQ(feed.Info.TTL, 0);
  EXPECT_EQ(feed.Info.PublishedDate, 0);
  EXPECT_TRUE(feed.Items.empty());
}

TEST(ReadFeedDocument, RejectsRssWithoutVersion) {
  const auto result = ReadFeed("<?xml version=\"1.0\"?><rss><channel><title>T</title><item/></channel></rss>");
  EXPECT_FALSE(result.Ok);
  EXPECT_EQ(result.Feed.FeedType, "");
  EXPECT_TRUE(result.Feed.Items.empty());
}

TEST(ReadFeedDocument, RejectsEmptyAndNonXmlInput) {
  for (const char* text : {"", "   ", "plain text, no markup", "{\"json\": true}", "<", "<?xml"}) {
    const auto result = ReadFeed(text);
    EXPECT_FALSE(result.Ok) << text;
    EXPECT_EQ(result.Feed.FeedType, "") << text;
  }
}

TEST(ReadFeedDocument, ReadsAChannelWithoutItems) {
  const auto result = ReadFeed(test::Rss("<title>Quiet</title>"));
  EXPECT_TRUE(result.Ok);
  EXPECT_TRUE(result.Feed.Items.empty());
}

TEST(ReadFeedDocument, KeepsTheEntriesOfADocumentCutShort) {
  const auto result = ReadFeed(
      "<?xml version=\"1.0\"?><rss version=\"2.0\"><channel><title>Cut</title><item><title>One</title></item>"
      "<item><title>Two</title><description>half a sent");
  ASSERT_TRUE(result.Ok);
  ASSERT_EQ(result.Feed.Items.size(), 2u);
  EXPECT_EQ(result.Item(0).Title, "One");
  EXPECT_EQ(result.Item(1).Title, "Two");
  EXPECT_EQ(result.Item(1).Description, "half a sent");
}

// Update workers read their documents at the same time; each must get the same record as a lone reading.
TEST(ReadFeedDocument, ReadsInSeveralThreadsAtOnce) {
  const std::string document = test::ReadFormatsData("golden/atom10.xml");
  TFeed expected;
  ASSERT_TRUE(ReadFeedDocument(document, expected));
  std::vector<int> matches(4, 0);
  {
    std::vector<std::jthread> workers;
    for (size_t w = 0; w < matches.size(); ++w) {
      workers.emplace_back([&, w] {
        for (int round = 0; round < 20; ++round) {
          TFeed feed;
          if (ReadFeedDocument(document, feed) && feed.Info.Title == expected.Info.Title &&
              feed.Items.size() == expected.Items.size() && feed.Items[3].Title == expected.Items[3].Title &&
              feed.Items[2].Description == expected.Items[2].Description) {
            ++matches[w];
          }
        }
      });
    }
  }
  for (const int count : matches) {
    EXPECT_EQ(count, 20);
  }
}

}  // namespace
}  // namespace tidewick
