#include "util/http_fetch_errors.h"

#include <cerrno>

namespace tidewick {
namespace {

bool IsTlsFailure(CURLcode code) {
  switch (code) {
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ENGINE_NOTFOUND:
    case CURLE_SSL_ENGINE_SETFAILED:
    case CURLE_SSL_ENGINE_INITFAILED:
    case CURLE_SSL_SHUTDOWN_FAILED:
    case CURLE_SSL_CRL_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
    case CURLE_SSL_INVALIDCERTSTATUS:
    case CURLE_SSL_CLIENTCERT:
    case CURLE_USE_SSL_FAILED:
      return true;
    default:
      return false;
  }
}

}  // namespace

TFetchError FetchErrorOf(CURLcode code, CURL* easy, long httpCode) {
  if (IsTlsFailure(code)) {
    return TFetchError::Tls;
  }
  switch (code) {
    case CURLE_COULDNT_RESOLVE_HOST:
      return TFetchError::HostNotFound;
    case CURLE_COULDNT_RESOLVE_PROXY:
      return TFetchError::ProxyNotFound;
    case CURLE_COULDNT_CONNECT: {
      long osError = 0;
      curl_easy_getinfo(easy, CURLINFO_OS_ERRNO, &osError);
      return osError == ECONNREFUSED ? TFetchError::ConnectionRefused : TFetchError::NotReachable;
    }
    case CURLE_OPERATION_TIMEDOUT:
      return TFetchError::NoAnswer;
    case CURLE_TOO_MANY_REDIRECTS:
      return TFetchError::TooManyRedirects;
    case CURLE_UNSUPPORTED_PROTOCOL:
      return httpCode >= 300 && httpCode < 400 ? TFetchError::RedirectRefused : TFetchError::BadAnswer;
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_OUT_OF_MEMORY:
    case CURLE_BAD_CONTENT_ENCODING:
    case CURLE_HTTP2:
    case CURLE_HTTP2_STREAM:
    case CURLE_HTTP3:
      return TFetchError::BadAnswer;
    case CURLE_GOT_NOTHING:
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
    case CURLE_PARTIAL_FILE:
      return TFetchError::ConnectionBroken;
    case CURLE_FILE_COULDNT_READ_FILE:
    case CURLE_REMOTE_FILE_NOT_FOUND:
      return TFetchError::FileMissing;
    default:
      return TFetchError::Other;
  }
}

TLowSpeedWatch::TLowSpeedWatch(int bytesPerSecond, int windowMs)
    : m_minimumBytes(static_cast<int64_t>(bytesPerSecond) * windowMs / 1000), m_window(windowMs) {}

bool TLowSpeedWatch::TooSlow(int64_t received, TClock::time_point now) {
  if (m_minimumBytes <= 0 || m_window.count() <= 0 || received == 0) {
    return false;
  }
  if (!m_started) {
    m_started = true;
    m_windowStart = now;
    m_windowBytes = received;
    return false;
  }
  if (now - m_windowStart < m_window) {
    return false;
  }
  const bool slow = received - m_windowBytes < m_minimumBytes;
  m_windowStart = now;
  m_windowBytes = received;
  return slow;
}

}  // namespace tidewick
