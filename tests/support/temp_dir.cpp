#include "support/temp_dir.h"

#include <stdlib.h>

#include <algorithm>
#include <system_error>

namespace tidewick::test {

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "tidewick-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) {
    throw std::system_error(errno, std::generic_category(), "mkdtemp");
  }
  m_path = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(m_path, ignored);
}

std::vector<std::string> FilesStartingWith(const std::string& pathPrefix) {
  std::vector<std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(pathPrefix).parent_path())) {
    if (entry.path().string().starts_with(pathPrefix)) {
      files.push_back(entry.path().string());
    }
  }
  std::ranges::sort(files);
  return files;
}

std::string DataPath(const std::string& relative) {
  return std::string(TIDEWICK_TEST_DATA_DIR) + "/" + relative;
}

}  // namespace tidewick::test
