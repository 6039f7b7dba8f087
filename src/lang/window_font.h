#pragma once

// The font every window sets before it applies its texts, taken from the language file so that a translation can
// pick a face and character set that can show its script.

#include <cstdint>
#include <string>
#include <string_view>

namespace tidewick {

// Windows font character set number for a name ("ANSI" 0, "DEFAULT" 1, "GREEK" 161...): the name is trimmed and
// upper-cased; any name not in the table gives 1 (DEFAULT).
std::uint8_t CharsetFromName(std::string_view name);

// A font size in points from its text: a whole number (blanks around it allowed) greater than zero, else 8.
int FontSizeFromText(std::string_view text);

struct TWindowFont {
  std::string Name = "Tahoma";
  int Size = 8;
  std::uint8_t Charset = 1;
};

// Face "Font|Name" (default "Tahoma"), size "Font|Size" (default 8), character set "Font|Charset" (default
// "DEFAULT") of the current language.
TWindowFont GetWindowFont();

}  // namespace tidewick
