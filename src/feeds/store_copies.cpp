#include "feeds/store_copies.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <optional>
#include <string_view>
#include <sys/stat.h>

#include "platform/file_io.h"

namespace tidewick {
namespace {

enum class TCopyResult { Written, NameTaken, Failed };

// Creates target exclusively with mode, writes bytes, syncs them and reads them back. On any failure the target is
// removed again, so a half-written copy is never mistaken for a good one.
TCopyResult WriteVerified(const std::string& target, std::string_view bytes, mode_t mode) {
  const int fd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0) {
    return errno == EEXIST ? TCopyResult::NameTaken : TCopyResult::Failed;
  }
  bool ok = ::fchmod(fd, mode) == 0;
  ok = ok && WriteAllToDescriptor(fd, bytes);
  ok = ::fsync(fd) == 0 && ok;
  ok = ::close(fd) == 0 && ok;
  ok = ok && ReadWholeFile(target) == bytes;
  if (!ok) {
    ::unlink(target.c_str());
  }
  return ok ? TCopyResult::Written : TCopyResult::Failed;
}

std::string TimeStamp() {
  const std::time_t now = std::time(nullptr);
  std::tm utc{};
  ::gmtime_r(&now, &utc);
  char text[32];
  const size_t length = std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", &utc);
  return std::string(text, length);
}

}  // namespace

std::string KeepDamagedCopy(const std::string& fileName) {
  struct stat info {};
  const std::optional<std::string> bytes = ReadWholeFile(fileName);
  if (!bytes || ::stat(fileName.c_str(), &info) != 0) {
    return {};
  }
  const mode_t mode = info.st_mode & 07777;
  const std::string base = fileName + ".damaged-" + TimeStamp();
  for (int attempt = 1; attempt <= 100; ++attempt) {
    const std::string copy = attempt == 1 ? base : base + "-" + std::to_string(attempt);
    const TCopyResult result = WriteVerified(copy, *bytes, mode);
    if (result != TCopyResult::NameTaken) {
      return result == TCopyResult::Written ? copy : std::string();
    }
  }
  return {};
}

bool PrepareBackupCopy(const std::string& fileName, const std::string& pendingName, int64_t expectedSize) {
  ::unlink(pendingName.c_str());
  if (::link(fileName.c_str(), pendingName.c_str()) == 0) {
    return true;
  }
  // No hard link (a file system without them, or a store owned by someone else): copy it, but never keep a backup
  // that is not the whole store.
  struct stat info {};
  const std::optional<std::string> bytes = ReadWholeFile(fileName);
  if (!bytes || static_cast<int64_t>(bytes->size()) != expectedSize || ::stat(fileName.c_str(), &info) != 0) {
    return false;
  }
  return WriteVerified(pendingName, *bytes, info.st_mode & 07777) == TCopyResult::Written;
}

}  // namespace tidewick
