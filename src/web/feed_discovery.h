#pragma once

// Feed discovery: the feeds a web page names in its <link rel="alternate"> elements, for a user who typed a site's
// address instead of its feed's. The page is hostile input; only http and https addresses come out.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tidewick {

struct TDiscoveredFeed {
  std::string Address;  // absolute http or https address
  std::string Title;    // the link's title, on one line; may be empty
};

// Only the start of a page is read: feed links sit in its head, within its first few hundred tags, and the parser
// must never hold a huge or absurdly nested page (its time grows with the square of the nesting depth: 3,000 nested
// elements take a fifth of a second, 20,000 take ten seconds).
inline constexpr size_t kMaxDiscoveryPageBytes = size_t{2} * 1024 * 1024;
inline constexpr size_t kMaxDiscoveryTags = 3000;
// More feeds than anyone would choose from are dropped, and titles are cut to this many characters.
inline constexpr size_t kMaxDiscoveredFeeds = 100;
inline constexpr size_t kMaxDiscoveredTitleChars = 200;

// The RSS, Atom and RDF feeds `page` names, in document order without repeats: <link> elements whose rel holds
// "alternate" and whose type is a feed type, their href resolved against the page's <base href> (when it is a web
// address) or else `pageAddress`; a link back to the page itself is left out. The page's bytes are read in the charset
// its start declares, else as UTF-8 with stray bytes read as Windows-1252.
std::vector<TDiscoveredFeed> DiscoverFeeds(std::string_view page, std::string_view pageAddress);

}  // namespace tidewick
