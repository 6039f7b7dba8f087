#pragma once

// The blocking HTTP fetch: one libcurl transfer per call, nothing shared between calls, safe on any thread.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "util/proxy.h"

namespace tidewick {

// A body larger than this is a failure, never memory exhaustion.
inline constexpr size_t kMaxBodyBytes = size_t{64} * 1024 * 1024;
// A whole transfer may take at most this long, so a server that drips bytes cannot hold a slot for ever; long
// enough for a large feed over a slow link.
inline constexpr int kMaxTransferMs = 5 * 60 * 1000;
// A transfer that receives fewer than kLowSpeedBytesPerSecond on average over kLowSpeedWindowMs ends as too slow: a
// server dripping a byte now and then never trips the receive time-out, and would hold its feed (and a command-line
// refresh with the store's lock) for the whole kMaxTransferMs.
inline constexpr int kLowSpeedBytesPerSecond = 64;
inline constexpr int kLowSpeedWindowMs = 30 * 1000;
// The receive time-out used when a caller passes less than one second.
inline constexpr int kDefaultTimeoutMs = 10000;
// Redirects followed before a transfer fails.
inline constexpr int kMaxRedirects = 10;

// How a fetch goes out. The defaults are those of a fresh settings file.
struct TFetchOptions {
  TProxy Proxy;
  std::string Agent;                                     // user agent; empty gives DefaultUserAgent()
  const std::atomic<bool>* StopFlag = nullptr;           // when it turns true the transfer is aborted (within ~0.1 s)
  size_t MaxBodyBytes = kMaxBodyBytes;                   // smaller limits serve tests
  int MaxTransferMs = kMaxTransferMs;                    // smaller limits serve tests
  int LowSpeedBytesPerSecond = kLowSpeedBytesPerSecond;  // 0 turns the low-speed limit off
  int LowSpeedWindowMs = kLowSpeedWindowMs;              // a shorter window serves tests
  // Validators of the copy the caller holds, sent as If-None-Match and If-Modified-Since when not empty (a value
  // that could not stand in a header line is not sent). A server that finds them current answers 304, no body.
  std::string IfNoneMatch;
  std::string IfModifiedSince;
  // When set, the body goes here piece by piece instead of into content (MaxBodyBytes still counts), with the length
  // the server announced (-1 when it gave none); false ends the transfer as failed. Large files go to disk this way.
  std::function<bool(std::string_view piece, int64_t announced)> BodySink;
  // Only http and https, for the address and every redirect (pictures of a page: never a file or FTP).
  bool WebOnly = false;
  // A POST of PostBody (with PostContentType when not empty) instead of a GET. A redirect of a POST fails with
  // RedirectRefused rather than being followed: libcurl would either turn it into a GET that silently drops the
  // body, or re-send the body (a login's password) to wherever the server pointed.
  bool Post = false;
  std::string PostBody;
  std::string PostContentType;
};

enum class TFetchStatus {
  Ok,                 // the body was read to its end
  NotFound,           // HTTP 404: content stays empty
  TimedOut,           // no byte for the receive time-out, too slow for the low-speed window, or too long in all
  TooLarge,           // the body passed the size limit
  UnsupportedScheme,  // not http, https, ftp or file
  Aborted,            // the stop flag was raised
  Failed,             // anything else (resolution, connection, TLS, redirect loop, read error...)
};

// Why a fetch failed, finer than TFetchStatus: what the user is told (in words of the update layer).
enum class TFetchError {
  None,
  HttpStatus,         // the server answered with an error status (404, the only status that fails here)
  HostNotFound,       // the server's name does not resolve
  ProxyNotFound,      // the proxy's name does not resolve
  ConnectionRefused,  // nothing listens at the address
  NotReachable,       // no connection for another reason (network or host unreachable)
  ConnectionBroken,   // the connection broke off, or closed before any answer
  NoAnswer,           // nothing arrived within the receive time-out (the connect included)
  TooSlow,            // under the low-speed limit for the whole low-speed window
  TookTooLong,        // the whole transfer passed MaxTransferMs
  TooLarge,           // the body passed MaxBodyBytes
  UnsupportedScheme,  // an address that is not fetched
  RedirectRefused,    // a redirect to an address that is not fetched (a local file...)
  TooManyRedirects,
  Tls,          // the secure connection failed (certificate, handshake)
  BadAnswer,    // no readable HTTP answer (an HTTP/0.9 reply, a header line over libcurl's limit...)
  FileMissing,  // a file or FTP address that names nothing
  Stopped,
  Other,
};

struct TFetchResult {
  TFetchStatus Status = TFetchStatus::Failed;
  TFetchError Error = TFetchError::Other;  // None exactly when Status is Ok
  long HttpCode = 0;                       // 0 for schemes without a status (file)
  std::string Message;  // a short reason for failures, in English, for logs (libcurl's text where it has one)
  // From the final response (empty when absent or unusable): the validators for the next request and Retry-After.
  std::string ETag;
  std::string LastModified;
  std::string RetryAfter;
  // Where the leading run of permanent redirects (301, 308) led, when the first redirect was one; empty otherwise.
  std::string PermanentTarget;
  int64_t BytesReceived = 0;  // response heads and bodies as they came over the wire

  bool Ok() const { return Status == TFetchStatus::Ok; }
};

// Sets up the network library once per process (curl_global_init). Call early at start-up, before any thread runs;
// later calls do nothing. The fetch calls it too, as a safety net.
bool InitNetwork();

// "Tidewick/<version> (<home page>)".
std::string DefaultUserAgent();

// Fetches url into content (emptied first). timeoutMs is the receive time-out and also the connect time-out; below
// 1000 it counts as kDefaultTimeoutMs. Redirects are followed, compressed bodies decoded, caches bypassed. A 404
// gives NotFound with empty content; every other status gives its body (an error page is content like any other;
// a 304 is Ok with an empty body). Never throws.
TFetchResult FetchUrl(const std::string& url, std::string& content, int timeoutMs, const TFetchOptions& options = {});

// FetchUrl reduced to success or failure.
bool DownloadUrl(const std::string& url, std::string& content, int timeoutMs, const TFetchOptions& options = {});

// A short English name for a status ("timed out", "not found"...), for log lines of the command-line tool.
const char* FetchStatusName(TFetchStatus status);

}  // namespace tidewick
