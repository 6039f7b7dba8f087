#pragma once

// Feeds, documents and waits shared by the worker and scheduler tests.

#include <chrono>
#include <string>
#include <utility>
#include <vector>

#include "feeds/feed_records.h"
#include "support/feed_builder.h"
#include "support/http_test_server.h"
#include "update/hand_back_queue.h"

namespace tidewick::test {

struct TTestEntry {
  TTestEntry(const char* title, const char* author = "") : Title(title), Author(author) {}
  TTestEntry(std::string title) : Title(std::move(title)) {}
  std::string Title;
  std::string Author;
};

// An RSS 2.0 document with the channel title and the entries in order (links derived from the titles).
inline std::string RssDocument(const std::string& channelTitle, const std::vector<TTestEntry>& entries) {
  std::string text = "<?xml version=\"1.0\"?><rss version=\"2.0\"><channel><title>" + channelTitle +
                     "</title><link>http://example.org/</link><description>d</description>";
  for (const TTestEntry& entry : entries) {
    text += "<item><title>" + entry.Title + "</title><link>http://example.org/" + entry.Title + "</link>";
    if (!entry.Author.empty()) {
      text += "<author>" + entry.Author + "</author>";
    }
    text += "<description>about " + entry.Title + "</description></item>";
  }
  return text + "</channel></rss>";
}

// The server's answer with this body, after delayMs.
inline TTestResponse Answer(std::string body, int delayMs = 0, int status = 200) {
  return {.Status = status, .Body = std::move(body), .DelayMs = delayMs};
}

// An answer that never comes.
inline TTestResponse Stalling() {
  return {.Stall = true};
}

// A stored entry as the RSS reader would have read it from RssDocument.
inline TEntry StoredEntry(const std::string& title, bool readed) {
  TEntry entry = MakeEntry(title, "http://example.org/" + title, "", "about " + title);
  entry.IsRead = readed;
  return entry;
}

// A store of count feeds named "Feed <i>" at url(i), with ids 1..count.
template <typename TUrlOf>
TFeeds MakeFeeds(int count, TUrlOf urlOf) {
  TFeeds feeds(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    TFeed& feed = feeds[static_cast<size_t>(i)];
    feed.Name = "Feed " + std::to_string(i);
    feed.URL = urlOf(i);
    feed.Index = i;
    feed.Id = static_cast<uint64_t>(i) + 1;
    feed.Interval = 60;
  }
  return feeds;
}

// Serves hand-backs until done() holds or the time is up; true when done() held.
template <typename TDone>
bool ServeUntil(THandBackQueue& queue, TDone done, std::chrono::milliseconds limit = std::chrono::seconds(20)) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) {
      return false;
    }
    queue.WaitForTask(std::chrono::milliseconds(5));
    queue.Drain();
  }
  return true;
}

}  // namespace tidewick::test
