#include "feeds/feed_records.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <utility>

#include "util/strings.h"
#include "util/utf8.h"

namespace tidewick {

TFeeds Feeds;
TSyncAccounts SyncAccounts;

namespace {

std::atomic<uint64_t> g_nextFeedId{1};

bool ValidFeedIndex(int index) {
  return index >= 0 && static_cast<size_t>(index) < Feeds.size();
}

int NumberAdded(TFeed& feed) {
  const int position = static_cast<int>(Feeds.size()) - 1;
  feed.Index = position;
  feed.Id = NewFeedId();
  SetItemIndices(feed.Entries, position);
  return position;
}

bool IsBlank(char c) {
  return static_cast<unsigned char>(c) <= 32;
}  // blanks and control characters

}  // namespace

void InitFeedInfo(TFeedInfo& info) {
  info = TFeedInfo{};
}

void AddEntryCategory(TEntry& item, std::string_view category) {
  std::string line(category);
  std::replace_if(
      line.begin(), line.end(), [](char c) { return c == '\r' || c == '\n' || c == '\t'; }, ' ');
  const std::string cut(Utf8Prefix(TrimView(line), kMaxCategoryBytes));  // one a line in the store
  if (!cut.empty() && item.Categories.size() < kMaxEntryCategories &&
      std::find(item.Categories.begin(), item.Categories.end(), cut) == item.Categories.end()) {
    item.Categories.push_back(cut);
  }
}

void AddEntryEnclosure(TEntry& item, TEnclosure enclosure) {
  enclosure.Url = std::string(TrimView(enclosure.Url));  // a copy first: the view points into the text it replaces
  const bool usable = !enclosure.Url.empty() && enclosure.Url.size() <= kMaxEnclosureUrlBytes &&
                      std::none_of(enclosure.Url.begin(), enclosure.Url.end(),
                                   [](char c) { return static_cast<unsigned char>(c) <= ' ' || c == '\x7f'; });
  if (!usable || item.Enclosures.size() >= kMaxEntryEnclosures ||
      std::any_of(item.Enclosures.begin(), item.Enclosures.end(),
                  [&](const TEnclosure& known) { return known.Url == enclosure.Url; })) {
    return;
  }
  std::replace_if(
      enclosure.Type.begin(), enclosure.Type.end(), [](char c) { return static_cast<unsigned char>(c) < ' '; }, ' ');
  enclosure.Type = std::string(Utf8Prefix(TrimView(enclosure.Type), kMaxEnclosureTypeBytes));
  enclosure.Length = std::max<int64_t>(enclosure.Length, -1);
  item.Enclosures.push_back(std::move(enclosure));
}

std::string EnclosureLines(const std::vector<TEnclosure>& enclosures) {
  std::string lines;
  for (const TEnclosure& enclosure : enclosures) {
    lines.append(lines.empty() ? "" : "\n").append(enclosure.Url).append("\t").append(enclosure.Type).append("\t");
    if (enclosure.Length >= 0) {
      lines.append(std::to_string(enclosure.Length));
    }
  }
  return lines;
}

void ReadEnclosureLines(TEntry& item, std::string_view lines) {
  item.Enclosures.clear();
  for (const std::string& line : SplitLines(lines)) {
    const size_t typeStart = line.find('\t');
    const size_t lengthStart = typeStart == std::string::npos ? std::string::npos : line.find('\t', typeStart + 1);
    TEnclosure enclosure{.Url = line.substr(0, typeStart), .Type = {}, .Length = -1};
    if (lengthStart != std::string::npos) {
      enclosure.Type = line.substr(typeStart + 1, lengthStart - typeStart - 1);
      const std::string_view length = std::string_view(line).substr(lengthStart + 1);
      int64_t value = -1;
      const auto parsed = std::from_chars(length.data(), length.data() + length.size(), value);
      enclosure.Length = parsed.ec == std::errc() && parsed.ptr == length.data() + length.size() ? value : -1;
    }
    AddEntryEnclosure(item, std::move(enclosure));
  }
}

void InitEntry(TEntry& item) {
  item = TEntry{};
}

std::string ItemSummary(std::string_view description) {
  return std::string(description.substr(0, description.find(kContentMarker)));
}

std::string ItemContent(std::string_view description) {
  const size_t first = description.find(kContentMarker);
  if (first == std::string_view::npos) {
    return std::string(description);
  }
  const std::string_view rest = description.substr(first + kContentMarker.size());
  const std::string_view content = rest.substr(0, rest.find(kContentMarker));
  return content.empty() ? std::string(description) : std::string(content);
}

int AddFeed(const TFeed& feed) {
  Feeds.push_back(feed);
  return NumberAdded(Feeds.back());
}

int AddFeed(TFeed&& feed) {
  Feeds.push_back(std::move(feed));
  return NumberAdded(Feeds.back());
}

uint64_t NewFeedId() {
  return g_nextFeedId.fetch_add(1);
}

bool DeleteFeed(int index) {
  if (!ValidFeedIndex(index)) {
    return false;
  }
  const size_t last = Feeds.size() - 1;
  if (static_cast<size_t>(index) != last) {
    Feeds[index] = std::move(Feeds[last]);
    Feeds[index].Index = index;
    SetItemIndices(Feeds[index].Entries, index);
  }
  Feeds.pop_back();
  return true;
}

int FeedCount() {
  return static_cast<int>(Feeds.size());
}

int FindFeed(std::string_view name) {
  const std::string bare = StripUnreadSuffix(name);
  for (size_t i = 0; i < Feeds.size(); ++i) {
    if (Feeds[i].Name == bare) {
      return static_cast<int>(i);
    }
  }
  return -1;
}

int FindFeedById(uint64_t id) {
  if (id == 0) {
    return -1;
  }
  for (size_t i = 0; i < Feeds.size(); ++i) {
    if (Feeds[i].Id == id) {
      return static_cast<int>(i);
    }
  }
  return -1;
}

int ItemCount(int feedIndex) {
  if (!ValidFeedIndex(feedIndex)) {
    return -1;
  }
  return static_cast<int>(Feeds[feedIndex].Entries.size());
}

void MarkFeedRead(int feedIndex) {
  if (ValidFeedIndex(feedIndex)) {
    for (TEntry& item : Feeds[feedIndex].Entries) {
      item.IsRead = true;
    }
  }
}

void MarkFeedUnread(int feedIndex) {
  if (ValidFeedIndex(feedIndex)) {
    for (TEntry& item : Feeds[feedIndex].Entries) {
      item.IsRead = false;
    }
  }
}

int UnreadCount(int feedIndex) {
  if (feedIndex < 0) {
    return TotalUnreadCount();
  }
  if (!ValidFeedIndex(feedIndex)) {
    return 0;
  }
  int count = 0;
  for (const TEntry& item : Feeds[feedIndex].Entries) {
    count += item.IsRead ? 0 : 1;
  }
  return count;
}

int TotalUnreadCount() {
  int count = 0;
  for (size_t i = 0; i < Feeds.size(); ++i) {
    count += UnreadCount(static_cast<int>(i));
  }
  return count;
}

int ErrorFeedCount() {
  int count = 0;
  for (const TFeed& feed : Feeds) {
    count += feed.Error ? 1 : 0;
  }
  return count;
}

int FindItem(const TEntry& item, const TEntries& items) {
  for (size_t i = 0; i < items.size(); ++i) {
    const TEntry& other = items[i];
    if (other.Title == item.Title && other.Link == item.Link && other.Author == item.Author) {
      return static_cast<int>(i);
    }
  }
  return -1;
}

bool DeleteItem(TEntries& items, int index) {
  if (index < 0 || static_cast<size_t>(index) >= items.size()) {
    return false;
  }
  const size_t last = items.size() - 1;
  if (static_cast<size_t>(index) != last) {
    items[index] = std::move(items[last]);
  }
  items.pop_back();
  return true;
}

void SetItemIndices(TEntries& items, int feedIndex) {
  for (size_t i = 0; i < items.size(); ++i) {
    items[i].EntryIndex = static_cast<int32_t>(i);
    items[i].FeedIndex = feedIndex;
  }
}

bool SanitizeFeedName(std::string& name) {
  size_t begin = 0;
  size_t end = name.size();
  while (begin < end && IsBlank(name[begin])) {
    ++begin;
  }
  while (end > begin && IsBlank(name[end - 1])) {
    --end;
  }
  std::string cleaned = name.substr(begin, end - begin);
  for (char& c : cleaned) {
    if (c == '[') {
      c = '(';
    } else if (c == ']') {
      c = ')';
    }
  }
  ReplaceXmlForbidden(cleaned);  // a name the store file could not hold
  const bool changed = cleaned != name;
  name = std::move(cleaned);
  return changed;
}

std::string UniqueFeedName(std::string_view name) {
  std::string cleaned(name);
  SanitizeFeedName(cleaned);
  std::string result = cleaned;
  for (int n = 1; FindFeed(result) >= 0; ++n) {
    result = cleaned + std::to_string(n);
  }
  return result;
}

std::string FeedDisplayName(std::string_view name, int unread, bool showUnreadCount) {
  std::string result(name);
  if (showUnreadCount && unread >= 1) {
    result += " [" + std::to_string(unread) + "]";
  }
  return result;
}

std::string StripUnreadSuffix(std::string_view name) {
  const size_t open = name.rfind('[');
  if (name.empty() || name.back() != ']' || open == std::string_view::npos) {
    return std::string(name);
  }
  // The blank before the bracket goes too.
  return std::string(name.substr(0, open == 0 ? 0 : open - 1));
}

}  // namespace tidewick
