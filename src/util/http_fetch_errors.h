#pragma once

// The fetch's judgement of a transfer that goes wrong: why libcurl gave up, in the user's terms, and whether a
// transfer is too slow to go on.

#include <chrono>
#include <cstdint>
#include <curl/curl.h>

#include "util/http_fetch.h"

namespace tidewick {

// libcurl's result in the user's terms (never None). Some of its own texts mislead here: it calls a header line over
// its limit "out of memory" and an HTTP/0.9 reply an "unsupported protocol"; both are answers that cannot be read.
// httpCode is the last status seen (a redirect's, when a redirect was refused).
TFetchError FetchErrorOf(CURLcode code, CURL* easy, long httpCode);

// The low-speed limit: windows of windowMs from the first byte on, each of which must bring bytesPerSecond on
// average. The wait for the first byte is the receive time-out's. A limit or window of 0 turns it off.
class TLowSpeedWatch {
 public:
  using TClock = std::chrono::steady_clock;

  TLowSpeedWatch(int bytesPerSecond, int windowMs);

  // Called while the transfer runs, with the bytes received so far: true when a window that just closed brought too
  // few of them.
  bool TooSlow(int64_t received, TClock::time_point now);

 private:
  const int64_t m_minimumBytes;
  const std::chrono::milliseconds m_window;
  bool m_started = false;
  TClock::time_point m_windowStart;
  int64_t m_windowBytes = 0;
};

}  // namespace tidewick
