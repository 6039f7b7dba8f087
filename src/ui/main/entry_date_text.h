#pragma once

#include <QString>

#include "util/dates.h"

namespace tidewick {

// A stored UTC date as the user reads it: local time, the short date, a blank and the long time without a zone
// name; the time is left out at midnight, and a missing date (0) is blank.
QString EntryDateText(TDateTime utc);

// A date with a time as wide as most the list shows (two-digit day, month, hour, minute and second), to size its
// date column by.
QString WideEntryDateSample();

}  // namespace tidewick
