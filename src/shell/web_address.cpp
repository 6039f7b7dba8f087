#include "shell/web_address.h"

#include "util/case_fold.h"

namespace tidewick {
namespace {

bool IsAsciiLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsSchemeChar(char c) {
  return IsAsciiLetter(c) || (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
}

}  // namespace

std::optional<std::string> AddressScheme(std::string_view text) {
  if (text.empty() || !IsAsciiLetter(text[0])) {
    return std::nullopt;
  }
  size_t end = 1;
  while (end < text.size() && IsSchemeChar(text[end])) {
    ++end;
  }
  if (end < 2 || end >= text.size() || text[end] != ':') {
    return std::nullopt;
  }
  return LowerAscii(text.substr(0, end));
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
  const std::optional<std::string> scheme = AddressScheme(address);
  if (!scheme || (*scheme != "http" && *scheme != "https" && *scheme != "ftp") || HasControlCharacter(address)) {
    return false;
  }
  const std::string_view rest = address.substr(scheme->size() + 1);
  return rest.starts_with("//") && !rest.substr(2, rest.find_first_of("/?#", 2) - 2).empty();
}

}  // namespace tidewick
