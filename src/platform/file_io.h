#pragma once

#include <optional>
#include <string>
#include <string_view>

// Plain file access below every other module.
namespace tidewick {

// The whole file, or nothing when it does not exist or cannot be read.
std::optional<std::string> ReadWholeFile(const std::string& fileName);

// Writes `data` to a temporary file in the target's folder, syncs it, renames it over `fileName` and syncs the
// folder. On any failure the temporary file is removed and the old file stays untouched.
bool AtomicWriteFile(const std::string& fileName, std::string_view data);

}  // namespace tidewick
