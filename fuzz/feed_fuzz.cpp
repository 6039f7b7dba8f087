// Feeds arbitrary bytes to the feed intake: no input may crash, read out of bounds or throw, and whatever is read
// holds only valid UTF-8, entries with a title, and a format code exactly when the reading succeeded.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "feeds/feed_records.h"
#include "formats/feed_document.h"
#include "fuzz_check.h"
#include "util/utf8.h"

using tidewick::fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tidewick;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  TFeed feed;
  feed.Name = "kept";
  const bool ok = ReadFeedDocument(text, feed);
  Check(feed.Name == "kept");
  Check(!ok || !feed.FeedType.empty());
  Check(ok || feed.Entries.empty());
  Check(IsValidUtf8(feed.FeedType));
  const TFeedInfo& info = feed.Info;
  for (const std::string* field : {&info.Title, &info.Link, &info.Description, &info.Copyright, &info.Language,
                                   &info.ImageTitle, &info.ImageURL, &info.ImageLink}) {
    Check(IsValidUtf8(*field));
  }
  for (const TEntry& item : feed.Entries) {
    Check(!item.Title.empty());
    Check(item.Title.find_first_of("\r\n") == std::string::npos);
    Check(IsValidUtf8(item.Title) && IsValidUtf8(item.Link) && IsValidUtf8(item.Description) &&
          IsValidUtf8(item.Author));
    Check(!item.IsRead && !item.Visited && item.EntryIndex == -1 && item.FeedIndex == -1);
  }
  return 0;
}
