#pragma once

// Saves an entry's file where the user chose: downloaded with the feeds' fetch (its receive time-out and low-speed
// limit, but no size limit and a long overall one), written to a temporary file beside the target and renamed over it
// only when the whole file arrived, so the chosen name never holds half a file.

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "util/http_fetch.h"

namespace tidewick {

// Longest a saved file may take: a large video over a slow link; the user can cancel at any time.
inline constexpr int kMaxEnclosureTransferMs = 12 * 60 * 60 * 1000;

struct TEnclosureDownload {
  std::string Url;        // http or https only
  std::string Target;     // the file to create or replace
  int TimeoutMs = 0;      // the feeds' receive time-out
  TFetchOptions Options;  // proxy and agent as for feeds; the limits are set here
  const std::atomic<bool>* Stop = nullptr;
  // Bytes written so far and the length the server announced (-1 when unknown); called on the downloading thread.
  std::function<void(int64_t received, int64_t total)> Progress;
};

struct TEnclosureDownloadResult {
  bool Ok = false;
  bool Stopped = false;  // cancelled: no file was left behind, nothing to report
  std::string Reason;    // why it failed, in the user's language (plain text)
};

// Blocks until the file is saved, failed or stopped; the temporary file is removed in every case but success.
TEnclosureDownloadResult DownloadEnclosure(TEnclosureDownload download);

}  // namespace tidewick
