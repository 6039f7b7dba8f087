#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// Plain file access below every other module.
namespace tidewick {

// The whole file, or nothing when it does not exist or cannot be read.
std::optional<std::string> ReadWholeFile(const std::string& fileName);
// The same for at most the first maxBytes of the file.
std::optional<std::string> ReadFileStart(const std::string& fileName, std::size_t maxBytes);

// Writes `data` to a temporary file in the target's folder, syncs it, renames it over `fileName` and syncs the
// folder. On any failure the temporary file is removed and the old file stays untouched.
bool AtomicWriteFile(const std::string& fileName, std::string_view data);

}  // namespace tidewick
