#include "web/remote_image.h"

#include <array>
#include <string>

#include "util/url_reference.h"
#include "web/web_address.h"

namespace tidewick {
namespace {

// Hosts that serve nothing but counting pixels in feeds (and every host below them).
constexpr std::array<std::string_view, 14> kTrackerHosts = {"feeds.feedburner.com",
                                                            "feedproxy.google.com",
                                                            "pixel.wp.com",
                                                            "stats.wordpress.com",
                                                            "google-analytics.com",
                                                            "doubleclick.net",
                                                            "scorecardresearch.com",
                                                            "pixel.quantserve.com",
                                                            "pixel.facebook.com",
                                                            "feeds.feedblitz.com",
                                                            "pi.feedsportal.com",
                                                            "da.feedsportal.com",
                                                            "count.ly",
                                                            "analytics.twitter.com"};

std::string LowerHost(std::string_view authority) {
  if (const size_t at = authority.rfind('@'); at != std::string_view::npos) {
    authority.remove_prefix(at + 1);
  }
  if (!authority.empty() && authority.front() != '[') {
    authority = authority.substr(0, authority.find(':'));
  }
  std::string host(authority);
  for (char& c : host) {
    if (c >= 'A' && c <= 'Z') {
      c = static_cast<char>(c - 'A' + 'a');
    }
  }
  while (!host.empty() && host.back() == '.') {
    host.pop_back();
  }
  return host;
}

bool IsPixelSide(std::optional<double> side) {
  return side && *side <= 1;
}

}  // namespace

bool IsTrackerHost(std::string_view host) {
  const std::string lower = LowerHost(host);
  const std::string_view name(lower);
  for (const std::string_view tracker : kTrackerHosts) {
    if (name == tracker ||
        (name.size() > tracker.size() && name.ends_with(tracker) && name[name.size() - tracker.size() - 1] == '.')) {
      return true;
    }
  }
  return false;
}

TRemoteImageVerdict JudgeRemoteImage(std::string_view address, std::optional<double> width,
                                     std::optional<double> height) {
  if (address.size() > kMaxRemoteImageAddress || HasControlCharacter(address)) {
    return TRemoteImageVerdict::NotRemote;
  }
  const TUrlParts parts = SplitUrl(address);
  const std::optional<std::string> scheme = AddressScheme(address);
  if (!scheme || (*scheme != "http" && *scheme != "https") || !parts.Authority || LowerHost(*parts.Authority).empty()) {
    return TRemoteImageVerdict::NotRemote;
  }
  if (IsPixelSide(width) || IsPixelSide(height) || IsTrackerHost(*parts.Authority)) {
    return TRemoteImageVerdict::Tracker;
  }
  return TRemoteImageVerdict::Fetch;
}

}  // namespace tidewick
