#include "util/http_fetch_headers.h"

#include <charconv>

#include "util/case_fold.h"
#include "util/url_reference.h"

namespace tidewick {
namespace {

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
    text.remove_prefix(1);
  }
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r' || text.back() == '\n')) {
    text.remove_suffix(1);
  }
  return text;
}

bool SameAsciiName(std::string_view name, std::string_view expected) {
  if (name.size() != expected.size()) {
    return false;
  }
  for (size_t i = 0; i < name.size(); ++i) {
    if (AsciiLower(name[i]) != AsciiLower(expected[i])) {
      return false;
    }
  }
  return true;
}

// The code of a status line "HTTP/1.1 304 Not Modified" ("HTTP/2 200" too); 0 when there is none.
long StatusOf(std::string_view line) {
  const size_t blank = line.find(' ');
  if (blank == std::string_view::npos) {
    return 0;
  }
  const std::string_view rest = line.substr(blank + 1);
  long code = 0;
  const auto [end, error] = std::from_chars(rest.data(), rest.data() + rest.size(), code);
  return error == std::errc() && end - rest.data() == 3 ? code : 0;
}

bool IsRedirect(long status) {
  return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// A Location that may become a stored address: printable ASCII without blanks, as libcurl sends it on.
bool IsPlainAddressText(std::string_view text) {
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte <= 0x20 || byte >= 0x7F) {
      return false;
    }
  }
  return !text.empty();
}

}  // namespace

std::string CleanHeaderValue(std::string_view value) {
  value = TrimBlanks(value);
  if (value.size() > kMaxHeaderValueBytes) {
    return {};
  }
  for (const char c : value) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte > 0x7E) {
      return {};
    }
  }
  return std::string(value);
}

void TResponseHeads::Take(std::string_view line) {
  if (line.starts_with("HTTP/")) {
    FinalStatus = StatusOf(TrimBlanks(line));
    ETag.clear();
    LastModified.clear();
    RetryAfter.clear();
    m_location.clear();
    return;
  }
  if (TrimBlanks(line).empty()) {  // the end of one response head
    if (IsRedirect(FinalStatus) && !m_location.empty()) {
      Redirects.push_back({FinalStatus, m_location});
    }
    m_location.clear();
    return;
  }
  const size_t colon = line.find(':');
  if (colon == std::string_view::npos) {
    return;
  }
  const std::string_view name = TrimBlanks(line.substr(0, colon));
  const std::string_view value = line.substr(colon + 1);
  if (SameAsciiName(name, "ETag")) {
    ETag = CleanHeaderValue(value);
  } else if (SameAsciiName(name, "Last-Modified")) {
    LastModified = CleanHeaderValue(value);
  } else if (SameAsciiName(name, "Retry-After")) {
    RetryAfter = CleanHeaderValue(value);
  } else if (SameAsciiName(name, "Location")) {
    m_location = std::string(TrimBlanks(value));
  }
}

bool IsPermanentRedirect(long status) {
  return status == 301 || status == 308;
}

std::string ResolveLocation(const std::string& base, const std::string& location) {
  const TUrlParts baseParts = SplitUrl(base);
  if (!IsFetchableUrl(baseParts) || !IsPlainAddressText(location)) {
    return {};
  }
  TUrlParts target = ResolveReference(baseParts, SplitUrl(location));
  if (!IsFetchableUrl(target)) {
    return {};
  }
  target.Scheme = LowerAscii(target.Scheme);
  if (target.Path.empty()) {
    target.Path.push_back('/');
  }
  return JoinUrl(target);
}

std::string PermanentTarget(const std::string& url, const std::vector<TRedirectHop>& redirects) {
  std::string target;
  std::string current = url;
  for (const TRedirectHop& hop : redirects) {
    if (!IsPermanentRedirect(hop.Status)) {
      break;
    }
    current = ResolveLocation(current, hop.Location);
    if (current.empty()) {
      return {};
    }
    target = current;
  }
  return target;
}

}  // namespace tidewick
