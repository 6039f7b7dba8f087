// The item descriptions are checked by the golden file rss_item_rules.xml.

#include "formats/rss_reader.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "feeds/feed_records.h"
#include "formats/feed_test_util.h"
#include "support/table_file.h"
#include "xml/xml_doc.h"

namespace tidewick {
namespace {

using test::ReadFeed;
using test::Rss;

// ttl values and syndication periods, as the table says.
TEST(RssReader, GivesTheRefreshHintInMinutes) {
  test::CheckTableFile("formats/rss_ttl.tsv", 1, [](const std::vector<std::string>& in) {
    const auto result = ReadFeed(Rss("<title>T</title>" + in[0]));
    return result.Ok ? std::to_string(result.Feed.Info.TTL) : "(not read)";
  });
}

TEST(RssReader, LanguageFallsBackToDublinCore) {
  EXPECT_EQ(ReadFeed(Rss("<dc:language> de </dc:language>")).Feed.Info.Language, "de");
  EXPECT_EQ(ReadFeed(Rss("<language>en</language><dc:language>de</dc:language>")).Feed.Info.Language, "en");
  EXPECT_EQ(ReadFeed(Rss("<language></language><dc:language>fr</dc:language>")).Feed.Info.Language, "fr");
}

TEST(RssReader, ReadsChannelAndItemDatesAlike) {
  test::CheckTableFile("formats/rss_dates.tsv", 1, [](const std::vector<std::string>& in) -> std::string {
    const auto result = ReadFeed(Rss(in[0] + "<item>" + in[0] + "</item>"));
    if (result.Feed.Entries.size() != 1) {
      return "(no entry)";
    }
    std::string dates[2];
    for (const int i : {0, 1}) {
      const TDateTime date = i == 0 ? result.Feed.Info.PublishedDate : result.Item(0).PublishedDate;
      dates[i] = result.IsNow(date) ? "now" : DateTimeToIso8601(date);
    }
    return dates[0] == dates[1] ? dates[0] : dates[0] + " / item " + dates[1];
  });
}

TEST(RssReader, CategoriesAreBoundedInCountAndLength) {
  std::string item = "<category>" + std::string(300, 'x') + "</category>";
  for (int i = 0; i < 40; ++i) {
    item += "<category>c" + std::to_string(i) + "</category>";
  }
  const auto result = ReadFeed(Rss("<item>" + item + "</item>"));
  ASSERT_EQ(result.Feed.Entries.size(), 1u);
  const std::vector<std::string>& categories = result.Item(0).Categories;
  ASSERT_EQ(categories.size(), kMaxEntryCategories);
  EXPECT_EQ(categories.front(), std::string(kMaxCategoryBytes, 'x'));
  EXPECT_EQ(categories.back(), "c30");
}

// RSS enclosures, Atom enclosure links and Media RSS contents, as the table says.
TEST(FeedReaders, ReadEnclosures) {
  test::CheckTableFile("formats/enclosures.tsv", 2, [](const std::vector<std::string>& in) -> std::string {
    const std::string document =
        in[0] == "rss" ? Rss("<item>" + in[1] + "</item>") : test::Atom("<entry>" + in[1] + "</entry>");
    const auto result = ReadFeed(document, "https://host/feeds/a.xml");
    if (result.Feed.Entries.size() != 1) {
      return "(no entry)";
    }
    std::string text;
    for (const TEnclosure& file : result.Item(0).Enclosures) {
      text.append(text.empty() ? "" : " | ").append(file.Url + " " + file.Type + " ");
      text.append(file.Length < 0 ? "?" : std::to_string(file.Length));
    }
    return text;
  });
}

// Hostile counts and sizes: at most kMaxEntryEnclosures, an address too long is dropped, a type is cut.
TEST(FeedReaders, EnclosuresAreBoundedInCountAndSize) {
  std::string item = "<enclosure url=\"http://h/" + std::string(kMaxEnclosureUrlBytes, 'u') + "\"/>";
  item += "<enclosure url=\"http://h/0\" type=\"" + std::string(1000, 't') + "\"/>";
  for (int i = 1; i < 40; ++i) {
    item += "<enclosure url=\"http://h/" + std::to_string(i) + "\"/>";
  }
  const auto result = ReadFeed(Rss("<item>" + item + "</item>"));
  ASSERT_EQ(result.Feed.Entries.size(), 1u);
  const std::vector<TEnclosure>& files = result.Item(0).Enclosures;
  ASSERT_EQ(files.size(), kMaxEntryEnclosures);
  EXPECT_EQ(files.front().Type, std::string(kMaxEnclosureTypeBytes, 't'));
  EXPECT_EQ(files.back().Url, "http://h/15");
}

TEST(RssReader, ChannelWithoutChannelElement) {
  TXmlDoc doc("?xml");
  doc.LoadFromString("<?xml version=\"1.0\"?><rss version=\"2.0\"><item><title>Stray</title></item></rss>");
  TFeedInfo info;
  InitFeedInfo(info);
  const TDateTime before = NowUtc();
  EXPECT_TRUE(ReadRssChannel(doc, info));
  EXPECT_EQ(info.Title, "Unbenannter Feed");
  EXPECT_GE(info.PublishedDate, before - 1e-6);
  EXPECT_EQ(info.Link, "");
  TEntries items(2);
  EXPECT_EQ(ReadRssItems(doc, items), 0);
  EXPECT_TRUE(items.empty());
}

}  // namespace
}  // namespace tidewick
