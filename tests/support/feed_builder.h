#pragma once

// Feeds and entries for tests, with only the fields a test names; the store helpers add to the global Feeds.

#include <functional>
#include <string>

#include "feeds/feed_records.h"

namespace tidewick::test {

inline TEntry MakeEntry(std::string title, std::string link = {}, std::string author = {},
                        std::string description = {}) {
  TEntry item;
  item.Title = std::move(title);
  item.Link = std::move(link);
  item.Author = std::move(author);
  item.Description = std::move(description);
  return item;
}

// Entries titled "entry 0", "entry 1", …; `read` says which are read.
inline TEntries NumberedEntries(int count, const std::function<bool(int)>& read) {
  TEntries items;
  for (int i = 0; i < count; ++i) {
    items.push_back(MakeEntry("entry " + std::to_string(i)));
    items.back().IsRead = read(i);
  }
  return items;
}

inline TFeed MakeFeed(std::string name, std::string url = {}, TEntries items = {}) {
  TFeed feed;
  feed.Name = std::move(name);
  feed.URL = std::move(url);
  feed.Entries = std::move(items);
  return feed;
}

// Adds the feed to the store; returns its Id.
inline uint64_t AddStoreFeed(TFeed feed) {
  return Feeds[static_cast<size_t>(AddFeed(std::move(feed)))].Id;
}

}  // namespace tidewick::test
