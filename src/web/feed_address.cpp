#include "web/feed_address.h"

#include <algorithm>
#include <utility>

#include "util/case_fold.h"
#include "util/strings.h"
#include "web/web_address.h"

namespace tidewick {

std::string StripFeedScheme(std::string_view address) {
  const std::string lower = LowerAscii(address.substr(0, 13));
  if (lower.starts_with("feed://"))
    return std::string(address.substr(7));
  if (lower.starts_with("feed:http://") || lower.starts_with("feed:https://"))
    return std::string(address.substr(5));
  return std::string(address);
}

std::optional<std::string> AcceptFeedAddress(std::string_view text) {
  const std::string_view trimmed = TrimView(text);
  std::string address = StripFeedScheme(trimmed);
  const bool hadFeedScheme = address.size() != trimmed.size();
  const std::string lower = LowerAscii(address);
  // A feed link names a feed even without a scheme of its own ("feed://example.org/rss").
  const bool namesFeed =
      hadFeedScheme || lower.find("://") != std::string::npos || lower.starts_with("www.") || lower.starts_with("http");
  // Local files, other schemes and broken text are never subscribed, whoever hands them over; the address must be
  // one the dialog can fetch once it has completed it.
  if (!namesFeed || lower.starts_with('~') || !IsSafeWebAddress(NormalizeFeedAddress(address))) {
    return std::nullopt;
  }
  return address;
}

std::string NormalizeFeedAddress(std::string_view address) {
  std::string normal = StripFeedScheme(address);
  if (normal.find("://") == std::string::npos)
    normal.insert(0, "http://");
  return normal;
}

std::string FeedAddressKey(std::string_view address) {
  std::string key = NormalizeFeedAddress(TrimView(address));
  key = key.substr(0, key.find('#'));
  const size_t hostStart = key.find("://") + 3;  // NormalizeFeedAddress always gives one
  const size_t pathStart = std::min(key.find_first_of("/?", hostStart), key.size());
  std::string host = LowerAscii(std::string_view(key).substr(0, pathStart));
  const std::pair<std::string_view, std::string_view> defaultPorts[] = {{"http://", ":80"}, {"https://", ":443"}};
  for (const auto& [scheme, port] : defaultPorts) {
    if (host.starts_with(scheme) && host.ends_with(port)) {
      host.resize(host.size() - port.size());
    }
  }
  std::string rest = key.substr(pathStart);
  if (rest == "/") {
    rest.clear();
  }
  return host + rest;
}

bool IsFetchableFeedAddress(std::string_view address) {
  return IsSafeWebAddress(TrimView(address));
}

}  // namespace tidewick
