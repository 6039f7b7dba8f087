#include "web/web_address.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "support/table_file.h"
#include "web/feed_address.h"
#include "web/image_cache.h"
#include "web/remote_image.h"

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

// Which images of an entry's page may be requested: only http and https, never a tracking pixel.
TEST(WebAddress, RemoteImagesAreJudgedAsTheTableSays) {
  test::CheckTableFile("web/remote_images.tsv", 3, [](const std::vector<std::string>& in) -> std::string {
    const auto side = [](const std::string& text) {
      return text.empty() ? std::nullopt : std::optional(std::stod(text));
    };
    switch (JudgeRemoteImage(in[0], side(in[1]), side(in[2]))) {
      case TRemoteImageVerdict::Fetch:
        return "fetch";
      case TRemoteImageVerdict::Tracker:
        return "tracker";
      default:
        return "not remote";
    }
  });
}

TEST(WebAddress, ImageCacheReadsOnlyItsOwnRecordsAndStaysWithinSizeAndAge) {
  const std::string address = "https://img.example.org/a.png";
  EXPECT_EQ(ImageCacheFileName(address).size(), 36U);
  EXPECT_NE(ImageCacheFileName(address), ImageCacheFileName(address + "?"));
  const std::string record = ImageCacheRecord(address, "PNGDATA");
  EXPECT_EQ(ImageCacheImage(record, address).value_or("(none)"), "PNGDATA");
  for (const std::string& bad :
       {record.substr(1), ImageCacheRecord(address + "x", "PNGDATA"), ImageCacheRecord(address, ""), std::string()}) {
    EXPECT_FALSE(ImageCacheImage(bad, address)) << bad;
  }
  const std::vector<TImageCacheFile> files = {
      {"new", 40, 1000}, {"old", 10, 100}, {"mid", 30, 500}, {"ancient", 1, 1}, {"big-older", 50, 400}};
  // By size: newest first until one does not fit, then that and everything older; by age: over 900 s.
  EXPECT_EQ(ImageCacheFilesToRemove(files, 1000, 100, 10000),
            (std::vector<std::string>{"ancient", "old", "big-older"}));
  EXPECT_EQ(ImageCacheFilesToRemove(files, 1000, 1000, 900), (std::vector<std::string>{"ancient"}));
}

}  // namespace
}  // namespace tidewick
