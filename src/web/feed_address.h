#pragma once

// Feed addresses as users and browsers hand them to us: from the command line, a second start, the clipboard or
// the address field of the feed dialog.

#include <optional>
#include <string>
#include <string_view>

namespace tidewick {

// Removes a leading "feed://" (any letter case), or the "feed:" in front of "feed:https://..." and
// "feed:http://...", which browsers send for feed links.
std::string StripFeedScheme(std::string_view address);

// The address taken from a command line, a hand-over or the clipboard: the trimmed text without its feed scheme,
// when it had a feed scheme, contains "://" or begins with "www." or "http" (ignoring case), and names a web address
// once completed (IsSafeWebAddress). A local file is never subscribed this way.
std::optional<std::string> AcceptFeedAddress(std::string_view text);

// The address field's normal form: without its feed scheme, and with "http://" in front when it names no scheme.
std::string NormalizeFeedAddress(std::string_view address);

// What two addresses of one feed have in common, to find a feed already subscribed: the normal form above, trimmed,
// with the scheme and host in lower case, without a default port, an empty path's "/" or a fragment. Path and query
// are kept as they are (servers may tell their letter case apart); http and https stay two addresses.
std::string FeedAddressKey(std::string_view address);

// Only web addresses are fetched by the feed dialog and the command-line tool (IsSafeWebAddress, after trimming). Local
// files and other schemes are refused, so a pasted "file://" address can never read the disk.
bool IsFetchableFeedAddress(std::string_view address);

}  // namespace tidewick
