// Feeds arbitrary pages to feed discovery and arbitrary references to the address resolution: nothing may crash or
// throw, every address found is a web address without blanks or control characters that resolves to itself, and
// every title is one line of valid UTF-8.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_check.h"
#include "util/utf8.h"
#include "web/feed_discovery.h"
#include "web/feed_discovery_url.h"

using tidewick::fuzz::Check;

namespace {

constexpr std::string_view kPage = "https://site.example/dir/page.html";

void CheckAddress(const std::string& address) {
  Check(address.starts_with("http://") || address.starts_with("https://"));
  for (const char c : address)
    Check(static_cast<unsigned char>(c) > 0x20 && c != 0x7F);
  Check(tidewick::ResolveWebAddress(address, kPage) == address);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tidewick;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::optional<std::string> resolved = ResolveWebAddress(text, kPage);
  if (resolved)
    CheckAddress(*resolved);
  const std::vector<TDiscoveredFeed> feeds = DiscoverFeeds(text, kPage);
  Check(feeds.size() <= kMaxDiscoveredFeeds);
  for (const TDiscoveredFeed& feed : feeds) {
    CheckAddress(feed.Address);
    Check(IsValidUtf8(feed.Title) && feed.Title.find_first_of("\t\r\n") == std::string::npos);
  }
  return 0;
}
