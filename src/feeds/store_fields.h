#pragma once

// The values of the feed store file: element names, how each text is read back (with the clamps for bad
// values), and the names matched ignoring case.

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "feeds/feed_records.h"

namespace tidewick {

enum TFeedField {
  kFeedFieldName,
  kFeedFieldUrl,
  kFeedFieldType,
  kFeedFieldInterval,
  kFeedFieldRefreshAtStart,
  kFeedFieldLastDownloaded,
  kFeedFieldError,
  kFeedFieldLoadImages,
  // Where an account feed lives on its server (TFeed::Remote), written only for account feeds.
  kFeedFieldSyncAccount,
  kFeedFieldSyncFeedId,
  kFeedFieldSyncCategoryId,
  kFeedFieldSyncCategory
};

// The element below a feed that holds its TFeedRefreshState. Its name starts with neither "Item" nor "Feed", so
// readers that know nothing of it skip it like any unknown element.
inline constexpr std::string_view kRefreshElement = "Refresh";

// Field numbers for a child of a feed, of Info, of an item and of the refresh state; -1 for other names.
int FindFeedField(std::string_view name);
int FindInfoField(std::string_view name);
int FindItemField(std::string_view name);
int FindRefreshField(std::string_view name);

void AssignFeedField(TFeed& feed, int field, std::string value);
void AssignInfoField(TFeedInfo& info, int field, std::string value);
void AssignItemField(TEntry& item, int field, std::string value);
void AssignRefreshField(TFeedRefreshState& state, int field, std::string value);

// The refresh state's element names in the order they are written.
enum TRefreshField {
  kRefreshFieldUrl,
  kRefreshFieldETag,
  kRefreshFieldLastModified,
  kRefreshFieldRetryAfter,
  kRefreshFieldGone,
  kRefreshFieldRedirectTarget,
  kRefreshFieldRedirectCount,
  kRefreshFieldMovedFrom,
  kRefreshFieldLastTime,
  kRefreshFieldLastStatus,
  kRefreshFieldLastBytes,
  kRefreshFieldLastUnchanged,
  kRefreshFieldLastFailure,
  kRefreshFieldCount
};
std::string_view RefreshFieldName(int field);

// The element names of the values, as the writer writes them, by field number.
inline constexpr std::array<std::string_view, 12> kFeedFieldNames = {
    "Name",  "URL",        "FeedType",    "Interval",   "RefreshAtStart", "LastDownloaded",
    "Error", "LoadImages", "SyncAccount", "SyncFeedId", "SyncCategoryId", "SyncCategory"};
inline constexpr std::array<std::string_view, 13> kInfoFieldNames = {
    "Title", "Link",       "Description", "Copyright", "Language",   "PublishedDate", "LastBuildDate",
    "TTL",   "ImageTitle", "ImageURL",    "ImageLink", "ImageWidth", "ImageHeight"};
// Categories, Starred, Enclosures and ArticleId are written only when set, so they are not among the values every
// complete entry holds.
inline constexpr std::array<std::string_view, 11> kItemFieldNames = {
    "Title",   "Link",       "Description", "PublishedDate", "Author",   "Readed",
    "Visited", "Categories", "Starred",     "Enclosures",    "ArticleId"};

// An account on a sync server: an element among the children of Feeds (its name does not start with "Feed", so a
// version without sync keeps it as an unknown element) holding these values in this order.
inline constexpr std::string_view kAccountElement = "Account";
inline constexpr std::array<std::string_view, 6> kAccountFieldNames = {"Key",       "Kind",     "Title",
                                                                       "ServerUrl", "UserName", "Position"};
inline constexpr std::array<std::string_view, kRefreshFieldCount> kRefreshFieldNames = {
    "Address",   "ETag",        "LastModified", "RetryAfter", "Gone",          "RedirectTarget", "RedirectCount",
    "MovedFrom", "LastRequest", "LastStatus",   "LastBytes",  "LastUnchanged", "LastFailure"};

// A missing name gets the placeholder; a title that holds an earlier version's placeholder becomes empty.
void FinishFeed(TFeed& feed);
void FinishItem(TEntry& item);

// Interval as read: 60 when not a number or above 9999 or from 1 to 14, -1 below -1; -1, 0 and 15..9999 kept.
int16_t ClampInterval(std::optional<int64_t> value);
// A decimal integer with an optional sign (leading blanks allowed); nullopt when the text is anything else.
std::optional<int64_t> ParseStoreInteger(std::string_view text);

// Element names compared ignoring case (ASCII fast path, Unicode folding otherwise).
bool SameName(std::string_view name, std::string_view expected);
bool StartsWithName(std::string_view name, std::string_view prefix);

}  // namespace tidewick
