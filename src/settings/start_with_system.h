#pragma once

#include <string>

namespace tidewick {

// Whether the system starts the program at logon: the autostart entry's command contains `programPath`, compared
// ignoring case (an empty path never matches).
bool IsStartWithSystemEnabled(const std::string& programPath);

// Switches the entry on (the quoted `programPath` and " /MIN", plus " /APPDATA" when `useUserFolder`) or off. True
// on success.
bool SetStartWithSystem(bool enabled, const std::string& programPath, bool useUserFolder = false);

}  // namespace tidewick
