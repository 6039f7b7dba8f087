#include "tree/tree_paths.h"

#include <algorithm>

#include "tree/feed_tree.h"

namespace tidewick {

std::optional<std::vector<std::string_view>> SplitFolderPath(std::string_view path) {
  if (path.empty() || path.front() != '\\') {
    return std::nullopt;
  }
  std::vector<std::string_view> names;
  size_t start = 1;
  while (start <= path.size()) {
    const size_t end = std::min(path.find('\\', start), path.size());
    const std::string_view name = path.substr(start, end - start);
    if (name.empty() || name.find_first_of("\t\r\n") != std::string_view::npos ||
        static_cast<int>(names.size()) >= kMaxFolderDepth) {
      return std::nullopt;
    }
    names.push_back(name);
    start = end + 1;
  }
  return names;
}

}  // namespace tidewick
