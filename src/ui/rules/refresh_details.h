#pragma once

// The rows the feed dialog's details list shows about a feed's last request: when it went out, what came back
// (status, bytes, unchanged or why it failed), how long the server asked us to wait, and where the feed moved from.

#include <vector>

#include "feeds/feed_records.h"
#include "ui/rules/feed_edit_rules.h"
#include "util/dates.h"

namespace tidewick {

// Nothing for a feed never asked at its present address. now decides whether a wait is still running.
std::vector<TDetailRow> LastRefreshDetailRows(const TFeed& feed, const TLocalDateFormatter& formatLocal, TDateTime now);

}  // namespace tidewick
