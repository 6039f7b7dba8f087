#include "feeds/store_fields.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <limits>

#include "feeds/entry_title.h"
#include "lang/lang_text.h"
#include "util/case_fold.h"
#include "util/strings.h"

namespace tidewick {

namespace {

template <size_t N>
int FindField(const std::array<std::string_view, N>& names, std::string_view name) {
  for (size_t i = 0; i < N; ++i) {
    if (SameName(name, names[i])) {
      return static_cast<int>(i);
    }
  }
  return -1;
}

int32_t ToInt32(std::optional<int64_t> value, int32_t fallback) {
  if (!value || *value < std::numeric_limits<int32_t>::min() || *value > std::numeric_limits<int32_t>::max()) {
    return fallback;
  }
  return static_cast<int32_t>(*value);
}

TDateTime ToDate(std::string_view text) {
  return UnixSecondsToDateTime(ParseStoreInteger(text).value_or(0));
}

bool IsOne(std::string_view text) {
  return text == "1";
}

}  // namespace

bool SameName(std::string_view name, std::string_view expected) {
  if (name.size() == expected.size()) {
    bool same = true;
    for (size_t i = 0; i < name.size() && same; ++i) {
      same = AsciiLower(name[i]) == AsciiLower(expected[i]);
    }
    if (same) {
      return true;
    }
  }
  return !IsAscii(name) && SameTextIgnoringCase(name, expected);
}

bool StartsWithName(std::string_view name, std::string_view prefix) {
  if (IsAscii(name)) {
    return name.size() >= prefix.size() && SameName(name.substr(0, prefix.size()), prefix);
  }
  return FoldCase(name).starts_with(FoldCase(prefix));
}

int FindFeedField(std::string_view name) {
  return FindField(kFeedFieldNames, name);
}
int FindInfoField(std::string_view name) {
  return FindField(kInfoFieldNames, name);
}
int FindItemField(std::string_view name) {
  return FindField(kItemFieldNames, name);
}
int FindRefreshField(std::string_view name) {
  return FindField(kRefreshFieldNames, name);
}
std::string_view RefreshFieldName(int field) {
  return kRefreshFieldNames.at(static_cast<size_t>(field));
}

std::optional<int64_t> ParseStoreInteger(std::string_view text) {
  while (!text.empty() && text.front() == ' ') {
    text.remove_prefix(1);
  }
  if (!text.empty() && text.front() == '+') {
    text.remove_prefix(1);
    if (!text.empty() && text.front() == '-') {
      return std::nullopt;
    }
  }
  int64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
    return std::nullopt;
  }
  return value;
}

int16_t ClampInterval(std::optional<int64_t> value) {
  if (!value || *value > 9999 || (*value >= 1 && *value <= 14)) {
    return 60;
  }
  if (*value < -1) {
    return -1;
  }
  return static_cast<int16_t>(*value);
}

void AssignFeedField(TFeed& feed, int field, std::string value) {
  switch (field) {
    case kFeedFieldName:
      feed.Name = std::move(value);
      break;
    case kFeedFieldUrl:
      feed.URL = std::move(value);
      break;
    case kFeedFieldType:
      feed.FeedType = std::move(value);
      break;
    case kFeedFieldInterval:
      feed.Interval = ClampInterval(ParseStoreInteger(value));
      break;
    case kFeedFieldRefreshAtStart:
      feed.RefreshAtStart = IsOne(value);
      break;
    case kFeedFieldLastDownloaded:
      feed.LastDownloaded = ToDate(value);
      break;
    case kFeedFieldLoadImages:
      feed.LoadImages = IsOne(value);
      break;
    case kFeedFieldSyncAccount:
      feed.Remote.Account = std::move(value);
      break;
    case kFeedFieldSyncFeedId:
      feed.Remote.FeedId = std::move(value);
      break;
    case kFeedFieldSyncCategoryId:
      feed.Remote.CategoryId = std::move(value);
      break;
    case kFeedFieldSyncCategory:
      feed.Remote.CategoryTitle = std::move(value);
      break;
    default:
      feed.Error = IsOne(value);
      break;
  }
}

void AssignInfoField(TFeedInfo& info, int field, std::string value) {
  switch (field) {
    case 0:
      info.Title = std::move(value);
      break;
    case 1:
      info.Link = std::move(value);
      break;
    case 2:
      info.Description = std::move(value);
      break;
    case 3:
      info.Copyright = std::move(value);
      break;
    case 4:
      info.Language = std::move(value);
      break;
    case 5:
      info.PublishedDate = ToDate(value);
      break;
    case 6:
      info.LastBuildDate = ToDate(value);
      break;
    case 7:
      info.TTL = ToInt32(ParseStoreInteger(value), 0);
      break;
    case 8:
      info.ImageTitle = std::move(value);
      break;
    case 9:
      info.ImageURL = std::move(value);
      break;
    case 10:
      info.ImageLink = std::move(value);
      break;
    case 11:
      info.ImageWidth = ToInt32(ParseStoreInteger(value), 0);
      break;
    default:
      info.ImageHeight = ToInt32(ParseStoreInteger(value), 0);
      break;
  }
}

void AssignItemField(TEntry& item, int field, std::string value) {
  switch (field) {
    case 0:
      item.Title = std::move(value);
      break;
    case 1:
      item.Link = std::move(value);
      break;
    case 2:
      item.Description = std::move(value);
      break;
    case 3:
      item.PublishedDate = ToDate(value);
      break;
    case 4:
      item.Author = std::move(value);
      break;
    case 5:
      item.IsRead = ParseStoreInteger(value) == 1;
      break;
    case 6:
      item.Visited = ParseStoreInteger(value) == 1;
      break;
    case 7:
      item.Categories.clear();
      for (std::string& category : SplitLines(value)) {
        AddEntryCategory(item, category);
      }
      break;
    case 8:
      item.Starred = ParseStoreInteger(value) == 1;
      break;
    case 9:
      ReadEnclosureLines(item, value);
      break;
    default:
      item.ArticleId = std::max<int64_t>(ParseStoreInteger(value).value_or(0), 0);
      break;
  }
}

void AssignRefreshField(TFeedRefreshState& state, int field, std::string value) {
  switch (field) {
    case kRefreshFieldUrl:
      state.Url = std::move(value);
      break;
    case kRefreshFieldETag:
      state.ETag = std::move(value);
      break;
    case kRefreshFieldLastModified:
      state.LastModified = std::move(value);
      break;
    case kRefreshFieldRetryAfter:
      state.RetryAfter = ToDate(value);
      break;
    case kRefreshFieldGone:
      state.Gone = IsOne(value);
      break;
    case kRefreshFieldRedirectTarget:
      state.RedirectTarget = std::move(value);
      break;
    case kRefreshFieldRedirectCount:
      state.RedirectCount = std::max(ToInt32(ParseStoreInteger(value), 0), 0);
      break;
    case kRefreshFieldMovedFrom:
      state.MovedFrom = std::move(value);
      break;
    case kRefreshFieldLastTime:
      state.LastTime = ToDate(value);
      break;
    case kRefreshFieldLastStatus:
      state.LastStatus = ToInt32(ParseStoreInteger(value), 0);
      break;
    case kRefreshFieldLastBytes:
      state.LastBytes = std::max<int64_t>(ParseStoreInteger(value).value_or(0), 0);
      break;
    case kRefreshFieldLastUnchanged:
      state.LastUnchanged = IsOne(value);
      break;
    default:
      state.LastFailure = std::move(value);
      break;
  }
}

void FinishFeed(TFeed& feed) {
  if (feed.Name.empty()) {
    feed.Name = GetLangText("Main|UntitledFeed", "Unbenannter Feed");
  }
}

void FinishItem(TEntry& item) {
  // An entry without a title keeps it empty. Stores written before that hold the placeholder of the language then
  // active (the German default, a shipped language file's text, or the active one's): read as empty, so the
  // entry's identity, and with it its marks, survives the next refresh.
  static constexpr std::array<std::string_view, 2> kEarlierPlaceholders = {"(Kein Titel verfügbar)",
                                                                           "(No title available)"};
  if (std::find(kEarlierPlaceholders.begin(), kEarlierPlaceholders.end(), item.Title) != kEarlierPlaceholders.end() ||
      item.Title == UntitledEntryText()) {
    item.Title.clear();
  }
}

}  // namespace tidewick
