#pragma once

#include <gtest/gtest.h>
#include <string>
#include <utility>

#include "feeds/feed_records.h"
#include "feeds/feed_store.h"
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
  tech.Entries.resize(2);
  tech.Entries[0].Title = "Größe";
  tech.Entries[0].Link = "http://example.org/1";
  tech.Entries[0].Description = "<p>Tom &amp; Jerry</p>";
  tech.Entries[0].PublishedDate = UnixSecondsToDateTime(1699999999);
  tech.Entries[0].IsRead = true;
  tech.Entries[1].Title = "Привет";
  tech.Entries[1].Description = "sum[~Tidewick_Content~]full";
  tech.Entries[1].Author = "Анна";
  tech.Entries[1].Visited = true;
  tech.Entries[1].Starred = true;
  TFeed& empty = feeds[1];
  empty.Name = "Empty";
  empty.URL = "u";
  empty.Interval = -1;
  empty.Error = true;
  return feeds;
}

// feedCount feeds of entryCount entries each, every text its own; all entries read (every other one visited) or none.
inline TFeeds NumberedStore(int feedCount, int entryCount, bool read) {
  TFeeds feeds(static_cast<size_t>(feedCount));
  for (int n = 0; n < feedCount; ++n) {
    TFeed& feed = feeds[static_cast<size_t>(n)];
    const std::string number = std::to_string(n + 1);
    feed.Name = "Channel " + number;
    feed.URL = "http://example.org/" + number + "/rss?a=1&b=2";
    feed.Interval = 60;
    feed.Info.Title = "Channel " + number + " & more";
    feed.Info.Description = "<p>About " + number + "</p>";
    feed.Entries.resize(static_cast<size_t>(entryCount));
    for (int m = 0; m < entryCount; ++m) {
      TEntry& item = feed.Entries[static_cast<size_t>(m)];
      const std::string id = number + "." + std::to_string(m + 1);
      item.Title = "Entry " + id + " Größe";
      item.Link = "http://example.org/" + id;
      item.Description = "<p>Text of " + id + " &amp; more</p>";
      item.PublishedDate = UnixSecondsToDateTime(1700000000 + n * 100 + m);
      item.Author = "Author " + id;
      item.IsRead = read;
      item.Visited = read && m % 2 == 0;
      if (m == 2) {  // an entry with files: its element is read back and survives damage elsewhere like any other
        AddEntryEnclosure(item, {.Url = "http://example.org/" + id + ".mp3", .Type = "audio/mpeg", .Length = 1234});
        AddEntryEnclosure(item, {.Url = "https://example.org/" + id + ".pdf", .Type = "", .Length = -1});
      }
    }
  }
  return feeds;
}

// Two accounts; the first feed of feeds becomes an account feed of the first, its entries numbered 101, 102...
inline TSyncAccounts AccountsFor(TFeeds& feeds) {
  TSyncAccounts accounts(2);
  const auto set = [](TSyncAccount& account, std::string key, std::string title, std::string url, std::string user) {
    account.Key = std::move(key);
    account.Kind = "ttrss";
    account.Title = std::move(title);
    account.ServerUrl = std::move(url);
    account.UserName = std::move(user);
  };
  set(accounts[0], "tt1", "Home & away", "https://rss.example.org/tt-rss/", "anna");
  accounts[0].Position = "102";
  set(accounts[1], "tt2", "Work", "http://w/", "b");
  feeds[0].Remote = {"tt1", "7", "3", "News <&>"};
  for (size_t i = 0; i < feeds[0].Entries.size(); ++i) {
    feeds[0].Entries[i].ArticleId = static_cast<int64_t>(101 + i);
  }
  return accounts;
}

// Everything the store file keeps, compared through the writer (whose bytes the golden test pins down).
inline void ExpectSameFeeds(const TFeeds& a, const TFeeds& b) {
  ASSERT_EQ(a.size(), b.size());
  EXPECT_EQ(FeedStoreText(a), FeedStoreText(b));
}

// Every feed and entry numbered by its place in the store.
inline void ExpectNumberedInPlace(const TFeeds& feeds) {
  for (size_t i = 0; i < feeds.size(); ++i) {
    EXPECT_EQ(feeds[i].Index, static_cast<int>(i)) << feeds[i].Name;
    for (size_t j = 0; j < feeds[i].Entries.size(); ++j) {
      EXPECT_EQ(feeds[i].Entries[j].EntryIndex, static_cast<int>(j));
      EXPECT_EQ(feeds[i].Entries[j].FeedIndex, static_cast<int>(i));
    }
  }
}

inline void ExpectSameItem(const TEntry& a, const TEntry& b) {
  TFeeds one(1);
  TFeeds other(1);
  one[0].Entries = {a};
  other[0].Entries = {b};
  ExpectSameFeeds(one, other);
}

}  // namespace tidewick::test
