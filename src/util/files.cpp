#include "util/files.h"

#include <filesystem>
#include <fstream>

#include "platform/file_io.h"

namespace tidewick {

std::string ReadFileToString(const std::string& fileName, int64_t maximum) {
  if (maximum < 0) {
    return ReadWholeFile(fileName).value_or(std::string());
  }
  std::ifstream in(fileName, std::ios::binary);
  if (!in) {
    return {};
  }
  std::string text(static_cast<size_t>(maximum), '\0');
  in.read(text.data(), static_cast<std::streamsize>(maximum));
  text.resize(static_cast<size_t>(in.gcount()));
  return text;
}

bool WriteStringToFile(const std::string& fileName, std::string_view text) {
  return AtomicWriteFile(fileName, text);
}

bool FileExists(const std::string& fileName) {
  std::error_code error;
  return std::filesystem::is_regular_file(fileName, error);
}

bool FolderExists(const std::string& folder) {
  std::error_code error;
  return std::filesystem::is_directory(folder, error);
}

}  // namespace tidewick
