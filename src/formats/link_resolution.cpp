// Reference resolution for the links feeds carry.

#include "formats/link_resolution.h"

#include <string>
#include <string_view>
#include <vector>

#include "formats/reader_support.h"
#include "util/strings.h"
#include "xml/xml_node.h"

namespace tidewick {

namespace {

bool IsAsciiLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsSchemeCharacter(char c) {
  return IsAsciiLetter(c) || (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
}

// The length of the scheme before its ":", 0 when the text has none.
size_t SchemeLength(std::string_view link) {
  if (link.empty() || !IsAsciiLetter(link.front())) {
    return 0;
  }
  for (size_t i = 1; i < link.size(); ++i) {
    if (link[i] == ':') {
      return i;
    }
    if (!IsSchemeCharacter(link[i])) {
      return 0;
    }
  }
  return 0;
}

bool SchemeIs(std::string_view scheme, std::string_view lowerName) {
  if (scheme.size() != lowerName.size()) {
    return false;
  }
  for (size_t i = 0; i < scheme.size(); ++i) {
    const char c = scheme[i];
    if ((c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c) != lowerName[i]) {
      return false;
    }
  }
  return true;
}

// An absolute address in its parts; the fragment is dropped, as no base keeps it.
struct TUrlParts {
  std::string_view Scheme;
  std::string_view Authority;
  std::string_view Path;
  std::string_view Query;  // with its "?"
};

// The parts of an address with a scheme and an authority ("scheme://host..."); nothing when it has neither.
bool SplitAddress(std::string_view address, TUrlParts& parts) {
  const size_t schemeLength = SchemeLength(address);
  if (schemeLength == 0 || address.substr(schemeLength, 3) != "://") {
    return false;
  }
  parts.Scheme = address.substr(0, schemeLength);
  std::string_view rest = address.substr(schemeLength + 3);
  rest = rest.substr(0, rest.find('#'));
  const size_t authorityEnd = rest.find_first_of("/?");
  parts.Authority = rest.substr(0, authorityEnd);
  rest = authorityEnd == std::string_view::npos ? std::string_view{} : rest.substr(authorityEnd);
  const size_t queryStart = rest.find('?');
  parts.Path = rest.substr(0, queryStart);
  parts.Query = queryStart == std::string_view::npos ? std::string_view{} : rest.substr(queryStart);
  return !parts.Authority.empty();
}

void RemoveLastSegment(std::string& out) {
  const size_t slash = out.rfind('/');
  out.erase(slash == std::string::npos ? 0 : slash);
}

// RFC 3986, section 5.2.4.
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

}  // namespace

bool HasUrlScheme(std::string_view link) {
  return SchemeLength(link) != 0;
}

bool IsUsableBase(std::string_view address) {
  TUrlParts parts;
  return SplitAddress(address, parts) &&
         (SchemeIs(parts.Scheme, "http") || SchemeIs(parts.Scheme, "https") || SchemeIs(parts.Scheme, "ftp"));
}

bool IsWebAddress(std::string_view address) {
  TUrlParts parts;
  return SplitAddress(address, parts) && (SchemeIs(parts.Scheme, "http") || SchemeIs(parts.Scheme, "https"));
}

std::string ResolveLink(std::string_view base, std::string_view reference) {
  TUrlParts parts;
  if (reference.empty() || HasUrlScheme(reference) || !IsUsableBase(base) || !SplitAddress(base, parts)) {
    return std::string(reference);
  }
  std::string result(parts.Scheme);
  if (reference.starts_with("//")) {
    return result.append(":").append(reference);  // another host, same scheme
  }
  result.append("://").append(parts.Authority);
  const size_t pathEnd = reference.find_first_of("?#");
  const std::string_view referencePath = reference.substr(0, pathEnd);
  const std::string_view referenceRest =
      pathEnd == std::string_view::npos ? std::string_view{} : reference.substr(pathEnd);
  if (referencePath.empty()) {
    result.append(parts.Path);
    if (referenceRest.starts_with('#')) {
      result.append(parts.Query);
    }
  } else if (referencePath.starts_with('/')) {
    result.append(RemoveDotSegments(referencePath));
  } else {
    const size_t lastSlash = parts.Path.rfind('/');
    std::string merged =
        lastSlash == std::string_view::npos ? std::string("/") : std::string(parts.Path.substr(0, lastSlash + 1));
    merged.append(referencePath);
    result.append(RemoveDotSegments(merged));
  }
  return result.append(referenceRest);
}

std::string BaseAddressAt(const TXmlNode* node, std::string_view documentAddress) {
  std::vector<std::string_view> bases;  // innermost first
  for (; node != nullptr; node = node->Parent()) {
    const std::string_view base = TrimView(AttribValue(node, "xml:base"));
    if (!base.empty()) {
      bases.push_back(base);
    }
  }
  std::string result = IsUsableBase(documentAddress) ? std::string(documentAddress) : std::string();
  for (auto base = bases.rbegin(); base != bases.rend(); ++base) {
    std::string candidate = ResolveLink(result, *base);
    if (IsUsableBase(candidate)) {
      result = std::move(candidate);
    }
  }
  return result;
}

std::string ResolveLinkAt(const TXmlNode* node, std::string link, std::string_view documentAddress) {
  if (link.empty() || HasUrlScheme(link)) {
    return link;
  }
  const std::string base = BaseAddressAt(node, documentAddress);
  return base.empty() ? link : ResolveLink(base, link);
}

}  // namespace tidewick
