#include "util/http_fetch.h"

#include <chrono>
#include <cstring>
#include <exception>
#include <mutex>
#include <string_view>

#include "platform/version_info.h"
#include "util/curl_handle.h"
#include "util/http_fetch_errors.h"
#include "util/http_fetch_headers.h"

namespace tidewick {
namespace {

using TClock = std::chrono::steady_clock;

// Longest wait inside libcurl before the stop flag and the time limits are looked at again.
constexpr int kPollStepMs = 50;
// How much later than our own overall limit libcurl's fires.
constexpr long kTransferLimitMarginMs = 1000;

// State shared with libcurl's callbacks during one transfer.
struct TTransfer {
  CURL* Easy = nullptr;
  std::string* Content = nullptr;
  const std::function<bool(std::string_view, int64_t)>* Sink = nullptr;  // instead of Content when set
  size_t BodyBytes = 0;
  size_t MaxBodyBytes = kMaxBodyBytes;
  bool TooLarge = false;
  TClock::time_point LastByte;
  int64_t Received = 0;  // header bytes and (decoded) body bytes so far
  TResponseHeads Heads;
};

// Sizes the body once when the server says how long it is (within the limit), instead of growing it step by step,
// copying and touching fresh memory each time. A compressed body may still grow beyond it.
void ReserveAnnouncedLength(TTransfer& transfer) {
  curl_off_t length = -1;
  if (transfer.Easy != nullptr &&
      curl_easy_getinfo(transfer.Easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) == CURLE_OK && length > 0 &&
      static_cast<uint64_t>(length) <= transfer.MaxBodyBytes) {
    transfer.Content->reserve(static_cast<size_t>(length));
  }
}

size_t WriteBody(char* data, size_t size, size_t count, void* userData) {
  auto& transfer = *static_cast<TTransfer*>(userData);
  const size_t bytes = size * count;
  transfer.LastByte = TClock::now();
  transfer.Received += static_cast<int64_t>(bytes);
  if (bytes > transfer.MaxBodyBytes - transfer.BodyBytes) {
    transfer.TooLarge = true;
    return 0;  // makes libcurl end the transfer with a write error
  }
  transfer.BodyBytes += bytes;
  if (transfer.Sink != nullptr) {
    curl_off_t announced = -1;
    curl_easy_getinfo(transfer.Easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &announced);
    return (*transfer.Sink)(std::string_view(data, bytes), static_cast<int64_t>(announced)) ? bytes : 0;
  }
  if (transfer.Content->empty()) {
    ReserveAnnouncedLength(transfer);
  }
  transfer.Content->append(data, bytes);
  return bytes;
}

size_t ReadHeader(char* data, size_t size, size_t count, void* userData) {
  auto& transfer = *static_cast<TTransfer*>(userData);
  transfer.LastByte = TClock::now();
  transfer.Received += static_cast<int64_t>(size * count);
  transfer.Heads.Take(std::string_view(data, size * count));
  return size * count;
}

// The scheme of url in lower case ("https"), or empty when it names none.
std::string SchemeOf(std::string_view url) {
  const size_t colon = url.find("://");
  std::string scheme(colon == std::string_view::npos ? std::string_view{} : url.substr(0, colon));
  for (char& c : scheme) {
    if (c >= 'A' && c <= 'Z') {
      c = static_cast<char>(c - 'A' + 'a');
    }
  }
  return scheme;
}

bool IsFetchedScheme(const std::string& scheme) {
  return scheme == "http" || scheme == "https" || scheme == "ftp" || scheme == "file";
}

bool ApplyProxy(CURL* easy, const TProxy& proxy) {
  if (proxy.Mode == 1) {
    return curl_easy_setopt(easy, CURLOPT_PROXY, "") == CURLE_OK;  // ignores the proxy environment too
  }
  if (proxy.Mode == 2 && !proxy.Server.empty() && proxy.Port > 0 && proxy.Port < 65536) {
    const std::string address = proxy.Server + ":" + std::to_string(proxy.Port);
    if (curl_easy_setopt(easy, CURLOPT_PROXY, address.c_str()) == CURLE_OK) {
      return true;
    }
  }
  // Mode 0, and a proxy that cannot be set up: libcurl reads http_proxy, https_proxy, all_proxy and no_proxy.
  return true;
}

bool SetUpEasy(CURL* easy, const std::string& url, int timeoutMs, const TFetchOptions& options, TTransfer& transfer,
               const std::string& agent, curl_slist* headers) {
  bool ok = curl_easy_setopt(easy, CURLOPT_URL, url.c_str()) == CURLE_OK;
  const char* const protocols = options.WebOnly ? "http,https" : "http,https,ftp,file";
  ok = ok && curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, protocols) == CURLE_OK;
  ok = ok && curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, options.WebOnly ? "http,https" : "http,https,ftp") ==
                 CURLE_OK;
  ok = ok && curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L) == CURLE_OK;
  // A stopped transfer leaves a slow name lookup to finish on its own instead of waiting for it.
  ok = ok && curl_easy_setopt(easy, CURLOPT_QUICK_EXIT, 1L) == CURLE_OK;
  ok = ok && curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, options.Post ? 0L : 1L) == CURLE_OK;
  if (options.Post) {
    ok = ok && curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(options.PostBody.size())) ==
                   CURLE_OK;
    ok = ok && curl_easy_setopt(easy, CURLOPT_POSTFIELDS, options.PostBody.data()) == CURLE_OK;
  }
  ok = ok && curl_easy_setopt(easy, CURLOPT_MAXREDIRS, static_cast<long>(kMaxRedirects)) == CURLE_OK;
  ok = ok && curl_easy_setopt(easy, CURLOPT_ACCEPT_ENCODING, "") == CURLE_OK;  // every coding libcurl can decode
  ok = ok && curl_easy_setopt(easy, CURLOPT_USERAGENT, agent.c_str()) == CURLE_OK;
  ok = ok && curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers) == CURLE_OK;
  ok = ok && curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(timeoutMs)) == CURLE_OK;
  // The loop in Perform ends a transfer at MaxTransferMs and says why; libcurl's own limit is only a safety net.
  ok = ok && curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS,
                              static_cast<long>(options.MaxTransferMs) + kTransferLimitMarginMs) == CURLE_OK;
  ok = ok &&
       curl_easy_setopt(easy, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(options.MaxBodyBytes)) == CURLE_OK;
  ok = ok && curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &WriteBody) == CURLE_OK;
  ok = ok && curl_easy_setopt(easy, CURLOPT_WRITEDATA, &transfer) == CURLE_OK;
  ok = ok && curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &ReadHeader) == CURLE_OK;
  ok = ok && curl_easy_setopt(easy, CURLOPT_HEADERDATA, &transfer) == CURLE_OK;
  return ok && ApplyProxy(easy, options.Proxy);
}

TFetchResult Failure(TFetchStatus status, TFetchError error, std::string message) {
  TFetchResult result;
  result.Status = status;
  result.Error = error;
  result.Message = std::move(message);
  return result;
}

// Runs the transfer on a private multi handle so the stop flag and the receive time-out are looked at every
// kPollStepMs, whatever libcurl is waiting for.
TFetchResult Perform(CURL* easy, int timeoutMs, const TFetchOptions& options, TTransfer& transfer) {
  const auto started = TClock::now();
  const TCurlMulti multi(curl_multi_init());
  if (!multi) {
    return Failure(TFetchStatus::Failed, TFetchError::Other, "out of memory");
  }
  const TCurlMultiAttachment attachment(multi.get(), easy);
  if (!attachment.Attached()) {
    return Failure(TFetchStatus::Failed, TFetchError::Other, "out of memory");
  }
  transfer.LastByte = started;
  TLowSpeedWatch lowSpeed(options.LowSpeedBytesPerSecond, options.LowSpeedWindowMs);
  for (;;) {
    int stillRunning = 0;
    if (curl_multi_perform(multi.get(), &stillRunning) != CURLM_OK) {
      return Failure(TFetchStatus::Failed, TFetchError::Other, "transfer error");
    }
    if (stillRunning == 0) {
      break;
    }
    if (options.StopFlag != nullptr && options.StopFlag->load(std::memory_order_relaxed)) {
      return Failure(TFetchStatus::Aborted, TFetchError::Stopped, "stopped");
    }
    const auto now = TClock::now();
    if (now - transfer.LastByte > std::chrono::milliseconds(timeoutMs)) {
      return Failure(TFetchStatus::TimedOut, TFetchError::NoAnswer, "no data received within the time-out");
    }
    if (lowSpeed.TooSlow(transfer.Received, now)) {
      return Failure(TFetchStatus::TimedOut, TFetchError::TooSlow, "the server sends too slowly");
    }
    if (now - started > std::chrono::milliseconds(options.MaxTransferMs)) {
      return Failure(TFetchStatus::TimedOut, TFetchError::TookTooLong, "the transfer took too long");
    }
    curl_multi_poll(multi.get(), nullptr, 0, kPollStepMs, nullptr);
  }
  int queued = 0;
  const CURLMsg* message = curl_multi_info_read(multi.get(), &queued);
  const CURLcode code = message != nullptr && message->msg == CURLMSG_DONE ? message->data.result : CURLE_RECV_ERROR;
  TFetchResult result;
  curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &result.HttpCode);
  if (transfer.TooLarge || code == CURLE_FILESIZE_EXCEEDED) {
    return Failure(TFetchStatus::TooLarge, TFetchError::TooLarge, "the body is larger than the limit");
  }
  if (code != CURLE_OK) {
    const bool tookTooLong = TClock::now() - started >= std::chrono::milliseconds(options.MaxTransferMs);
    const TFetchError error = code == CURLE_OPERATION_TIMEDOUT && tookTooLong
                                  ? TFetchError::TookTooLong
                                  : FetchErrorOf(code, easy, result.HttpCode);
    TFetchStatus status = TFetchStatus::Failed;
    if (code == CURLE_OPERATION_TIMEDOUT) {
      status = TFetchStatus::TimedOut;
    } else if (error == TFetchError::RedirectRefused) {
      status = TFetchStatus::UnsupportedScheme;
    }
    return Failure(status, error, curl_easy_strerror(code));
  }
  result.Status = TFetchStatus::Ok;
  result.Error = TFetchError::None;
  return result;
}

bool AppendRequestHeaders(TCurlList& headers, const TFetchOptions& options) {
  bool ok = AppendCurlList(headers, "Cache-Control: no-cache") && AppendCurlList(headers, "Pragma: no-cache");
  // Only values that are safe inside a header line go out: a store edited by hand cannot add request lines.
  if (const std::string etag = CleanHeaderValue(options.IfNoneMatch); ok && !etag.empty()) {
    ok = AppendCurlList(headers, ("If-None-Match: " + etag).c_str());
  }
  if (const std::string date = CleanHeaderValue(options.IfModifiedSince); ok && !date.empty()) {
    ok = AppendCurlList(headers, ("If-Modified-Since: " + date).c_str());
  }
  if (const std::string type = CleanHeaderValue(options.PostContentType); ok && options.Post && !type.empty()) {
    ok = AppendCurlList(headers, ("Content-Type: " + type).c_str());
  }
  // The body goes at once: no wait for a "100 Continue" that many servers never send.
  return ok && (!options.Post || AppendCurlList(headers, "Expect:"));
}

// The facts of the final response and of the redirects before it; failures keep them too (a 304 is no failure, but
// a body cut short by the time limit still cost its bytes).
void TakeResponseFacts(CURL* easy, const std::string& url, const TTransfer& transfer, TFetchResult& result) {
  long headerBytes = 0;
  curl_off_t bodyBytes = 0;
  curl_easy_getinfo(easy, CURLINFO_HEADER_SIZE, &headerBytes);
  curl_easy_getinfo(easy, CURLINFO_SIZE_DOWNLOAD_T, &bodyBytes);
  result.BytesReceived = static_cast<int64_t>(headerBytes) + static_cast<int64_t>(bodyBytes);
  if (!result.Ok()) {
    return;
  }
  result.ETag = transfer.Heads.ETag;
  result.LastModified = transfer.Heads.LastModified;
  result.RetryAfter = transfer.Heads.RetryAfter;
  result.PermanentTarget = PermanentTarget(url, transfer.Heads.Redirects);
}

TFetchResult FetchUnguarded(const std::string& url, std::string& content, int timeoutMs, const TFetchOptions& options) {
  if (!IsFetchedScheme(SchemeOf(url))) {  // also refuses a URL without a scheme rather than guessing one
    return Failure(TFetchStatus::UnsupportedScheme, TFetchError::UnsupportedScheme,
                   "only http, https, ftp and file addresses are fetched");
  }
  if (!InitNetwork()) {
    return Failure(TFetchStatus::Failed, TFetchError::Other, "the network library could not be set up");
  }
  const TCurlEasy easy(curl_easy_init());
  TCurlList headers;
  if (!easy || !AppendRequestHeaders(headers, options)) {
    return Failure(TFetchStatus::Failed, TFetchError::Other, "out of memory");
  }
  TTransfer transfer;
  transfer.Easy = easy.get();
  transfer.Content = &content;
  transfer.Sink = options.BodySink ? &options.BodySink : nullptr;
  transfer.MaxBodyBytes = options.MaxBodyBytes;
  const std::string agent = options.Agent.empty() ? DefaultUserAgent() : options.Agent;
  if (!SetUpEasy(easy.get(), url, timeoutMs, options, transfer, agent, headers.get())) {
    return Failure(TFetchStatus::Failed, TFetchError::Other, "the transfer could not be set up");
  }
  TFetchResult result = Perform(easy.get(), timeoutMs, options, transfer);
  TakeResponseFacts(easy.get(), url, transfer, result);
  if (result.Status == TFetchStatus::TooLarge) {
    content.clear();
    content.shrink_to_fit();  // the partial body of a hostile server is not kept around
  }
  const std::string scheme = SchemeOf(url);
  if (result.Ok() && options.Post && result.HttpCode >= 300 && result.HttpCode < 400 && result.HttpCode != 304) {
    content.clear();
    return Failure(TFetchStatus::Failed, TFetchError::RedirectRefused, "a redirect of a POST request is not followed");
  }
  if (result.Ok() && result.HttpCode == 404 && (scheme == "http" || scheme == "https")) {
    content.clear();
    result.Status = TFetchStatus::NotFound;
    result.Error = TFetchError::HttpStatus;
    result.Message = "HTTP 404";
  }
  return result;
}

}  // namespace

bool InitNetwork() {
  static std::once_flag once;
  static bool ready = false;
  std::call_once(once, [] { ready = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK; });
  return ready;
}

std::string DefaultUserAgent() {
  return std::string(version_info::kProductName) + "/" + version_info::kProductVersion + " (" +
         version_info::kHomePage + ")";
}

TFetchResult FetchUrl(const std::string& url, std::string& content, int timeoutMs, const TFetchOptions& options) {
  content.clear();
  const int effectiveTimeout = timeoutMs < 1000 ? kDefaultTimeoutMs : timeoutMs;
  try {
    return FetchUnguarded(url, content, effectiveTimeout, options);
  } catch (const std::exception& error) {
    return Failure(TFetchStatus::Failed, TFetchError::Other, error.what());
  } catch (...) {
    return Failure(TFetchStatus::Failed, TFetchError::Other, "unexpected failure");
  }
}

bool DownloadUrl(const std::string& url, std::string& content, int timeoutMs, const TFetchOptions& options) {
  return FetchUrl(url, content, timeoutMs, options).Ok();
}

const char* FetchStatusName(TFetchStatus status) {
  switch (status) {
    case TFetchStatus::Ok:
      return "ok";
    case TFetchStatus::NotFound:
      return "not found (404)";
    case TFetchStatus::TimedOut:
      return "timed out";
    case TFetchStatus::TooLarge:
      return "body too large";
    case TFetchStatus::UnsupportedScheme:
      return "unsupported address scheme";
    case TFetchStatus::Aborted:
      return "stopped";
    case TFetchStatus::Failed:
      break;
  }
  return "failed";
}

}  // namespace tidewick
