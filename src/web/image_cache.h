#pragma once

// The bookkeeping of the disk cache of remote images: a file per address, named by a hash of it, that names its
// address again inside (a hash collision or a stray file then reads as a miss), and the clean-up that keeps the
// folder within its size and age.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tidewick {

// The folder holds at most this much, and nothing older than this.
inline constexpr uint64_t kImageCacheMaxBytes = uint64_t{200} * 1024 * 1024;
inline constexpr int64_t kImageCacheMaxAgeSeconds = int64_t{30} * 24 * 60 * 60;

// "<32 hex digits>.img" for address.
std::string ImageCacheFileName(std::string_view address);

// The file's content for address's image bytes.
std::string ImageCacheRecord(std::string_view address, std::string_view image);
// The image bytes of a file's content when it is a record of address; nullopt for anything else (a corrupt file).
std::optional<std::string_view> ImageCacheImage(std::string_view record, std::string_view address);

struct TImageCacheFile {
  std::string Name;
  uint64_t Bytes = 0;
  int64_t ModifiedSeconds = 0;  // since the epoch
};

// The files to remove: every one older than maxAgeSeconds, then the oldest until the rest fit in maxBytes.
std::vector<std::string> ImageCacheFilesToRemove(std::vector<TImageCacheFile> files, int64_t nowSeconds,
                                                 uint64_t maxBytes = kImageCacheMaxBytes,
                                                 int64_t maxAgeSeconds = kImageCacheMaxAgeSeconds);

}  // namespace tidewick
