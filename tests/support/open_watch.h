#pragma once

// Proof that a program never opens a file: every open in a folder is reported (inotify), and a FIFO there never
// blocks the reader that would open it, so a fault shows as a report instead of a hung test.

#include <string>
#include <thread>
#include <vector>

namespace tidewick::test {

// The names of the files opened in a folder since the watch began (or since the last call).
class TFolderOpenWatch {
 public:
  explicit TFolderOpenWatch(const std::string& folder);
  ~TFolderOpenWatch();
  TFolderOpenWatch(const TFolderOpenWatch&) = delete;
  TFolderOpenWatch& operator=(const TFolderOpenWatch&) = delete;

  std::vector<std::string> OpenedNames();

 private:
  int m_fd = -1;
};

// Opens the FIFO for writing and closes it again for every reader that opens it: the reader sees the end at once.
class TFifoGuard {
 public:
  explicit TFifoGuard(std::string path);
  ~TFifoGuard();
  TFifoGuard(const TFifoGuard&) = delete;
  TFifoGuard& operator=(const TFifoGuard&) = delete;

 private:
  std::string m_path;
  std::jthread m_writer;
};

}  // namespace tidewick::test
