#include "platform/synced_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <mutex>
#include <stop_token>
#include <sys/stat.h>
#include <thread>

#include "platform/file_io.h"

namespace tidewick {

namespace {

constexpr int64_t kSyncStep = int64_t{4} << 20;  // smaller steps did not shorten the final sync further

}  // namespace

// Syncs the file each time it is asked, on a thread of its own, until it is destroyed. A failed sync here is no
// failure: the final sync on Close decides.
class TSyncedFileWriter::TSyncer {
 public:
  explicit TSyncer(int fd) : m_thread([this, fd](const std::stop_token& stop) { Run(stop, fd); }) {}

  void Ask() {
    {
      const std::lock_guard lock(m_mutex);
      m_asked = true;
    }
    m_wake.notify_one();
  }

 private:
  void Run(const std::stop_token& stop, int fd) {
    std::unique_lock lock(m_mutex);
    while (m_wake.wait(lock, stop, [this] { return m_asked; })) {
      m_asked = false;
      lock.unlock();
      ::fdatasync(fd);
      lock.lock();
    }
  }

  std::mutex m_mutex;
  std::condition_variable_any m_wake;
  bool m_asked = false;
  std::jthread m_thread;  // last: started once the rest exists, stopped and joined before the rest goes
};

TSyncedFileWriter::TSyncedFileWriter(const std::string& fileName, std::optional<mode_t> mode)
    : m_fd(::open(fileName.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644)) {
  if (m_fd < 0 || (mode && ::fchmod(m_fd, *mode) != 0)) {
    m_error = errno;
  }
}

TSyncedFileWriter::~TSyncedFileWriter() {
  m_syncer.reset();
  if (m_fd >= 0) {
    ::close(m_fd);
  }
}

bool TSyncedFileWriter::Write(std::string_view piece) {
  if (m_error != 0) {
    return false;
  }
  if (!WriteAllToDescriptor(m_fd, piece)) {
    m_error = errno != 0 ? errno : EIO;
    return false;
  }
  m_total += static_cast<int64_t>(piece.size());
  if (m_total - m_syncAskedAt >= kSyncStep) {
    m_syncAskedAt = m_total;
    if (!m_syncer) {
      m_syncer = std::make_unique<TSyncer>(m_fd);
    }
    m_syncer->Ask();
  }
  return true;
}

int64_t TSyncedFileWriter::Close(int& error) {
  m_syncer.reset();  // no sync of its own runs on during the last one, or after the descriptor is gone
  if (m_fd >= 0 && ::fsync(m_fd) != 0 && m_error == 0) {
    m_error = errno;
  }
  if (m_fd >= 0 && ::close(m_fd) != 0 && m_error == 0) {
    m_error = errno;
  }
  m_fd = -1;
  error = m_error;
  return m_error == 0 ? m_total : -1;
}

}  // namespace tidewick
