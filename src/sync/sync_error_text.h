#pragma once

// What the user is told when a sync fails, in the language of the day; shared by the window and tidewick-feed.

#include <string>

#include "sync/sync_service.h"

namespace tidewick {

// One sentence with the reason (Detail stands in it where it helps); empty for a status without error.
std::string SyncErrorText(const TSyncStatus& status);

}  // namespace tidewick
