#pragma once

// What the window tells the user about a sync server: the reason a sync or an account check failed, in plain words
// with what to do about it. Server texts go in only through placeholders and are shown as plain text.

#include <string>

#include "sync/sync_service.h"

namespace tidewick {

// "Der Server ist nicht erreichbar: ..." and the like; empty for a status that is Ok.
std::string SyncErrorText(const TSyncStatus& status);

// The account dialog's line on where the password is kept: the Secret Service, or memory until the program ends.
std::string PasswordPlaceText(bool secretServiceAvailable);

}  // namespace tidewick
