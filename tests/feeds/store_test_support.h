#pragma once

#include <gtest/gtest.h>

#include "feeds/feed_records.h"
#include "util/dates.h"

namespace tidewick::test {

// The store of tests/data/feeds/small_store.xml.
inline TFeeds SmallStore() {
  TFeeds feeds(2);
  TFeed& tech = feeds[0];
  tech.Name = "Tech & <News>";
  tech.URL = "http://example.org/rss?a=1&b=2";
  tech.FeedType = "RSS/2.0";
  tech.Interval = 30;
  tech.RefreshAtStart = true;
  tech.LastDownloaded = UnixSecondsToDateTime(1700000000);
  tech.Info.Title = "Example \"Quoted\" 'single'";
  tech.Info.Link = "http://example.org/";
  tech.Info.Copyright = "© 2026";
  tech.Info.Language = "de";
  tech.Info.LastBuildDate = UnixSecondsToDateTime(1699990000);
  tech.Info.TTL = 60;
  tech.Info.ImageWidth = 88;
  tech.Items.resize(2);
  tech.Items[0].Title = "Größe";
  tech.Items[0].Link = "http://example.org/1";
  tech.Items[0].Description = "<p>Tom &amp; Jerry</p>";
  tech.Items[0].PublishedDate = UnixSecondsToDateTime(1699999999);
  tech.Items[0].Readed = true;
  tech.Items[1].Title = "Привет";
  tech.Items[1].Description = "sum[~Tidewick_Content~]full";
  tech.Items[1].Author = "Анна";
  tech.Items[1].Visited = true;
  TFeed& empty = feeds[1];
  empty.Name = "Empty";
  empty.URL = "u";
  empty.Interval = -1;
  empty.Error = true;
  return feeds;
}

inline void ExpectSameItem(const TFeedItem& a, const TFeedItem& b) {
  EXPECT_EQ(a.Title, b.Title);
  EXPECT_EQ(a.Link, b.Link);
  EXPECT_EQ(a.Description, b.Description);
  EXPECT_EQ(DateTimeToUnixSeconds(a.PublishedDate), DateTimeToUnixSeconds(b.PublishedDate));
  EXPECT_EQ(a.Author, b.Author);
  EXPECT_EQ(a.Readed, b.Readed);
  EXPECT_EQ(a.Visited, b.Visited);
}

// Everything the store file keeps.
inline void ExpectSameFeed(const TFeed& a, const TFeed& b) {
  SCOPED_TRACE(b.Name);
  EXPECT_EQ(a.Name, b.Name);
  EXPECT_EQ(a.URL, b.URL);
  EXPECT_EQ(a.FeedType, b.FeedType);
  EXPECT_EQ(a.Interval, b.Interval);
  EXPECT_EQ(a.RefreshAtStart, b.RefreshAtStart);
  EXPECT_EQ(DateTimeToUnixSeconds(a.LastDownloaded), DateTimeToUnixSeconds(b.LastDownloaded));
  EXPECT_EQ(a.Error, b.Error);
  EXPECT_EQ(a.Info.Title, b.Info.Title);
  EXPECT_EQ(a.Info.Link, b.Info.Link);
  EXPECT_EQ(a.Info.Description, b.Info.Description);
  EXPECT_EQ(a.Info.Copyright, b.Info.Copyright);
  EXPECT_EQ(a.Info.Language, b.Info.Language);
  EXPECT_EQ(DateTimeToUnixSeconds(a.Info.PublishedDate), DateTimeToUnixSeconds(b.Info.PublishedDate));
  EXPECT_EQ(DateTimeToUnixSeconds(a.Info.LastBuildDate), DateTimeToUnixSeconds(b.Info.LastBuildDate));
  EXPECT_EQ(a.Info.TTL, b.Info.TTL);
  EXPECT_EQ(a.Info.ImageTitle, b.Info.ImageTitle);
  EXPECT_EQ(a.Info.ImageURL, b.Info.ImageURL);
  EXPECT_EQ(a.Info.ImageLink, b.Info.ImageLink);
  EXPECT_EQ(a.Info.ImageWidth, b.Info.ImageWidth);
  EXPECT_EQ(a.Info.ImageHeight, b.Info.ImageHeight);
  ASSERT_EQ(a.Items.size(), b.Items.size());
  for (size_t i = 0; i < a.Items.size(); ++i) {
    SCOPED_TRACE(i);
    ExpectSameItem(a.Items[i], b.Items[i]);
  }
}

inline void ExpectSameFeeds(const TFeeds& a, const TFeeds& b) {
  ASSERT_EQ(a.size(), b.size());
  for (size_t i = 0; i < a.size(); ++i) {
    ExpectSameFeed(a[i], b[i]);
  }
}

}  // namespace tidewick::test
