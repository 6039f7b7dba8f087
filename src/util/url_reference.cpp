#include "util/url_reference.h"

#include "util/case_fold.h"

namespace tidewick {
namespace {

bool IsAsciiLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsSchemeCharacter(char c) {
  return IsAsciiLetter(c) || (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
}

// The length of the scheme in front of the first ":", 0 when the text does not begin with one.
size_t SchemeLength(std::string_view text) {
  if (text.empty() || !IsAsciiLetter(text.front())) {
    return 0;
  }
  for (size_t i = 1; i < text.size(); ++i) {
    if (text[i] == ':') {
      return i;
    }
    if (!IsSchemeCharacter(text[i])) {
      return 0;
    }
  }
  return 0;
}

// Cuts what follows separator off text and returns it; nothing when text holds no separator.
std::optional<std::string> CutAfter(std::string_view& text, char separator) {
  const size_t at = text.find(separator);
  if (at == std::string_view::npos) {
    return std::nullopt;
  }
  std::string after(text.substr(at + 1));
  text = text.substr(0, at);
  return after;
}

void RemoveLastSegment(std::string& out) {
  const size_t slash = out.rfind('/');
  out.erase(slash == std::string::npos ? 0 : slash);
}

// The base's folder (up to its last "/") followed by the reference's path (RFC 3986, section 5.2.3).
std::string MergePaths(const TUrlParts& base, std::string_view relative) {
  std::string merged;
  if (base.Authority && base.Path.empty()) {
    merged = "/";
  } else if (const size_t lastSlash = base.Path.rfind('/'); lastSlash != std::string::npos) {
    merged = base.Path.substr(0, lastSlash + 1);
  }
  merged += relative;
  return merged;
}

}  // namespace

bool HasUrlScheme(std::string_view text) {
  return SchemeLength(text) != 0;
}

TUrlParts SplitUrl(std::string_view text) {
  TUrlParts parts;
  if (const size_t schemeLength = SchemeLength(text); schemeLength != 0) {
    parts.Scheme = std::string(text.substr(0, schemeLength));
    text.remove_prefix(schemeLength + 1);
  }
  parts.Fragment = CutAfter(text, '#');
  parts.Query = CutAfter(text, '?');
  if (text.starts_with("//")) {
    const size_t authorityEnd = text.find('/', 2);
    parts.Authority =
        std::string(text.substr(2, authorityEnd == std::string_view::npos ? authorityEnd : authorityEnd - 2));
    text = authorityEnd == std::string_view::npos ? std::string_view() : text.substr(authorityEnd);
  }
  parts.Path = std::string(text);
  return parts;
}

std::string JoinUrl(const TUrlParts& parts) {
  std::string out;
  if (!parts.Scheme.empty()) {
    out += parts.Scheme + ':';
  }
  if (parts.Authority) {
    out += "//" + *parts.Authority;
  }
  out += parts.Path;
  if (parts.Query) {
    out += '?' + *parts.Query;
  }
  if (parts.Fragment) {
    out += '#' + *parts.Fragment;
  }
  return out;
}

bool IsFetchableUrl(const TUrlParts& parts) {
  const std::string_view scheme = parts.Scheme;
  return parts.Authority && !parts.Authority->empty() &&
         (SameAsciiIgnoringCase(scheme, "http") || SameAsciiIgnoringCase(scheme, "https") ||
          SameAsciiIgnoringCase(scheme, "ftp"));
}

std::string RemoveDotSegments(std::string_view in) {
  std::string out;
  out.reserve(in.size());
  while (!in.empty()) {
    if (in.starts_with("../")) {
      in.remove_prefix(3);
    } else if (in.starts_with("./") || in.starts_with("/./")) {
      in.remove_prefix(2);
    } else if (in == "/.") {
      in = "/";
    } else if (in.starts_with("/../")) {
      in.remove_prefix(3);
      RemoveLastSegment(out);
    } else if (in == "/..") {
      in = "/";
      RemoveLastSegment(out);
    } else if (in == "." || in == "..") {
      in = {};
    } else {
      const size_t end = in.find('/', 1);
      out.append(in.substr(0, end));
      in = end == std::string_view::npos ? std::string_view{} : in.substr(end);
    }
  }
  return out;
}

TUrlParts ResolveReference(const TUrlParts& base, const TUrlParts& reference) {
  TUrlParts target;
  target.Fragment = reference.Fragment;
  if (!reference.Scheme.empty()) {
    target = reference;
    target.Path = RemoveDotSegments(reference.Path);
    return target;
  }
  target.Scheme = base.Scheme;
  if (reference.Authority) {
    target.Authority = reference.Authority;
    target.Path = RemoveDotSegments(reference.Path);
    target.Query = reference.Query;
    return target;
  }
  target.Authority = base.Authority;
  if (reference.Path.empty()) {
    target.Path = base.Path;
    target.Query = reference.Query ? reference.Query : base.Query;
  } else {
    target.Path =
        RemoveDotSegments(reference.Path.starts_with('/') ? reference.Path : MergePaths(base, reference.Path));
    target.Query = reference.Query;
  }
  return target;
}

}  // namespace tidewick
