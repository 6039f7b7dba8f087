#pragma once

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Plain file access below every other module.
namespace tidewick {

// The whole file, or nothing when it does not exist or cannot be read.
std::optional<std::string> ReadWholeFile(const std::string& fileName);
// The same for at most the first maxBytes of the file.
std::optional<std::string> ReadFileStart(const std::string& fileName, std::size_t maxBytes);

// Writes all of bytes to an open descriptor, going on after interrupted and short writes; false on an error (errno
// says which).
bool WriteAllToDescriptor(int fd, std::string_view bytes);

// Tells one version of a file from another: a rewrite (a new file renamed into place) or any change gives another.
struct TFileVersion {
  uint64_t Device = 0;
  uint64_t Inode = 0;
  int64_t Size = 0;
  int64_t ModifiedNs = 0;
  bool operator==(const TFileVersion&) const = default;
};
std::optional<TFileVersion> FileVersionOf(const std::string& fileName);

// Keeps a copy of the file as "<fileName><infix>-YYYYMMDD-HHMMSS" (UTC; "-2", "-3"... when that name is taken), with
// its mode. The copy is written under a temporary name, synced and read back before it takes its name, so no name
// ever holds less than the whole file and no earlier copy is replaced. The copy's name; empty when the file could
// not be read or the copy not be made (errno says why).
std::string KeepDatedCopy(const std::string& fileName, std::string_view infix);

// How writing a file went, with the reason a user can be told.
struct TFileSaveResult {
  int Error = 0;  // errno of the step that failed; 0 when the file was written
  bool Written() const { return Error == 0; }
  // A failure whose step left no errno still has a reason.
  static TFileSaveResult Failed(int error) { return {error != 0 ? error : EIO}; }
};

// Writes `data` to a temporary file in the target's folder, syncs it, renames it over `fileName` and syncs the
// folder. On any failure the temporary file is removed and the old file stays untouched.
TFileSaveResult WriteFileAtomically(const std::string& fileName, std::string_view data);
bool AtomicWriteFile(const std::string& fileName, std::string_view data);

// Removes what writers killed in the middle left beside fileName: its temporary files and those of the copies kept
// beside it ("<fileName>.tmp-<process>-<n>", "<fileName>.bak.tmp-<process>-<n>" ...) whose process is no longer
// running. Only for a caller that alone writes these files (the store's lock).
void RemoveStaleTemporaries(const std::string& fileName);

}  // namespace tidewick
