#include "update/enclosure_download.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>

#include "lang/export_file.h"
#include "lang/lang_text.h"
#include "platform/file_io.h"
#include "update/refresh_failure.h"
#include "util/case_fold.h"
#include "web/web_address.h"

namespace tidewick {
namespace {

// An open temporary file beside the target that removes itself unless it was renamed into place.
class TPartFile {
 public:
  explicit TPartFile(const std::string& target) {
    for (int attempt = 0; attempt < 100 && m_fd < 0; ++attempt) {
      m_name = target + ".part-" + std::to_string(getpid()) + "-" + std::to_string(attempt);
      m_fd = open(m_name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);  // the umask decides the mode
      if (m_fd < 0 && errno != EEXIST) {
        break;
      }
    }
  }
  TPartFile(const TPartFile&) = delete;
  TPartFile& operator=(const TPartFile&) = delete;
  ~TPartFile() {
    CloseFile();
    if (!m_renamed) {
      unlink(m_name.c_str());
    }
  }

  bool IsOpen() const { return m_fd >= 0; }
  int Descriptor() const { return m_fd; }
  bool CloseFile() {
    const int fd = m_fd;
    m_fd = -1;
    return fd < 0 || close(fd) == 0;
  }
  bool RenameTo(const std::string& target) {
    m_renamed = rename(m_name.c_str(), target.c_str()) == 0;
    return m_renamed;
  }

 private:
  std::string m_name;
  int m_fd = -1;
  bool m_renamed = false;
};

TEnclosureDownloadResult Failed(std::string reason) {
  return {.Ok = false, .Stopped = false, .Reason = std::move(reason)};
}

std::string WriteFailure(const std::string& target, int error) {
  std::array<char, 256> text{};
  return ExportWriteErrorText(target, {.Ok = false, .Reason = strerror_r(error, text.data(), text.size())});
}

}  // namespace

TEnclosureDownloadResult DownloadEnclosure(TEnclosureDownload download) {
  if (!IsSafeWebAddress(download.Url) || !SameAsciiIgnoringCase(download.Url.substr(0, 4), "http")) {
    TFetchResult refused;
    refused.Status = TFetchStatus::UnsupportedScheme;
    refused.Error = TFetchError::UnsupportedScheme;
    return Failed(FailureText(FetchFailureCode(refused)));
  }
  TPartFile part(download.Target);
  if (!part.IsOpen()) {
    return Failed(WriteFailure(download.Target, errno));
  }
  int writeError = 0;
  int64_t received = 0;
  TFetchOptions& options = download.Options;
  options.StopFlag = download.Stop;
  options.MaxBodyBytes = static_cast<size_t>(std::numeric_limits<int64_t>::max());  // the disk is the limit
  options.MaxTransferMs = kMaxEnclosureTransferMs;
  options.BodySink = [&](std::string_view piece, int64_t announced) {
    if (!WriteAllToDescriptor(part.Descriptor(), piece)) {
      writeError = errno;
      return false;
    }
    received += static_cast<int64_t>(piece.size());
    if (download.Progress) {
      download.Progress(received, announced);
    }
    return true;
  };
  std::string unused;
  const TFetchResult fetched = FetchUrl(download.Url, unused, download.TimeoutMs, options);
  if (writeError != 0) {
    return Failed(WriteFailure(download.Target, writeError));
  }
  if (fetched.Status == TFetchStatus::Aborted) {
    return {.Ok = false, .Stopped = true, .Reason = {}};
  }
  if (!fetched.Ok() || fetched.HttpCode >= 400) {  // an error page is no file
    return Failed(FailureText(fetched.Ok() || fetched.Status == TFetchStatus::NotFound
                                  ? HttpFailureCode(fetched.HttpCode)
                                  : FetchFailureCode(fetched)));
  }
  if (fsync(part.Descriptor()) != 0 || !part.CloseFile() || !part.RenameTo(download.Target)) {
    return Failed(WriteFailure(download.Target, errno));
  }
  return {.Ok = true, .Stopped = false, .Reason = {}};
}

}  // namespace tidewick
