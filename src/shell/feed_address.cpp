#include "shell/feed_address.h"

#include "util/case_fold.h"
#include "util/strings.h"

namespace tidewick {
namespace {

bool StartsWith(std::string_view lower, std::string_view prefix) {
  return lower.substr(0, prefix.size()) == prefix;
}

}  // namespace

std::string StripFeedScheme(std::string_view address) {
  const std::string lower = LowerAscii(address.substr(0, 13));
  if (StartsWith(lower, "feed://"))
    return std::string(address.substr(7));
  if (StartsWith(lower, "feed:http://") || StartsWith(lower, "feed:https://"))
    return std::string(address.substr(5));
  return std::string(address);
}

std::optional<std::string> AcceptFeedAddress(std::string_view text) {
  const std::string_view trimmed = TrimView(text);
  std::string address = StripFeedScheme(trimmed);
  const bool hadFeedScheme = address.size() != trimmed.size();
  const std::string lower = LowerAscii(address);
  if (lower.empty() || StartsWith(lower, "file:") || StartsWith(lower, "/") || StartsWith(lower, "~")) {
    return std::nullopt;
  }
  // A feed link names a feed even without a scheme of its own ("feed://example.org/rss").
  if (hadFeedScheme || lower.find("://") != std::string::npos || StartsWith(lower, "www.") ||
      StartsWith(lower, "http")) {
    return address;
  }
  return std::nullopt;
}

std::string NormalizeFeedAddress(std::string_view address) {
  std::string normal = StripFeedScheme(address);
  if (normal.find("://") == std::string::npos)
    normal.insert(0, "http://");
  return normal;
}

}  // namespace tidewick
