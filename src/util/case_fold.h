#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tidewick {

// Whether every byte is below 0x80 (then the ASCII fast paths apply).
inline bool IsAscii(std::string_view text) {
  for (const char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) {
      return false;
    }
  }
  return true;
}

// Unicode case folding of UTF-8 text ("Straße" and "STRASSE" fold alike); plain ASCII takes a fast path.
std::string FoldCase(std::string_view utf8);

// Equality ignoring letter case, for every script.
bool SameTextIgnoringCase(std::string_view a, std::string_view b);

// Whether needle occurs in haystack, ignoring letter case; an empty needle never matches.
bool ContainsIgnoringCase(std::string_view haystack, std::string_view needle);

// ASCII lower case of one byte; bytes of 0x80 and above are returned unchanged.
inline char AsciiLower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// ASCII lower case of a text (keywords, zone and month names); other bytes are kept.
std::string LowerAscii(std::string_view text);

// Equality ignoring ASCII letter case only (encoding names, keywords).
bool SameAsciiIgnoringCase(std::string_view a, std::string_view b);

// Whether `text` at `pos` starts with the lower-case ASCII `lowerPrefix`, ignoring ASCII letter case (markup names).
inline bool StartsWithAsciiIgnoringCase(std::string_view text, std::size_t pos, std::string_view lowerPrefix) {
  if (pos > text.size() || text.size() - pos < lowerPrefix.size()) {
    return false;
  }
  for (std::size_t i = 0; i < lowerPrefix.size(); ++i) {
    if (AsciiLower(text[pos + i]) != lowerPrefix[i]) {
      return false;
    }
  }
  return true;
}

}  // namespace tidewick
