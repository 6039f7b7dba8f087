#include "platform/file_io.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>

#include <sys/stat.h>
#endif

namespace tidewick {
namespace {

namespace fs = std::filesystem;

// Replacing a symbolic link must replace the file it points at, not the link itself.
fs::path ResolveTarget(const std::string& fileName) {
  std::error_code error;
  const fs::path path(fileName);
  if (fs::is_symlink(path, error)) {
    const fs::path target = fs::weakly_canonical(path, error);
    if (!error) {
      return target;
    }
  }
  return path;
}

std::string TemporaryName(const fs::path& target) {
  static std::atomic<unsigned> counter{0};
#ifdef _WIN32
  const unsigned long process = 0;
#else
  const auto process = static_cast<unsigned long>(getpid());
#endif
  return target.string() + ".tmp-" + std::to_string(process) + "-" + std::to_string(counter.fetch_add(1));
}

#ifndef _WIN32

struct TFdCloser {
  int Fd = -1;
  ~TFdCloser() {
    if (Fd >= 0) {
      close(Fd);
    }
  }
};

bool WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t written = write(fd, data.data(), data.size());
    if (written < 0) {
      if (errno == EINTR) {
        continue;
      }
      return false;
    }
    data.remove_prefix(static_cast<size_t>(written));
  }
  return true;
}

void SyncFolder(const fs::path& folder) {
  const TFdCloser dir{open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
  if (dir.Fd >= 0) {
    fsync(dir.Fd);  // best effort: some file systems refuse it
  }
}

// Creates the temporary file exclusively (the umask applies to a new file; an existing file's mode is kept).
int CreateTemporary(const fs::path& target, std::string& tempName) {
  struct stat existing {};
  const bool hasExisting = stat(target.c_str(), &existing) == 0;
  for (int attempt = 0; attempt < 100; ++attempt) {
    tempName = TemporaryName(target);
    const int fd = open(tempName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
      if (hasExisting) {
        fchmod(fd, existing.st_mode & 07777);
      }
      return fd;
    }
    if (errno != EEXIST) {
      return -1;
    }
  }
  return -1;
}

#endif

}  // namespace

std::optional<std::string> ReadWholeFile(const std::string& fileName) {
  std::ifstream in(fileName, std::ios::binary);
  std::error_code error;
  if (!in || fs::is_directory(fileName, error)) {
    return std::nullopt;
  }
  std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) {
    return std::nullopt;
  }
  return content;
}

std::optional<std::string> ReadFileStart(const std::string& fileName, std::size_t maxBytes) {
  std::ifstream in(fileName, std::ios::binary);
  std::error_code error;
  if (!in || fs::is_directory(fileName, error)) {
    return std::nullopt;
  }
  std::string content(maxBytes, '\0');
  in.read(content.data(), static_cast<std::streamsize>(maxBytes));
  if (in.bad()) {
    return std::nullopt;
  }
  content.resize(static_cast<std::size_t>(in.gcount()));
  return content;
}

#ifndef _WIN32

bool AtomicWriteFile(const std::string& fileName, std::string_view data) {
  const fs::path target = ResolveTarget(fileName);
  std::string tempName;
  bool written = false;
  {
    const TFdCloser temp{CreateTemporary(target, tempName)};
    if (temp.Fd < 0) {
      return false;
    }
    written = WriteAll(temp.Fd, data) && fsync(temp.Fd) == 0;
  }
  if (!written || std::rename(tempName.c_str(), target.c_str()) != 0) {
    std::remove(tempName.c_str());
    return false;
  }
  SyncFolder(target.parent_path());
  return true;
}

#else

bool AtomicWriteFile(const std::string& fileName, std::string_view data) {
  const fs::path target = ResolveTarget(fileName);
  const std::string tempName = TemporaryName(target);
  {
    std::ofstream out(tempName, std::ios::binary | std::ios::trunc);
    out.write(data.data(), static_cast<std::streamsize>(data.size()));
    out.flush();
    if (!out) {
      std::remove(tempName.c_str());
      return false;
    }
  }
  std::error_code error;
  fs::rename(tempName, target, error);  // MoveFileEx with MOVEFILE_REPLACE_EXISTING
  if (error) {
    std::remove(tempName.c_str());
    return false;
  }
  return true;
}

#endif

}  // namespace tidewick
