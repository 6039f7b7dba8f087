#pragma once

// Folder paths of the feed tree as stored in the settings: "\A\B", one folder name per step from the top level down.

#include <optional>
#include <string_view>
#include <vector>

namespace tidewick {

// The folder names of "\A\B", or nothing for a damaged path: no leading backslash, an empty name, a TAB, CR or LF
// in a name, or deeper than kMaxFolderDepth. Names from stored files are otherwise taken as they are.
std::optional<std::vector<std::string_view>> SplitFolderPath(std::string_view path);

// The root ("") or a path SplitFolderPath accepts.
inline bool IsUsableFolderPath(std::string_view path) {
  return path.empty() || SplitFolderPath(path).has_value();
}

}  // namespace tidewick
