#include "platform/file_io.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>

#ifndef _WIN32
#include <fcntl.h>
#include <signal.h>
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

// Gives the copy a name no other file has (link never replaces); false with errno EEXIST when it is taken.
bool LinkInto(const std::string& tempName, const std::string& name) {
  return link(tempName.c_str(), name.c_str()) == 0;
}

#endif

// Whether the writer of a temporary file may still be at work: its process runs, and it is not this one (which has
// written nothing yet when it cleans up; an earlier process may have had its number).
bool WriterMayRun(const std::string& process) {
#ifndef _WIN32
  const long pid = std::strtol(process.c_str(), nullptr, 10);
  return pid > 0 && pid != getpid() && (kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM);
#else
  (void)process;
  return true;  // no process numbers in the names there
#endif
}

bool AllDigits(std::string_view text) {
  return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

// The process number in "<base>[.<anything>].tmp-<process>-<n>", or nothing when name is no temporary file of base.
std::optional<std::string> TemporaryFileProcess(std::string_view name, std::string_view base) {
  constexpr std::string_view kMark = ".tmp-";
  const std::size_t mark = name.rfind(kMark);
  if (!name.starts_with(base) || mark == std::string_view::npos || mark < base.size() ||
      (mark > base.size() && name[base.size()] != '.')) {
    return std::nullopt;
  }
  const std::string_view numbers = name.substr(mark + kMark.size());
  const std::size_t dash = numbers.find('-');
  if (dash == std::string_view::npos || !AllDigits(numbers.substr(0, dash)) || !AllDigits(numbers.substr(dash + 1))) {
    return std::nullopt;
  }
  return std::string(numbers.substr(0, dash));
}

std::string UtcTimeStamp() {
  const std::time_t now = std::time(nullptr);
  std::tm utc{};
#ifdef _WIN32
  gmtime_s(&utc, &now);
#else
  gmtime_r(&now, &utc);
#endif
  char text[32];
  const std::size_t length = std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", &utc);
  return std::string(text, length);
}

}  // namespace

std::optional<TFileVersion> FileVersionOf(const std::string& fileName) {
#ifndef _WIN32
  struct stat info {};
  if (stat(fileName.c_str(), &info) != 0) {
    return std::nullopt;
  }
  return TFileVersion{static_cast<uint64_t>(info.st_dev), static_cast<uint64_t>(info.st_ino),
                      static_cast<int64_t>(info.st_size),
                      int64_t{info.st_mtim.tv_sec} * 1000000000 + info.st_mtim.tv_nsec};
#else
  std::error_code error;
  const auto size = fs::file_size(fileName, error);
  const auto modified = fs::last_write_time(fileName, error);
  if (error) {
    return std::nullopt;
  }
  return TFileVersion{0, 0, static_cast<int64_t>(size),
                      std::chrono::duration_cast<std::chrono::nanoseconds>(modified.time_since_epoch()).count()};
#endif
}

std::string KeepDatedCopy(const std::string& fileName, std::string_view infix) {
  const std::optional<std::string> bytes = ReadWholeFile(fileName);
  if (!bytes) {
    return {};
  }
  const std::string base = fileName + std::string(infix) + "-" + UtcTimeStamp();
#ifndef _WIN32
  std::string tempName;
  bool written = false;
  {
    const TFdCloser temp{CreateTemporary(fileName, tempName)};
    if (temp.Fd < 0) {
      return {};
    }
    written = WriteAll(temp.Fd, *bytes) && fsync(temp.Fd) == 0;
  }
  std::string copy;
  if (written && ReadWholeFile(tempName) == bytes) {
    for (int attempt = 1; attempt <= 100 && copy.empty(); ++attempt) {
      const std::string name = attempt == 1 ? base : base + "-" + std::to_string(attempt);
      if (LinkInto(tempName, name)) {
        copy = name;
      } else if (errno != EEXIST) {
        break;
      }
    }
  }
  const int error = errno;
  unlink(tempName.c_str());
  if (!copy.empty()) {
    SyncFolder(fs::path(fileName).parent_path());
  }
  errno = copy.empty() ? (error != 0 ? error : EIO) : 0;
  return copy;
#else
  for (int attempt = 1; attempt <= 100; ++attempt) {
    const std::string name = attempt == 1 ? base : base + "-" + std::to_string(attempt);
    std::error_code error;
    if (!fs::exists(name, error)) {
      return AtomicWriteFile(name, *bytes) ? name : std::string();
    }
  }
  return {};
#endif
}

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

TFileSaveResult WriteFileAtomically(const std::string& fileName, std::string_view data) {
  const fs::path target = ResolveTarget(fileName);
  std::string tempName;
  const int fd = CreateTemporary(target, tempName);
  if (fd < 0) {
    return TFileSaveResult::Failed(errno);
  }
  // A full disk may show only at the sync or the close.
  bool written = WriteAll(fd, data) && fsync(fd) == 0;
  int error = errno;
  if (close(fd) != 0 && written) {
    written = false;
    error = errno;
  }
  if (written && std::rename(tempName.c_str(), target.c_str()) != 0) {
    written = false;
    error = errno;
  }
  if (!written) {
    std::remove(tempName.c_str());
    return TFileSaveResult::Failed(error);
  }
  SyncFolder(target.parent_path());
  return {};
}

#else

TFileSaveResult WriteFileAtomically(const std::string& fileName, std::string_view data) {
  const fs::path target = ResolveTarget(fileName);
  const std::string tempName = TemporaryName(target);
  {
    std::ofstream out(tempName, std::ios::binary | std::ios::trunc);
    out.write(data.data(), static_cast<std::streamsize>(data.size()));
    out.flush();
    if (!out) {
      const int error = errno;
      std::remove(tempName.c_str());
      return TFileSaveResult::Failed(error);
    }
  }
  std::error_code error;
  fs::rename(tempName, target, error);  // MoveFileEx with MOVEFILE_REPLACE_EXISTING
  if (error) {
    std::remove(tempName.c_str());
    return TFileSaveResult::Failed(error.value());
  }
  return {};
}

#endif

bool AtomicWriteFile(const std::string& fileName, std::string_view data) {
  return WriteFileAtomically(fileName, data).Written();
}

void RemoveStaleTemporaries(const std::string& fileName) {
  const fs::path target = ResolveTarget(fileName);
  const fs::path folder = target.parent_path().empty() ? fs::path(".") : target.parent_path();
  const std::string base = target.filename().string();
  std::error_code error;
  for (fs::directory_iterator entry(folder, error), end; !error && entry != end; entry.increment(error)) {
    const std::optional<std::string> process = TemporaryFileProcess(entry->path().filename().string(), base);
    std::error_code ignored;
    if (process && entry->is_regular_file(ignored) && !WriterMayRun(*process)) {
      fs::remove(entry->path(), ignored);
    }
  }
}

bool WriteAllToDescriptor(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) {
      continue;
    }
    if (written <= 0) {
      return false;
    }
    bytes.remove_prefix(static_cast<size_t>(written));
  }
  return true;
}

}  // namespace tidewick
