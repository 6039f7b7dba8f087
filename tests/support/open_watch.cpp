#include "support/open_watch.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cstring>
#include <sys/inotify.h>

namespace tidewick::test {

TFolderOpenWatch::TFolderOpenWatch(const std::string& folder) : m_fd(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
  if (m_fd >= 0) {
    inotify_add_watch(m_fd, folder.c_str(), IN_OPEN);
  }
}

TFolderOpenWatch::~TFolderOpenWatch() {
  if (m_fd >= 0) {
    close(m_fd);
  }
}

std::vector<std::string> TFolderOpenWatch::OpenedNames() {
  std::vector<std::string> names;
  if (m_fd < 0) {
    names.emplace_back("(inotify unavailable)");
    return names;
  }
  alignas(inotify_event) std::array<char, 4096> buffer{};
  for (ssize_t length = read(m_fd, buffer.data(), buffer.size()); length > 0;
       length = read(m_fd, buffer.data(), buffer.size())) {
    for (ssize_t at = 0; at < length;) {
      inotify_event event{};
      std::memcpy(&event, buffer.data() + at, sizeof event);
      if (event.len > 0) {  // an open of the folder itself has no name
        names.emplace_back(buffer.data() + at + sizeof event);
      }
      at += static_cast<ssize_t>(sizeof event + event.len);
    }
  }
  return names;
}

TFifoGuard::TFifoGuard(std::string path)
    : m_path(std::move(path)), m_writer([this](const std::stop_token& stop) {
        while (!stop.stop_requested()) {
          const int fd = open(m_path.c_str(), O_WRONLY | O_CLOEXEC);
          if (fd < 0) {
            return;
          }
          close(fd);
        }
      }) {}

TFifoGuard::~TFifoGuard() {
  m_writer.request_stop();
  // A reader of our own lets the writer's waiting open return; it stays open until the writer has seen the stop.
  const int reader = open(m_path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  m_writer.join();
  if (reader >= 0) {
    close(reader);
  }
}

}  // namespace tidewick::test
