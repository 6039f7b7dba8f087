#pragma once

// What the window tells the user about a sync account beyond the reason a sync failed (sync/sync_error_text.h).

#include <string>

#include "sync/sync_error_text.h"

namespace tidewick {

// The account dialog's line on where the password is kept: the Secret Service, or memory until the program ends.
std::string PasswordPlaceText(bool secretServiceAvailable);

}  // namespace tidewick
