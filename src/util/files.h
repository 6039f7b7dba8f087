#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tidewick {

// The first `maximum` bytes of the file (a negative maximum or one past the size: the whole file), unchanged.
// A missing or unreadable file gives "".
std::string ReadFileToString(const std::string& fileName, int64_t maximum = -1);

// Replaces the file with `text` atomically: the bytes go to a temporary file in the same folder, are synced to disk
// and then renamed over the target, so a crash leaves either the old or the new file. True when all was written.
bool WriteStringToFile(const std::string& fileName, std::string_view text);

bool FileExists(const std::string& fileName);
bool FolderExists(const std::string& folder);

}  // namespace tidewick
