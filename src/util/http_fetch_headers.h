#pragma once

// What a fetch learns from the response heads it receives: the validators and Retry-After of the final answer, and
// the chain of redirects that led to it. Server text is hostile: a header value is kept only when it is short
// printable ASCII, so it can go back into a request line and into the store unchanged.

#include <string>
#include <string_view>
#include <vector>

namespace tidewick {

// Longest header value kept; longer ones are dropped rather than cut (a cut validator never matches).
inline constexpr size_t kMaxHeaderValueBytes = 512;

struct TRedirectHop {
  long Status = 0;       // 301, 302, 303, 307, 308
  std::string Location;  // as sent (may be relative)
};

struct TResponseHeads {
  long FinalStatus = 0;
  std::string ETag;          // of the final response
  std::string LastModified;  // of the final response
  std::string RetryAfter;    // of the final response
  std::vector<TRedirectHop> Redirects;

  // One header line as libcurl hands it over ("HTTP/1.1 301 Moved", "ETag: \"x\"", "\r\n").
  void Take(std::string_view line);

 private:
  std::string m_location;  // of the response being read
};

// The value trimmed of blanks, or empty when it holds a control character or a byte above 0x7E, or is too long.
std::string CleanHeaderValue(std::string_view value);

// True for 301 and 308, the redirects that say the address has moved for good.
bool IsPermanentRedirect(long status);

// Resolves location against base ("/b" against "http://h/a" gives "http://h/b"), with the scheme in lower case and
// "/" for an empty path. Empty unless both lead to an http, https or ftp address with a host (the redirects a fetch
// follows) and location is printable ASCII without blanks, so a hostile Location never becomes a stored address.
std::string ResolveLocation(const std::string& base, const std::string& location);

// Where the leading run of permanent redirects from url leads, or empty when the first redirect (if any) is a
// temporary one: a feed's address may follow only redirects that all say "moved for good".
std::string PermanentTarget(const std::string& url, const std::vector<TRedirectHop>& redirects);

}  // namespace tidewick
