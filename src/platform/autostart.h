#pragma once

#include <string>

// The "start with the system" entry. Linux: the XDG autostart file $XDG_CONFIG_HOME/autostart/tidewick.desktop
// (~/.config when unset); Windows: the value "Tidewick" under the current user's Run key.
namespace tidewick {

// Full path of the XDG autostart file (Linux); "" on Windows.
std::string AutostartFilePath();

// The command the entry starts, written plainly: `"/path/to/tidewick" /MIN`. "" when there is no entry, or the
// entry is switched off (Hidden=true, X-GNOME-Autostart-enabled=false).
std::string ReadAutostartCommand();

// Creates or replaces the entry so that it starts `programPath` (quoted) with the switch " /MIN", and " /APPDATA"
// when `useUserFolder` (a program that keeps its files in the per-user folder must find them there at logon too).
bool WriteAutostartEntry(const std::string& programPath, bool useUserFolder = false);

// Removes the entry; true when no entry is left.
bool RemoveAutostartEntry();

}  // namespace tidewick
