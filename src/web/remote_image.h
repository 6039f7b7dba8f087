#pragma once

// Which images of an entry's page may be fetched from the network. Only http and https addresses with a host are
// ever asked for; tracking pixels (an image one pixel or less on a side, or one served by a known tracker) never
// are, so opening an entry tells nobody that it was read.

#include <optional>
#include <string_view>

namespace tidewick {

enum class TRemoteImageVerdict {
  Fetch,      // an ordinary picture on the web
  NotRemote,  // not an http or https address with a host (file:, data:, relative...), or too long
  Tracker,    // a tracking pixel: never requested
};

// Longest image address requested.
inline constexpr size_t kMaxRemoteImageAddress = 2048;

// width and height are the image's own size attributes in pixels, when the page gives them.
TRemoteImageVerdict JudgeRemoteImage(std::string_view address, std::optional<double> width,
                                     std::optional<double> height);

// Whether host (as written in an address, any letter case) is one of the shipped tracker hosts or below one.
bool IsTrackerHost(std::string_view host);

}  // namespace tidewick
