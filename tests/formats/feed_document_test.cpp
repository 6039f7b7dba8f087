#include "formats/feed_document.h"

#include <atomic>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "feeds/feed_records.h"
#include "formats/feed_reader.h"
#include "formats/feed_test_util.h"
#include "support/table_file.h"
#include "xml/xml_doc.h"

namespace tidewick {
namespace {

using test::ReadFeed;

// Every format code detected has its reader.
TEST(DetectFeedType, RecognisesTheFormatAndFindsItsReader) {
  test::CheckTableFile("formats/detect_feed_type.tsv", 1, [](const std::vector<std::string>& in) {
    TXmlDoc doc("?xml");
    doc.LoadFromString(in[0]);
    const std::string type = DetectFeedType(doc);
    return type + (FindFeedReader(type) != nullptr ? "\treader" : "\tnone");
  });
}

// Without a declaration in front, one is supplied, also behind a stylesheet instruction or a comment (the plain
// case is the golden file rss_no_declaration.xml).
TEST(ReadFeedDocument, ReadsDocumentsWithoutDeclaration) {
  for (const char* before : {"<?xml-stylesheet type=\"text/xsl\" href=\"rss.xsl\"?>\n", "<!-- generated -->"}) {
    const auto result = ReadFeed(std::string(before) +
                                 "<rss version=\"2.0\"><channel><title>T</title><item><description>d</description>"
                                 "</item></channel></rss>");
    ASSERT_TRUE(result.Ok) << before;
    EXPECT_EQ(result.Feed.Info.Title, "T") << before;
    ASSERT_EQ(result.Feed.Entries.size(), 1u) << before;
    EXPECT_EQ(result.Item(0).Description, "d");
  }
}

TEST(ReadFeedDocument, LeavesTheOtherFeedFieldsAlone) {
  TFeed feed;
  feed.Name = "Harbour";
  feed.URL = "https://example.org/feed";
  feed.Interval = 30;
  feed.Error = true;
  feed.FeedType = "Atom";
  feed.Entries.resize(3);
  feed.Info.Copyright = "old";
  ASSERT_TRUE(ReadFeedDocument(test::Rss("<title>Fresh</title>"), feed));
  EXPECT_EQ(std::tie(feed.Name, feed.URL, feed.Interval, feed.Error, feed.FeedType, feed.Info.Copyright),
            std::tuple("Harbour", "https://example.org/feed", 30, true, "RSS/2.0", ""));
  EXPECT_TRUE(feed.Entries.empty());
}

// Fault guarded: a character XML forbids, read from a feed, went on into the store file, which no program could
// read after that. An entry whose title changed by it keeps the identity stored before, for the merge.
TEST(ReadFeedDocument, ReplacesCharactersXmlForbids) {
  const auto result =
      ReadFeed(test::Rss("<title>c&#xFFFE;d</title><item><title>t&#2;u\x02"
                         "v</title><link>http://example.org/a&#xFFFF;b</link>"
                         "<description>d&#x1F;e</description><author>a\x03"
                         "b</author></item>"));
  ASSERT_TRUE(result.Ok);
  const std::string fffd = "\xEF\xBF\xBD";
  EXPECT_EQ(result.Feed.Info.Title, "c" + fffd + "d");
  ASSERT_EQ(result.Feed.Entries.size(), 1u);
  const TEntry& item = result.Item(0);
  EXPECT_EQ(std::tie(item.Title, item.Link, item.Description, item.Author),
            std::tuple("t" + fffd + "u" + fffd + "v", "http://example.org/a" + fffd + "b", "d" + fffd + "e",
                       "a" + fffd + "b"));
  EXPECT_TRUE(item.HasLegacyIdentity);
  EXPECT_EQ(item.LegacyTitle,
            "t\x02u\x02"
            "v");
}

TEST(ReadFeedDocument, ResetsEverythingForAnUnknownOrBrokenDocument) {
  for (const char* text : {"<?xml version=\"1.0\"?><html><body>404</body></html>", "", "   ", "plain text, no markup",
                           "{\"json\": true}", "<", "<?xml"}) {
    TFeed feed;
    feed.FeedType = "RSS/2.0";
    feed.Info.Title = "old";
    feed.Info.TTL = 30;
    feed.Entries.resize(2);
    EXPECT_FALSE(ReadFeedDocument(text, feed)) << text;
    EXPECT_EQ(std::tie(feed.FeedType, feed.Info.Title, feed.Info.TTL, feed.Info.PublishedDate),
              std::tuple("", "", 0, 0.0))
        << text;
    EXPECT_TRUE(feed.Entries.empty()) << text;
  }
}

TEST(ReadFeedDocument, RdfWithoutChannelGivesPlaceholderAndNow) {
  const auto result = ReadFeed("<?xml version=\"1.0\"?><rdf:RDF><item><title>I</title></item></rdf:RDF>");
  ASSERT_TRUE(result.Ok);
  EXPECT_EQ(result.Feed.Info.Title, "Unbenannter Feed");
  EXPECT_TRUE(result.IsNow(result.Feed.Info.PublishedDate));
  EXPECT_EQ(result.Feed.Entries.size(), 1u);
}

std::string Repeated(std::string_view piece, int count) {
  std::string text;
  text.reserve(piece.size() * static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    text += piece;
  }
  return text;
}

// A download that is not read whole must never count as the feed's full list of entries.
TEST(ReadDownloadedFeed, TellsWhetherTheWholeDocumentWasRead) {
  const std::tuple<const char*, std::string, bool> cases[] = {
      {"Whole", test::Rss("<item><title>One</title></item>"), true},
      {"WithoutDeclaration", "<rss version=\"2.0\"><channel><title>T</title></channel></rss>", true},
      {"CutAfterAnItem", "<rss version=\"2.0\"><channel><title>T</title><item><title>One</title></item>", false},
      {"CutInsideACData", "<rss version=\"2.0\"><channel><item><description><![CDATA[half", false},
      {"TopElementNeverClosed", "<?xml version=\"1.0\"?><feed><title>T</title><entry/>", false},
      {"TreeBeyondItsBudget", test::Rss(Repeated("<item/>", 200000)), false},
      {"MoreEntriesThanAnyFeed", test::Rss(Repeated("<item/>", 50001)), false},
      {"AsManyEntriesAsAllowed", test::Rss(Repeated("<item/>", 50000)), true},
  };
  for (const auto& [name, text, complete] : cases) {
    TFeed feed;
    const TFeedDocumentResult result = ReadDownloadedFeed(std::string(text), feed);
    EXPECT_TRUE(result.Ok) << name;
    EXPECT_EQ(result.Complete, complete) << name;
    EXPECT_LE(feed.Entries.size(), 50000u) << name;
  }
}

// A large feed gets room for its larger tree, so it is not cut short for being large.
TEST(ReadDownloadedFeed, TreeBudgetGrowsWithTheDocumentUpToItsCeiling) {
  EXPECT_EQ(FeedTreeBudget(0), kMinFeedTreeBytes);
  EXPECT_EQ(FeedTreeBudget(std::size_t{10} << 20), std::size_t{40} << 20);
  EXPECT_EQ(FeedTreeBudget(std::size_t{64} << 20), kMaxFeedTreeBytes);
}

// Update workers read their documents at the same time; each must get the same record as a lone reading.
TEST(ReadFeedDocument, ReadsInSeveralThreadsAtOnce) {
  const std::string document = test::ReadFormatsData("golden/atom10.xml");
  TFeed expected;
  ASSERT_TRUE(ReadFeedDocument(document, expected));
  std::atomic<int> mismatches{0};
  {
    std::vector<std::jthread> workers;
    for (int w = 0; w < 4; ++w) {
      workers.emplace_back([&] {
        for (int round = 0; round < 20; ++round) {
          TFeed feed;
          if (!ReadFeedDocument(document, feed) || feed.Info.Title != expected.Info.Title ||
              feed.Entries.size() != expected.Entries.size() || feed.Entries[3].Title != expected.Entries[3].Title ||
              feed.Entries[2].Description != expected.Entries[2].Description) {
            ++mismatches;
          }
        }
      });
    }
  }
  EXPECT_EQ(mismatches.load(), 0);
}

}  // namespace
}  // namespace tidewick
