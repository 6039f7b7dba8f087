#include "web/feed_discovery_url.h"

#include "util/case_fold.h"
#include "util/strings.h"
#include "util/url_reference.h"

namespace tidewick {
namespace {

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
  std::string normal = userinfo + LowerAscii(host);
  if (!port.empty())
    normal.append(":").append(port);
  return normal;
}

// An absolute http(s) address in its parts (scheme in lower case); nothing for anything else. Any number of slashes
// after the scheme name a host, as browsers read "http:/host" and "http:///host".
std::optional<TUrlParts> SplitWebAddress(std::string_view text) {
  const std::string scheme = LowerAscii(SplitUrl(text).Scheme);
  if (!IsWebScheme(scheme))
    return std::nullopt;
  std::string_view rest = text.substr(scheme.size() + 1);
  while (rest.starts_with('/'))
    rest.remove_prefix(1);
  TUrlParts parts = SplitUrl("//" + std::string(rest));
  parts.Scheme = scheme;
  return parts;
}

// A relative reference in its parts. Browsers read "///host" as "//host"; a colon in the first segment of a path
// ("http:a:b" on an http page) is no scheme.
TUrlParts SplitRelative(std::string_view reference) {
  if (reference.starts_with("//")) {
    while (reference.starts_with('/'))
      reference.remove_prefix(1);
    return SplitUrl("//" + std::string(reference));
  }
  const TUrlParts parts = SplitUrl(reference);
  return parts.Scheme.empty() ? parts : SplitUrl("./" + std::string(reference));
}

}  // namespace

std::optional<std::string> ResolveWebAddress(std::string_view reference, std::string_view base) {
  const std::string clean = CleanReference(reference);
  const std::optional<TUrlParts> baseParts = SplitWebAddress(CleanReference(base));
  const std::string scheme = LowerAscii(SplitUrl(clean).Scheme);
  std::optional<TUrlParts> target;
  if (scheme.empty()) {
    if (baseParts)
      target = ResolveReference(*baseParts, SplitRelative(clean));
  } else if (IsWebScheme(scheme)) {
    const std::string_view rest = std::string_view(clean).substr(scheme.size() + 1);
    // "http:page.xml" on an http page is relative, as in browsers.
    if (baseParts && scheme == baseParts->Scheme && !rest.starts_with('/'))
      target = ResolveReference(*baseParts, SplitRelative(rest));
    else
      target = SplitWebAddress(clean);
  }
  if (!target || !target->Authority)
    return std::nullopt;
  const std::optional<std::string> authority = NormalAuthority(*target->Authority);
  if (!authority)
    return std::nullopt;
  std::string address = target->Scheme + "://" + *authority +
                        PercentEncode(RemoveDotSegments(target->Path.empty() ? "/" : target->Path), "\"<>`{}");
  if (target->Query)
    address += '?' + PercentEncode(*target->Query, "\"<>'");
  return address;
}

}  // namespace tidewick
