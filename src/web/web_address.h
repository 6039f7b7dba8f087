#pragma once

// The rules every address filter shares: what a scheme is, which characters never belong in an address, and which
// addresses may ever be fetched or handed to a browser. Feed lists, clipboards, browsers and entries all hand us
// hostile text; these are the checks they cannot talk their way past.

#include <optional>
#include <string>
#include <string_view>

namespace tidewick {

// The lower-case scheme in front of the first ":", when the text begins with one (two characters at least, so a
// drive letter is no scheme).
std::optional<std::string> AddressScheme(std::string_view text);

// Any byte below 0x20, or DEL: a line break in an address could smuggle in a second header or a second address.
bool HasControlCharacter(std::string_view text);

// An http, https or ftp address (any letter case) with a host after "//" and no control character anywhere. It
// begins with its scheme, so it can never begin with "-" and be read as a program option.
bool IsSafeWebAddress(std::string_view address);

}  // namespace tidewick
