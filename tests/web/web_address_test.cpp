#include "web/web_address.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "support/table_file.h"
#include "web/feed_address.h"

namespace tidewick {
namespace {

// What browsers and users hand over, the address field, and the rule every address filter (clipboard and hand-over,
// OPML import, the feed dialog, entry links) shares.
TEST(WebAddress, AcceptsNormalizesAndFiltersAddressesAsTheTableSays) {
  test::CheckTableFile("web/web_addresses.tsv", 2, [](const std::vector<std::string>& in) -> std::string {
    const std::string& text = in[1];
    if (in[0] == "accept") {
      return AcceptFeedAddress(text).value_or("(refused)");
    }
    if (in[0] == "normalize") {
      return NormalizeFeedAddress(text);
    }
    if (in[0] == "key") {
      return FeedAddressKey(text);
    }
    if (in[0] == "safe") {
      return IsSafeWebAddress(text) ? "true" : "false";
    }
    return AddressScheme(text).value_or("(none)");
  });
}

}  // namespace
}  // namespace tidewick
