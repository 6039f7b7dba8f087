#include "web/web_address.h"

#include "util/case_fold.h"
#include "util/url_reference.h"

namespace tidewick {

std::optional<std::string> AddressScheme(std::string_view text) {
  const std::string scheme = SplitUrl(text).Scheme;
  if (scheme.size() < 2) {
    return std::nullopt;
  }
  return LowerAscii(scheme);
}

bool HasControlCharacter(std::string_view text) {
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) {
      return true;
    }
  }
  return false;
}

bool IsSafeWebAddress(std::string_view address) {
  return !HasControlCharacter(address) && IsFetchableUrl(SplitUrl(address));
}

}  // namespace tidewick
