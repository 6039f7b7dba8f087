#pragma once

// Web addresses found in a page, completed the way browsers complete them, for feed discovery. Page markup is
// hostile input: only http and https addresses with a host ever come out.

#include <optional>
#include <string>
#include <string_view>

namespace tidewick {

// `reference` (an href as written in a page) resolved against `base` (an absolute http or https address): relative
// paths, "../" steps, "//host/..." and "?query" forms as browsers read them. Tabs and line breaks inside the
// reference are dropped, backslashes count as slashes, scheme and host are lower-cased, the fragment is dropped, and
// spaces, quotes, angle brackets and non-ASCII bytes of path and query are percent-encoded. Nothing when the result
// would not be an http or https address with a host (javascript:, data:, file:, a broken host or port...).
std::optional<std::string> ResolveWebAddress(std::string_view reference, std::string_view base);

}  // namespace tidewick
