#pragma once

// Helpers shared by the XML reader, writer and attribute lists; not part of the public interface.

#include <array>
#include <cstdint>
#include <string_view>

namespace tidewick {
class TXmlDoc;
class TXmlNode;
}  // namespace tidewick

namespace tidewick::xml_internal {

enum : uint8_t {
  kBlank = 1,       // a byte the reader trims: every byte up to code 32
  kSeparator = 2,   // blank, tab, carriage return, line feed: ends a name or an unquoted value
  kFoldNeeded = 4,  // an upper-case ASCII letter or a byte of a non-ASCII character
};

constexpr std::array<uint8_t, 256> MakeCharClasses() {
  std::array<uint8_t, 256> table{};
  for (int c = 0; c <= 32; ++c) {
    table[c] |= kBlank;
  }
  for (const char c : {' ', '\t', '\r', '\n'}) {
    table[static_cast<unsigned char>(c)] |= kSeparator;
  }
  for (int c = 'A'; c <= 'Z'; ++c) {
    table[c] |= kFoldNeeded;
  }
  for (int c = 0x80; c < 0x100; ++c) {
    table[c] |= kFoldNeeded;
  }
  return table;
}

inline constexpr std::array<uint8_t, 256> kCharClasses = MakeCharClasses();

inline bool HasClass(char c, uint8_t mask) {
  return (kCharClasses[static_cast<unsigned char>(c)] & mask) != 0;
}

// Removes leading and trailing bytes up to code 32.
inline std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && HasClass(text.front(), kBlank)) {
    text.remove_prefix(1);
  }
  while (!text.empty() && HasClass(text.back(), kBlank)) {
    text.remove_suffix(1);
  }
  return text;
}

// Splits attribute text of the form `name="value" name2='value' name3=value` and calls take(name, rawValue) for each
// pair, values not yet decoded. Returns the number of pairs.
template <typename TTake>
int ParseAttributeText(std::string_view text, TTake&& take) {
  int count = 0;
  while (!text.empty()) {
    const std::size_t equals = text.find('=');
    if (equals == std::string_view::npos) {
      break;
    }
    const std::string_view name = TrimBlanks(text.substr(0, equals));
    text.remove_prefix(equals + 1);
    std::string_view value;
    if (!text.empty() && (text.front() == '"' || text.front() == '\'')) {
      const char quote = text.front();
      text.remove_prefix(1);
      const std::size_t close = text.find(quote);
      if (close != std::string_view::npos) {
        value = text.substr(0, close);
        text.remove_prefix(close + 1);
      }
    } else if (!text.empty()) {
      std::size_t end = 0;
      while (end < text.size() && !HasClass(text[end], kSeparator)) {
        ++end;
      }
      value = text.substr(0, end);
      text.remove_prefix(end < text.size() ? end + 1 : end);
    }
    take(name, value);
    ++count;
  }
  return count;
}

// Case-insensitive name equality without allocating for ASCII names.
bool SameXmlName(std::string_view a, std::string_view b);

// The folded key of `name`, kept by the document behind its 32-bit size; nullptr when folding changes nothing.
const char* StoreFoldedKey(TXmlDoc& doc, std::string_view name);

// The size of a text as a node stores it; throws std::length_error beyond 4 GiB.
uint32_t TextSize(std::string_view text);

// The position of the last Items() answer of one child list, so that loops over the indexes stay linear.
struct TNodeCursor {
  const void* List = nullptr;
  int Index = -1;
  TXmlNode* Node = nullptr;
};

}  // namespace tidewick::xml_internal
