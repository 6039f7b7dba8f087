#pragma once

// What the list and the entry view show of an entry's date: the local calendar date, and the time of day unless it
// is exactly midnight. The locale's formats are applied by the window layer.

#include <optional>

#include "util/dates.h"

namespace tidewick {

struct TItemDate {
  TDateTimeParts Local;
  bool ShowTime = true;  // false at exactly midnight: the date alone is shown
};

// Nothing for an entry without a date (0).
std::optional<TItemDate> ItemDate(TDateTime utc);

}  // namespace tidewick
