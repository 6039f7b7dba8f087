// The item descriptions are checked by the golden file rss_item_rules.xml.

#include "formats/rss_reader.h"

#include <gtest/gtest.h>
#include <string>

#include "feeds/feed_records.h"
#include "formats/feed_test_util.h"
#include "xml/xml_doc.h"

namespace tidewick {
namespace {

using test::ReadFeed;
using test::Rss;
using test::Utc;

struct TTtlCase {
  const char* Name;
  std::string Channel;
  int Expected;
};

class RssTtlTable : public testing::TestWithParam<TTtlCase> {};

TEST_P(RssTtlTable, GivesTheRefreshHintInMinutes) {
  const auto result = ReadFeed(Rss("<title>T</title>" + GetParam().Channel));
  ASSERT_TRUE(result.Ok);
  EXPECT_EQ(result.Feed.Info.TTL, GetParam().Expected);
}

const TTtlCase kTtlCases[] = {
    {"SmallValuesAreHours", "<ttl>2</ttl>", 120},
    {"TenIsMinutes", "<ttl>10</ttl>", 10},
    {"LargestKept", "<ttl>9999</ttl>", 9999},
    {"ZeroStaysZero", "<ttl>0</ttl>", 0},
    {"NegativeTimesSixty", "<ttl>-5</ttl>", -300},
    {"TrimmedAndAnyLetterCase", "<TTL> 45 </TTL>", 45},
    {"NotANumberIsNone", "<ttl>soon</ttl>", 0},
    {"HourlyTwice", "<sy:updatePeriod>hourly</sy:updatePeriod><sy:updateFrequency>2</sy:updateFrequency>", 120},
    {"DailyWithoutFrequency", "<sy:updatePeriod>daily</sy:updatePeriod>", 1440},
    {"WeeklyCountsAsDaily", "<sy:updatePeriod>weekly</sy:updatePeriod><sy:updateFrequency>1</sy:updateFrequency>",
     1440},
    {"DailyTwiceIsTwoDays", "<sy:updatePeriod>daily</sy:updatePeriod><sy:updateFrequency>2</sy:updateFrequency>", 2880},
    {"FrequencyAboveRangeLeavesTheWord",
     "<sy:updatePeriod>hourly</sy:updatePeriod><sy:updateFrequency>1441</sy:updateFrequency>", 0},
    {"FrequencyZeroLeavesTheWord",
     "<sy:updatePeriod>weekly</sy:updatePeriod><sy:updateFrequency>0</sy:updateFrequency>", 0},
    {"FrequencyNotANumberCountsAsOne",
     "<sy:updatePeriod> HOURLY </sy:updatePeriod><sy:updateFrequency>often</sy:updateFrequency>", 60},
    {"OtherPeriodWordKeepsTheFrequency",
     "<sy:updatePeriod>fortnightly</sy:updatePeriod><sy:updateFrequency>30</sy:updateFrequency>", 30},
    {"TtlWinsOverSyndication", "<ttl>15</ttl><sy:updatePeriod>daily</sy:updatePeriod>", 15},
    {"EmptyTtlFallsToSyndication", "<ttl> </ttl><sy:updatePeriod>hourly</sy:updatePeriod>", 60},
};

INSTANTIATE_TEST_SUITE_P(Cases, RssTtlTable, testing::ValuesIn(kTtlCases),
                         [](const testing::TestParamInfo<TTtlCase>& info) { return info.param.Name; });

TEST(RssReader, LanguageFallsBackToDublinCore) {
  EXPECT_EQ(ReadFeed(Rss("<dc:language> de </dc:language>")).Feed.Info.Language, "de");
  EXPECT_EQ(ReadFeed(Rss("<language>en</language><dc:language>de</dc:language>")).Feed.Info.Language, "en");
  EXPECT_EQ(ReadFeed(Rss("<language></language><dc:language>fr</dc:language>")).Feed.Info.Language, "fr");
}

struct TDateCase {
  const char* Name;
  std::string Elements;
  double Expected;  // -1: the time of reading
};

class RssDateTable : public testing::TestWithParam<TDateCase> {};

TEST_P(RssDateTable, ReadsChannelAndItemDatesAlike) {
  const TDateCase& c = GetParam();
  const auto result = ReadFeed(Rss(c.Elements + "<item>" + c.Elements + "</item>"));
  ASSERT_EQ(result.Feed.Entries.size(), 1u);
  for (const TDateTime date : {result.Feed.Info.PublishedDate, result.Item(0).PublishedDate}) {
    if (c.Expected < 0) {
      EXPECT_TRUE(result.IsNow(date)) << date;
    } else {
      EXPECT_NEAR(date, c.Expected, 1e-9);
    }
  }
}

const TDateCase kDateCases[] = {
    {"Rfc822MovedToUtc", "<pubDate>Tue, 05 Dec 2006 22:30:00 +0100</pubDate>", Utc(2006, 12, 5, 21, 30)},
    {"Rfc822Trimmed", "<pubDate>\n  Tue, 05 Dec 2006 21:30:00 GMT  \n</pubDate>", Utc(2006, 12, 5, 21, 30)},
    {"DublinCoreWhenNoPubDate", "<dc:date>2006-12-05T16:30:00-05:00</dc:date>", Utc(2006, 12, 5, 21, 30)},
    {"PubDateWinsOverDublinCore",
     "<pubDate>Tue, 05 Dec 2006 21:30:00 GMT</pubDate><dc:date>2001-01-01T00:00:00Z</dc:date>",
     Utc(2006, 12, 5, 21, 30)},
    {"EmptyPubDateFallsToDublinCore", "<pubDate> </pubDate><dc:date>2006-12-05T21:30:00Z</dc:date>",
     Utc(2006, 12, 5, 21, 30)},
    {"AbsentIsNow", "", -1},
    {"UnparsableIsNoDate", "<pubDate>next Tuesday</pubDate>", 0},
};

INSTANTIATE_TEST_SUITE_P(Cases, RssDateTable, testing::ValuesIn(kDateCases),
                         [](const testing::TestParamInfo<TDateCase>& info) { return info.param.Name; });

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
