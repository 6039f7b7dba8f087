#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>

namespace tidewick {

// A large file written in pieces that must end synced (a store's temporary file). Every few MiB a helper thread
// syncs what is there, so the disk writes while the rest is still being built and the final sync waits only for the
// tail. Asking the kernel merely to start write-back (sync_file_range) left the final sync of a 47 MB store as slow
// as without it; a file of less than one step never starts the thread.
class TSyncedFileWriter {
 public:
  // Creates or empties fileName with the given mode (0644 when none).
  TSyncedFileWriter(const std::string& fileName, std::optional<mode_t> mode);
  ~TSyncedFileWriter();  // closes a file Close was not called for, without syncing it
  TSyncedFileWriter(const TSyncedFileWriter&) = delete;
  TSyncedFileWriter& operator=(const TSyncedFileWriter&) = delete;

  // False once anything failed (this write or an earlier one, or creating the file).
  bool Write(std::string_view piece);
  // Syncs and closes the file: the number of bytes written, or -1 with the errno of the first failure in error.
  int64_t Close(int& error);

 private:
  class TSyncer;

  int m_fd = -1;
  int m_error = 0;
  int64_t m_total = 0;
  int64_t m_syncAskedAt = 0;
  std::unique_ptr<TSyncer> m_syncer;
};

}  // namespace tidewick
