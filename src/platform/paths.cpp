#include "platform/paths.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <pwd.h>
#include <unistd.h>
#endif

namespace tidewick {
namespace {

namespace fs = std::filesystem;

std::vector<std::string>& StoredArgs() {
  static std::vector<std::string> args;
  return args;
}

std::string EnvValue(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? std::string(value) : std::string();
}

#ifndef _WIN32
std::string HomeFolder() {
  std::string home = EnvValue("HOME");
  if (home.empty()) {
    if (const passwd* entry = getpwuid(getuid()); entry != nullptr && entry->pw_dir != nullptr) {
      home = entry->pw_dir;
    }
  }
  return home;
}
#endif

}  // namespace

std::string ProgramFilePath() {
#ifdef _WIN32
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) {
      return {};
    }
    if (length < buffer.size()) {
      buffer.resize(length);
      const std::u8string utf8 = fs::path(buffer).u8string();
      return std::string(utf8.begin(), utf8.end());
    }
    buffer.resize(buffer.size() * 2);
  }
#else
  std::error_code error;
  const fs::path path = fs::read_symlink("/proc/self/exe", error);
  return error ? std::string() : path.string();
#endif
}

std::string ProgramFolder() {
  std::string folder = fs::path(ProgramFilePath()).parent_path().string();
  if (folder.empty() || folder.back() != kPathSeparator) {
    folder.push_back(kPathSeparator);
  }
  return folder;
}

namespace {

fs::path InstalledDataFolder(const std::string& programFolder) {
  return fs::path(programFolder).parent_path().parent_path() / "share" / "tidewick";
}

bool HasLanguageFolder(const fs::path& folder) {
  std::error_code error;
  return fs::is_directory(folder / "Language", error);
}

}  // namespace

bool IsInstalledLayoutFor(const std::string& programFolder) {
  return !HasLanguageFolder(programFolder) && HasLanguageFolder(InstalledDataFolder(programFolder));
}

bool IsInstalledLayout() {
  return IsInstalledLayoutFor(ProgramFolder());
}

std::string DataFolderFor(const std::string& programFolder) {
  if (!IsInstalledLayoutFor(programFolder))
    return programFolder;
  return InstalledDataFolder(programFolder).string() + kPathSeparator;
}

std::string DataFolder() {
  return DataFolderFor(ProgramFolder());
}

std::string UserDataFolder() {
#ifdef _WIN32
  const std::string base = EnvValue("APPDATA");
#else
  // Relative values of XDG_CONFIG_HOME are invalid and ignored, as the XDG rules say.
  std::string base = EnvValue("XDG_CONFIG_HOME");
  if (base.empty() || base.front() != '/') {
    base = HomeFolder() + "/.config";
  }
#endif
  return (fs::path(base) / "Tidewick").string();
}

std::string UserCacheFolder() {
#ifdef _WIN32
  return (fs::path(EnvValue("LOCALAPPDATA")) / "Tidewick" / "Cache").string();
#else
  std::string base = EnvValue("XDG_CACHE_HOME");
  if (base.empty() || base.front() != '/') {
    base = HomeFolder() + "/.cache";
  }
  return (fs::path(base) / "Tidewick").string();
#endif
}

bool EnsureFolder(const std::string& folder) {
  std::error_code error;
  fs::create_directories(folder, error);
  return fs::is_directory(folder, error);
}

bool IsFolderWritable(const std::string& folder) {
  static std::atomic<unsigned> counter{0};
  std::error_code error;
  if (!fs::is_directory(folder, error)) {
    return false;
  }
#ifdef _WIN32
  const fs::path probe = fs::path(folder) / (".tidewick-probe-" + std::to_string(counter.fetch_add(1)));
  FILE* file = _wfopen(probe.c_str(), L"wx");
  if (file == nullptr) {
    return false;
  }
  fclose(file);
#else
  const fs::path probe =
      fs::path(folder) / (".tidewick-probe-" + std::to_string(getpid()) + "-" + std::to_string(counter.fetch_add(1)));
  const int fd = open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0) {
    return false;
  }
  close(fd);
#endif
  fs::remove(probe, error);
  return true;
}

void SetCommandLineArgs(int argc, const char* const* argv) {
  std::vector<std::string> params;
  for (int i = 1; i < argc; ++i) {
    params.emplace_back(argv[i]);
  }
  SetCommandLineArgs(std::move(params));
}

void SetCommandLineArgs(std::vector<std::string> params) {
  StoredArgs() = std::move(params);
}

const std::vector<std::string>& CommandLineArgs() {
  return StoredArgs();
}

}  // namespace tidewick
