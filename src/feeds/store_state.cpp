#include "feeds/store_state.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <sys/stat.h>

#include "feeds/store_copies.h"
#include "feeds/store_reader.h"
#include "feeds/store_writer.h"
#include "platform/file_io.h"

namespace tidewick {
namespace {

constexpr std::string_view kTokenAttribute = "Store=\"";

std::string_view TokenIn(std::string_view attributes) {
  const size_t start = attributes.find(kTokenAttribute);
  if (start == std::string_view::npos) {
    return {};
  }
  attributes.remove_prefix(start + kTokenAttribute.size());
  return attributes.substr(0, attributes.find('"'));
}

bool SameFeeds(const TFeeds& state, const TFeeds& feeds) {
  if (state.size() != feeds.size()) {
    return false;
  }
  for (size_t i = 0; i < feeds.size(); ++i) {
    if (state[i].Name != feeds[i].Name || state[i].URL != feeds[i].URL) {
      return false;
    }
  }
  return true;
}

}  // namespace

std::string StoreVersionToken(const TFileVersion& version) {
  // The device is left out: some file systems number it anew at each mount, which would orphan the file.
  return std::to_string(version.Inode) + "-" + std::to_string(version.Size) + "-" + std::to_string(version.ModifiedNs);
}

std::string RefreshStateText(const TFeeds& feeds, std::string_view storeToken) {
  std::string text;
  const std::string attributes = std::string(kTokenAttribute) + std::string(storeToken) + "\"";
  WriteRefreshStateText(
      feeds,
      [&text](std::string_view piece) {
        text.append(piece);
        return true;
      },
      attributes);
  return text;
}

TStateFileResult ApplyRefreshStateFile(const std::string& stateFileName, std::string_view storeToken, TFeeds& feeds) {
  TStateFileResult result;
  struct stat info {};
  if (::stat(stateFileName.c_str(), &info) != 0 && (errno == ENOENT || errno == ENOTDIR)) {
    return result;
  }
  const TStoreReadResult state = ReadStoreFile(stateFileName);
  if (state.ReadError != 0) {
    result.Status = TStateFileStatus::Unreadable;
    return result;
  }
  const std::string_view token = TokenIn(state.StoreUnknown.Attributes());
  if (state.Complete && !token.empty() && token != storeToken) {
    result.Status = TStateFileStatus::Stale;
    return result;
  }
  if (!state.Complete || token.empty() || !SameFeeds(state.Feeds, feeds)) {
    result.Status = TStateFileStatus::Damaged;
    result.DamagedCopy = KeepDamagedCopy(stateFileName);
    if (!result.DamagedCopy.empty()) {
      ::unlink(stateFileName.c_str());
    }
    return result;
  }
  for (size_t i = 0; i < feeds.size(); ++i) {
    feeds[i].LastDownloaded = state.Feeds[i].LastDownloaded;
    feeds[i].Error = state.Feeds[i].Error;
    feeds[i].Refresh = state.Feeds[i].Refresh;
  }
  result.Status = TStateFileStatus::Applied;
  return result;
}

TFileSaveResult WriteRefreshStateFile(const std::string& stateFileName, std::string_view text,
                                      std::optional<unsigned> storeMode) {
  const std::string tempName = stateFileName + ".tmp";
  const int fd = ::open(tempName.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) {
    return TFileSaveResult::Failed(errno);
  }
  // The addresses in it may hold credentials: it is as private as the store.
  bool ok = (!storeMode || ::fchmod(fd, *storeMode) == 0) && WriteAllToDescriptor(fd, text) && ::fsync(fd) == 0;
  int error = ok ? 0 : errno;
  if (::close(fd) != 0 && ok) {
    ok = false;
    error = errno;
  }
  if (ok && ::rename(tempName.c_str(), stateFileName.c_str()) != 0) {
    ok = false;
    error = errno;
  }
  if (!ok) {
    ::unlink(tempName.c_str());
    return TFileSaveResult::Failed(error);
  }
  // The folder is not synced: should a power cut undo the rename, the earlier state file, or none, is still bound to
  // the same store and as valid as the store's own state (and a sync of the folder costs as much as the rest).
  return {};
}

}  // namespace tidewick
