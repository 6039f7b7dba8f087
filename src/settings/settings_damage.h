#pragma once

// Damaged settings files are never written over unseen. LoadSettings notes each damaged file it met (the settings
// file, and its backup when that had to be read and was damaged too) together with the version it found; before a
// save replaces or renews such a file while it is still that version, a copy of it is kept under a name of its own
// ("<name>.damaged-<UTC time>"), once. The note lives in the process, so every save sees it, on any thread, however
// the saves overlap.

#include <string>

#include "settings/settings.h"

namespace tidewick {

// LoadSettings: fileName, as it is now, was found damaged.
void NoteDamagedSettingsFile(const std::string& fileName);

// Whether fileName is still a damaged file noted by LoadSettings (kept or not): it is no backup of anything.
bool IsDamagedSettingsFile(const std::string& fileName);

// Before fileName is replaced: true when it may be, keeping the copy of a damaged file first when none was kept yet.
// False (errno says why) when that copy could not be made.
bool KeepDamagedSettingsFileBeforeReplacing(const std::string& fileName);

// Where the damaged files of a load were kept; empty where there was none or the copy failed.
struct TDamagedSettingsCopies {
  std::string File;
  std::string Backup;
  int Error = 0;  // errno of a copy that failed
};

// Keeps the copies of the damaged files that load found at once, so the user can be told where they are.
TDamagedSettingsCopies KeepDamagedSettingsFiles(const std::string& settingsFileName, const TSettingsLoadResult& load);

// The translated message for a load that found damage: which files, what was lost, where the copies are.
std::string SettingsDamageMessage(const std::string& settingsFileName, const TSettingsLoadResult& load,
                                  const TDamagedSettingsCopies& copies);

}  // namespace tidewick
