#pragma once

// Addresses taken apart and relative references completed by the rules of RFC 3986. The rules here are the plain
// ones; which bases a caller accepts, which results it refuses and how it tidies them are the caller's own.

#include <optional>
#include <string>
#include <string_view>

namespace tidewick {

// An address or a relative reference in its five parts, each as written (no case or escape is changed).
struct TUrlParts {
  std::string Scheme;                    // without its ":"; empty in a relative reference
  std::optional<std::string> Authority;  // what follows "//"
  std::string Path;
  std::optional<std::string> Query;     // without its "?"
  std::optional<std::string> Fragment;  // without its "#"

  friend bool operator==(const TUrlParts&, const TUrlParts&) = default;
};

// Whether text begins with a scheme ("https:", "mailto:", "tag:"), so no base changes it.
bool HasUrlScheme(std::string_view text);

// The parts of text (RFC 3986, appendix B). Any text splits: what does not begin with a scheme is a relative reference.
TUrlParts SplitUrl(std::string_view text);

// The parts joined again (RFC 3986, section 5.3).
std::string JoinUrl(const TUrlParts& parts);

// Whether parts name an http, https or ftp address (scheme in any letter case) with a host: the only addresses that
// are fetched, followed or completed against.
bool IsFetchableUrl(const TUrlParts& parts);

// "." and ".." segments of path worked out, never climbing above the root (RFC 3986, section 5.2.4).
std::string RemoveDotSegments(std::string_view path);

// reference completed against base (RFC 3986, section 5.2.2, strict: a reference with a scheme keeps it): a
// reference without a scheme takes the base's scheme, "//host" keeps its own host, a path is merged with the base's
// folder, a query or fragment alone keeps the base's path. Dot segments are removed from every path taken from the
// reference.
TUrlParts ResolveReference(const TUrlParts& base, const TUrlParts& reference);

}  // namespace tidewick
