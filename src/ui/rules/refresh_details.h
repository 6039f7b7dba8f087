#pragma once

// The rows the feed dialog's details list shows about a feed's last request: when it went out, what came back
// (status, bytes, unchanged or why it failed), how long the server asked us to wait, and where the feed moved from;
// and what the dialog says when its own fetch fails.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "feeds/feed_records.h"
#include "ui/rules/feed_edit_rules.h"
#include "util/dates.h"

namespace tidewick {

// Nothing for a feed never asked at its present address. now decides whether a wait is still running.
std::vector<TDetailRow> LastRefreshDetailRows(const TFeed& feed, const TLocalDateFormatter& formatLocal, TDateTime now);

// "Das Feed konnte nicht abgefragt werden." and, on a line of its own, why (failureCode of refresh_failure.h).
std::string FetchFailedText(std::string_view failureCode);

// The result row beside "not recognised" when the server answered with an error status (an error page says less
// than its status); nothing below 400.
std::optional<TDetailRow> ErrorStatusDetailRow(long httpCode);

}  // namespace tidewick
