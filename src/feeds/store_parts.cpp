#include "feeds/store_parts.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <future>
#include <iterator>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "feeds/store_builder_internal.h"
#include "feeds/store_file_source.h"

namespace tidewick {

namespace {

using store_internal::TFrameStack;
using store_internal::TStoreBuilder;

// How far from its planned place a cut may move to find a feed's start.
constexpr size_t kCutSearch = size_t{1} << 20;

// The offset of the first line from from on that starts a feed ("<Feed" and digits after blanks), or 0 when none
// is near. A guess: the reading of the part before proves it.
uint64_t FeedStartFrom(int fd, uint64_t from, uint64_t size) {
  constexpr std::string_view kStart = "\n<Feed";
  std::string window(std::min<uint64_t>(kCutSearch, size - from), '\0');
  ssize_t got = 0;
  do {
    got = ::pread(fd, window.data(), window.size(), static_cast<off_t>(from));
  } while (got < 0 && errno == EINTR);
  const std::string_view text(window.data(), static_cast<size_t>(std::max<ssize_t>(got, 0)));
  for (size_t line = text.find('\n'); line != std::string_view::npos; line = text.find('\n', line + 1)) {
    size_t pos = line + 1;
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) {
      ++pos;
    }
    if (text.substr(pos, kStart.size() - 1) != kStart.substr(1)) {
      continue;
    }
    size_t end = pos + kStart.size() - 1;
    while (end < text.size() && text[end] >= '0' && text[end] <= '9') {
      ++end;
    }
    if (end > pos + kStart.size() - 1 && end < text.size() && (text[end] == '>' || text[end] == ' ')) {
      return from + pos;
    }
  }
  return 0;
}

struct TPart {
  uint64_t From = 0;
  uint64_t To = 0;
  TStoreReadResult Result;
  bool Sound = false;
};

void ReadPart(int fd, size_t pieceSize, const TFrameStack& around, bool first, bool last, TPart& part) {
  TStoreFileSource source(fd, pieceSize, part.From, part.To);
  TTagScanner scanner([&source](std::string& buffer) { return source.Append(buffer); });
  TStoreBuilder builder(part.Result, false);
  const bool read = builder.ReadSoundPart(scanner, around, first, last).empty();
  source.ReadRest();
  part.Sound = read && !source.SawZeroByte() && !source.SawInvalidUtf8() && source.ReadError() == 0;
}

}  // namespace

std::optional<TStoreReadResult> ReadStoreInParts(int fd, uint64_t size, size_t pieceSize, size_t parts) {
  // What the part after the first starts inside: the elements open at the feed list's start tag.
  TStoreReadResult headResult;
  TStoreBuilder head(headResult, false);
  TStoreFileSource headSource(fd, pieceSize, 0, std::min<uint64_t>(size, kCutSearch));
  TTagScanner headScanner([&headSource](std::string& buffer) { return headSource.Append(buffer); });
  if (!head.ReadSoundHead(headScanner)) {
    return std::nullopt;
  }
  std::vector<TPart> cut(1);
  for (size_t n = 1; n < parts; ++n) {
    const uint64_t start = FeedStartFrom(fd, std::max(size / parts * n, cut.back().From + 1), size);
    if (start > cut.back().From) {
      cut.back().To = start;
      cut.emplace_back().From = start;
    }
  }
  cut.back().To = size;
  if (cut.size() < 2) {
    return std::nullopt;
  }
  const TFrameStack& around = head.OpenElements();
  std::vector<std::future<void>> others;
  for (size_t n = 1; n < cut.size(); ++n) {
    others.push_back(std::async(std::launch::async,
                                [&, n] { ReadPart(fd, pieceSize, around, false, n + 1 == cut.size(), cut[n]); }));
  }
  ReadPart(fd, pieceSize, around, true, false, cut[0]);
  for (std::future<void>& other : others) {
    other.get();
  }
  if (!std::all_of(cut.begin(), cut.end(), [](const TPart& part) { return part.Sound; })) {
    return std::nullopt;
  }
  TStoreReadResult result = std::move(cut[0].Result);
  size_t feeds = 0;
  for (const TPart& part : cut) {
    feeds += part.Result.Feeds.size();
  }
  result.Feeds.reserve(feeds);
  for (size_t n = 1; n < cut.size(); ++n) {
    std::move(cut[n].Result.Feeds.begin(), cut[n].Result.Feeds.end(), std::back_inserter(result.Feeds));
    for (const std::string& element : cut[n].Result.StoreUnknown.Elements()) {
      result.StoreUnknown.AddElement(element);
    }
  }
  result.Opened = true;
  result.Complete = true;
  return result;
}

}  // namespace tidewick
