#include <gtest/gtest.h>
#include <string>

#include "feeds/feed_records.h"
#include "formats/feed_test_util.h"

namespace tidewick {
namespace {

using test::ReadFeed;
using test::ReadFeedFile;
using test::Utc;

TEST(RdfReader, ReadsChannelAndImageInsideIt) {
  const auto result = ReadFeedFile("golden/rdf.xml");
  ASSERT_TRUE(result.Ok);
  EXPECT_EQ(result.Feed.FeedType, "RDF");
  const TFeedInfo& info = result.Feed.Info;
  EXPECT_EQ(info.Title, "Meerkat");
  EXPECT_EQ(info.Link, "http://meerkat.example.com/");
  EXPECT_EQ(info.Description, "An Open Wire Service");
  EXPECT_DOUBLE_EQ(info.PublishedDate, Utc(2000, 1, 1, 11, 0));
  EXPECT_EQ(info.LastBuildDate, 0);
  EXPECT_EQ(info.Language, "");
  EXPECT_EQ(info.ImageTitle, "Meerkat Powered!");
  EXPECT_EQ(info.ImageURL, "http://meerkat.example.com/images/meerkat-powered.jpg");
  EXPECT_EQ(info.ImageWidth, 0);
  EXPECT_EQ(info.TTL, 60);
}

TEST(RdfReader, ReadsItemsBesideTheChannel) {
  const auto result = ReadFeedFile("golden/rdf.xml");
  ASSERT_EQ(result.Feed.Items.size(), 3u);
  EXPECT_EQ(result.Item(0).Title, "XML: A Disruptive Technology");
  EXPECT_EQ(result.Item(0).Author, "Simon St.Laurent (mailto:simonstl@example.com)");
  EXPECT_DOUBLE_EQ(result.Item(0).PublishedDate, Utc(2000, 1, 1, 16, 30));
  EXPECT_EQ(result.Item(1).Link, "http://example.com/about-only");
  EXPECT_EQ(result.Item(1).PublishedDate, 0);
  EXPECT_EQ(result.Item(2).Title, "(Kein Titel verfügbar)");
  EXPECT_EQ(result.Item(2).Link, "");
  EXPECT_TRUE(result.IsNow(result.Item(2).PublishedDate));
}

TEST(RdfReader, NamesMatchInAnyLetterCase) {
  const auto result = ReadFeedFile("golden/rdf_upper_case.xml");
  ASSERT_TRUE(result.Ok);
  EXPECT_EQ(result.Feed.Info.Title, "Letter case of the names does not matter");
  ASSERT_EQ(result.Feed.Items.size(), 1u);
  EXPECT_EQ(result.Item(0).Author, "A. Writer");
  EXPECT_DOUBLE_EQ(result.Item(0).PublishedDate, Utc(2006, 12, 5, 21, 30));
}

TEST(RdfReader, ItemsInsideTheChannelAreNotRead) {
  const auto result = ReadFeedFile("golden/rdf_items_in_channel.xml");
  EXPECT_TRUE(result.Ok);
  EXPECT_TRUE(result.Feed.Items.empty());
}

TEST(RdfReader, MissingChannelGivesPlaceholderAndNow) {
  const auto result = ReadFeed("<?xml version=\"1.0\"?><rdf:RDF><item><title>I</title></item></rdf:RDF>");
  ASSERT_TRUE(result.Ok);
  EXPECT_EQ(result.Feed.Info.Title, "Unbenannter Feed");
  EXPECT_TRUE(result.IsNow(result.Feed.Info.PublishedDate));
  EXPECT_EQ(result.Feed.Items.size(), 1u);
}

TEST(SmfReader, HasNoChannelInformation) {
  const auto result = ReadFeedFile("golden/smf.xml");
  ASSERT_TRUE(result.Ok);
  EXPECT_EQ(result.Feed.FeedType, "SMF");
  const TFeedInfo& info = result.Feed.Info;
  EXPECT_EQ(info.Title, "");
  EXPECT_EQ(info.Link, "");
  EXPECT_TRUE(result.IsNow(info.PublishedDate));
  EXPECT_EQ(info.LastBuildDate, 0);
  EXPECT_EQ(info.TTL, 60);
}

TEST(SmfReader, ReadsArticles) {
  const auto result = ReadFeedFile("golden/smf.xml");
  ASSERT_EQ(result.Feed.Items.size(), 2u);
  EXPECT_EQ(result.Item(0).Title, "Re: Anchor chain   lengths");
  EXPECT_EQ(result.Item(0).Author, "Old Salt");
  EXPECT_EQ(result.Item(0).Link, "http://forum.example.org/index.php?topic=99.msg1234#msg1234");
  EXPECT_EQ(result.Item(0).Description, "Use at least <b>three</b> times the depth\u00a0& more in a blow.");
  EXPECT_EQ(result.Item(1).Title, "(Kein Titel verfügbar)");
  EXPECT_EQ(result.Item(1).Author, "");
  for (const TFeedItem& item : result.Feed.Items) {
    EXPECT_TRUE(result.IsNow(item.PublishedDate));
  }
}

}  // namespace
}  // namespace tidewick
