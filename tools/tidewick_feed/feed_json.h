#pragma once

// The JSON form of a feed record that tidewick-feed prints.

#include <nlohmann/json.hpp>

#include "feeds/feed_records.h"
#include "util/dates.h"

namespace tidewick {

// An ISO 8601 UTC string ("2006-12-05T21:30:00Z"), or null for no date (0).
nlohmann::json DateToJson(TDateTime date);

nlohmann::json FeedInfoToJson(const TFeedInfo& info);
nlohmann::json EntryToJson(const TEntry& item);

// {"ok", "FeedType", "Info": {...}, "Items": [...]}; ok is the result of the reading.
nlohmann::json FeedToJson(const TFeed& feed, bool ok);

// The JSON text with two-space indentation; any invalid UTF-8 is replaced rather than thrown on.
std::string DumpJson(const nlohmann::json& value);

}  // namespace tidewick
