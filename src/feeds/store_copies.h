#pragma once

// Copies of the feed store kept beside it: the backup of the previous complete store, and each damaged store under
// a name of its own, so that no later damage or save can destroy an earlier copy. A copy counts only when it was
// written completely and read back unchanged.

#include <cstdint>
#include <string>

namespace tidewick {

// Keeps the damaged store fileName as "<fileName>.damaged-YYYYMMDD-HHMMSS" (UTC; "-2", "-3"... when that name is
// taken), with the store's file mode. The copy's name, or empty when the store could not be read or the copy could
// not be written and verified (nothing is left behind then).
std::string KeepDamagedCopy(const std::string& fileName);

// Puts the complete store fileName (expectedSize bytes) under pendingName: a hard link, or else a verified copy.
// False when neither worked; then there is nothing under pendingName and the save goes on without a new backup.
bool PrepareBackupCopy(const std::string& fileName, const std::string& pendingName, int64_t expectedSize);

}  // namespace tidewick
