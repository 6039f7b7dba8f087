#include "web/image_cache.h"

#include <algorithm>
#include <array>

namespace tidewick {
namespace {

constexpr std::string_view kRecordMagic = "TidewickImage1\n";

// FNV-1a over text from a given start value: two starts give 128 bits, plenty for a cache that also checks the
// address inside each file.
uint64_t Fnv1a(std::string_view text, uint64_t hash) {
  for (const char c : text) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 0x100000001b3ULL;
  }
  return hash;
}

void AppendHex(std::string& out, uint64_t value) {
  constexpr std::string_view kDigits = "0123456789abcdef";
  for (int shift = 60; shift >= 0; shift -= 4) {
    out += kDigits[(value >> shift) & 0xF];
  }
}

}  // namespace

std::string ImageCacheFileName(std::string_view address) {
  std::string name;
  AppendHex(name, Fnv1a(address, 0xcbf29ce484222325ULL));
  AppendHex(name, Fnv1a(address, 0x84222325cbf29ce4ULL));
  return name + ".img";
}

std::string ImageCacheRecord(std::string_view address, std::string_view image) {
  std::string record;
  record.reserve(kRecordMagic.size() + address.size() + 1 + image.size());
  record.append(kRecordMagic).append(address).append(1, '\n').append(image);
  return record;
}

std::optional<std::string_view> ImageCacheImage(std::string_view record, std::string_view address) {
  if (!record.starts_with(kRecordMagic)) {
    return std::nullopt;
  }
  record.remove_prefix(kRecordMagic.size());
  if (!record.starts_with(address) || record.size() <= address.size() || record[address.size()] != '\n') {
    return std::nullopt;
  }
  record.remove_prefix(address.size() + 1);
  if (record.empty()) {
    return std::nullopt;
  }
  return record;
}

std::vector<std::string> ImageCacheFilesToRemove(std::vector<TImageCacheFile> files, int64_t nowSeconds,
                                                 uint64_t maxBytes, int64_t maxAgeSeconds) {
  std::sort(files.begin(), files.end(), [](const TImageCacheFile& a, const TImageCacheFile& b) {
    return a.ModifiedSeconds != b.ModifiedSeconds ? a.ModifiedSeconds > b.ModifiedSeconds : a.Name < b.Name;
  });
  std::vector<std::string> removed;
  uint64_t kept = 0;
  bool full = false;
  for (TImageCacheFile& file : files) {  // newest first: the newest that fit stay, everything older goes
    full = full || kept + file.Bytes > maxBytes;
    if (full || nowSeconds - file.ModifiedSeconds > maxAgeSeconds) {
      removed.push_back(std::move(file.Name));
    } else {
      kept += file.Bytes;
    }
  }
  std::reverse(removed.begin(), removed.end());  // oldest first
  return removed;
}

}  // namespace tidewick
