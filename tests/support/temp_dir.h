#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace tidewick::test {

// A fresh folder under the system's temporary folder, removed with everything in it when the object dies.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& Path() const { return m_path; }
  std::string File(const std::string& name) const { return (m_path / name).string(); }

 private:
  std::filesystem::path m_path;
};

// The files whose full path starts with pathPrefix (such as "<folder>/Feeds.xml.damaged-"), sorted.
std::vector<std::string> FilesStartingWith(const std::string& pathPrefix);

// Full path of a file below tests/data.
std::string DataPath(const std::string& relative);

}  // namespace tidewick::test
