#include "shell/feed_discovery_url.h"

#include <vector>

#include "util/case_fold.h"
#include "util/strings.h"

namespace tidewick {
namespace {

struct TWebAddress {
  std::string Scheme;     // "http" or "https"
  std::string Authority;  // as written: [userinfo@]host[:port]
  std::string Path;       // may be empty or relative until resolved
  std::optional<std::string> Query;
};

bool IsSchemeChar(char c, bool first) {
  const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
  return letter || (!first && ((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.'));
}

// The scheme in front of the first ':', lower-cased; empty when the text does not begin with one.
std::string SchemeOf(std::string_view text) {
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == ':')
      return i == 0 ? std::string() : LowerAscii(text.substr(0, i));
    if (!IsSchemeChar(text[i], i == 0))
      return {};
  }
  return {};
}

bool IsWebScheme(std::string_view scheme) {
  return scheme == "http" || scheme == "https";
}

// Browsers drop tabs and line breaks anywhere in an address and the fragment at its end; before the query, a
// backslash is a slash.
std::string CleanReference(std::string_view reference) {
  std::string clean;
  bool inQuery = false;
  for (const char c : TrimView(reference)) {
    if (c == '\t' || c == '\n' || c == '\r')
      continue;
    if (c == '#')
      break;
    inQuery = inQuery || c == '?';
    clean += (c == '\\' && !inQuery) ? '/' : c;
  }
  return clean;
}

// Splits "host:port/path?query" (after the "//") into the parts of `address`.
void SplitAfterSlashes(std::string_view rest, TWebAddress& address) {
  const size_t authorityEnd = rest.find_first_of("/?");
  address.Authority = std::string(rest.substr(0, authorityEnd));
  rest = authorityEnd == std::string_view::npos ? std::string_view() : rest.substr(authorityEnd);
  const size_t queryStart = rest.find('?');
  address.Path = std::string(rest.substr(0, queryStart));
  if (queryStart != std::string_view::npos)
    address.Query = std::string(rest.substr(queryStart + 1));
}

std::string RemoveDotSegments(std::string_view path) {
  std::vector<std::string_view> kept;
  const std::vector<std::string_view> segments = [&] {
    std::vector<std::string_view> parts;
    size_t start = 1;  // after the leading '/'
    while (true) {
      const size_t end = path.find('/', start);
      parts.push_back(path.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
      if (end == std::string_view::npos)
        return parts;
      start = end + 1;
    }
  }();
  for (size_t i = 0; i < segments.size(); ++i) {
    const std::string_view segment = segments[i];
    const bool last = i + 1 == segments.size();
    if (segment == "." || segment == "..") {
      if (segment == ".." && !kept.empty())
        kept.pop_back();
      if (last)
        kept.emplace_back();  // "a/.." names the folder: keep its trailing slash
      continue;
    }
    kept.push_back(segment);
  }
  std::string out;
  for (const std::string_view segment : kept) {
    out += '/';
    out += segment;
  }
  return out.empty() ? "/" : out;
}

// The base's folder (up to its last '/') followed by the relative path.
std::string MergePaths(const TWebAddress& base, std::string_view relative) {
  const size_t lastSlash = base.Path.rfind('/');
  const std::string folder = lastSlash == std::string::npos ? "/" : base.Path.substr(0, lastSlash + 1);
  return folder + std::string(relative);
}

std::string PercentEncode(std::string_view text, std::string_view alsoEncoded) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte <= 0x20 || byte >= 0x7F || alsoEncoded.find(c) != std::string_view::npos) {
      out += '%';
      out += kHex[byte >> 4];
      out += kHex[byte & 0x0F];
    } else {
      out += c;
    }
  }
  return out;
}

bool IsForbiddenHostChar(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte <= 0x20 || byte == 0x7F || std::string_view("#%/:<>?@[\\]^|\"`{}").find(c) != std::string_view::npos;
}

// "[userinfo@]host[:port]" checked and put in normal form (lower-case host, no empty port); nothing when broken.
std::optional<std::string> NormalAuthority(std::string_view authority) {
  std::string userinfo;
  const size_t at = authority.rfind('@');
  if (at != std::string_view::npos) {
    userinfo = PercentEncode(authority.substr(0, at), "\"<>`{}@/") + '@';
    authority = authority.substr(at + 1);
  }
  std::string_view host = authority;
  std::string_view port;
  if (authority.starts_with('[')) {
    const size_t close = authority.find(']');
    if (close == std::string_view::npos ||
        authority.substr(1, close - 1).find_first_not_of("0123456789abcdefABCDEF:.") != std::string_view::npos)
      return std::nullopt;
    host = authority.substr(0, close + 1);
    const std::string_view after = authority.substr(close + 1);
    if (!after.empty() && after[0] != ':')
      return std::nullopt;
    port = after.empty() ? after : after.substr(1);
  } else {
    const size_t colon = authority.find(':');
    if (colon != std::string_view::npos) {
      host = authority.substr(0, colon);
      port = authority.substr(colon + 1);
    }
    for (const char c : host) {
      if (IsForbiddenHostChar(c))
        return std::nullopt;
    }
  }
  if (host.empty() || host == "[]" || port.size() > 5 ||
      port.find_first_not_of("0123456789") != std::string_view::npos ||
      (!port.empty() && std::stoi(std::string(port)) > 65535))
    return std::nullopt;
  return userinfo + LowerAscii(host) + (port.empty() ? "" : ":" + std::string(port));
}

// An absolute http(s) address split into its parts; nothing for anything else.
std::optional<TWebAddress> ParseAbsolute(std::string_view text) {
  TWebAddress address;
  address.Scheme = SchemeOf(text);
  if (!IsWebScheme(address.Scheme))
    return std::nullopt;
  std::string_view rest = text.substr(address.Scheme.size() + 1);
  while (rest.starts_with('/'))
    rest.remove_prefix(1);  // "http:/host" and "http:///host" name a host, as browsers read them
  SplitAfterSlashes(rest, address);
  return address;
}

// RFC 3986 resolution of a reference without a scheme (or with the base's own scheme) against `base`.
TWebAddress ResolveRelative(std::string_view reference, const TWebAddress& base) {
  TWebAddress target;
  target.Scheme = base.Scheme;
  if (reference.starts_with("//")) {
    while (reference.starts_with('/'))
      reference.remove_prefix(1);
    SplitAfterSlashes(reference, target);
    return target;
  }
  target.Authority = base.Authority;
  const size_t queryStart = reference.find('?');
  const std::string_view path = reference.substr(0, queryStart);
  if (queryStart != std::string_view::npos)
    target.Query = std::string(reference.substr(queryStart + 1));
  if (path.empty()) {
    target.Path = base.Path;
    if (!target.Query)
      target.Query = base.Query;
  } else if (path.starts_with('/')) {
    target.Path = std::string(path);
  } else {
    target.Path = MergePaths(base, path);
  }
  return target;
}

}  // namespace

std::optional<std::string> ResolveWebAddress(std::string_view reference, std::string_view base) {
  const std::string clean = CleanReference(reference);
  const std::optional<TWebAddress> baseAddress = ParseAbsolute(CleanReference(base));
  const std::string scheme = SchemeOf(clean);
  std::optional<TWebAddress> target;
  if (scheme.empty()) {
    if (baseAddress)
      target = ResolveRelative(clean, *baseAddress);
  } else if (IsWebScheme(scheme)) {
    const std::string_view rest = std::string_view(clean).substr(scheme.size() + 1);
    // "http:page.xml" on an http page is relative, as in browsers.
    if (baseAddress && scheme == baseAddress->Scheme && !rest.starts_with('/'))
      target = ResolveRelative(rest, *baseAddress);
    else
      target = ParseAbsolute(clean);
  }
  if (!target)
    return std::nullopt;
  const std::optional<std::string> authority = NormalAuthority(target->Authority);
  if (!authority)
    return std::nullopt;
  std::string address = target->Scheme + "://" + *authority +
                        PercentEncode(RemoveDotSegments(target->Path.empty() ? "/" : target->Path), "\"<>`{}");
  if (target->Query)
    address += '?' + PercentEncode(*target->Query, "\"<>'");
  return address;
}

}  // namespace tidewick
