#include "lang/window_font.h"

#include <array>
#include <charconv>
#include <utility>

#include "lang/lang_text.h"
#include "util/strings.h"

namespace tidewick {

namespace {

constexpr int kDefaultFontSize = 8;
constexpr std::uint8_t kDefaultCharset = 1;

constexpr std::array<std::pair<std::string_view, std::uint8_t>, 19> kCharsets{{
    {"ANSI", 0},      {"DEFAULT", 1},      {"SYMBOL", 2},       {"MAC", 77},          {"SHIFTJIS", 128},
    {"HANGEUL", 129}, {"JOHAB", 130},      {"GB2312", 134},     {"CHINESEBIG5", 136}, {"GREEK", 161},
    {"TURKISH", 162}, {"VIETNAMESE", 163}, {"HEBREW", 177},     {"ARABIC", 178},      {"BALTIC", 186},
    {"RUSSIAN", 204}, {"THAI", 222},       {"EASTEUROPE", 238}, {"OEM", 255},
}};

}  // namespace

std::uint8_t CharsetFromName(std::string_view name) {
  const std::string_view trimmed = TrimView(name);
  std::string upper(trimmed);
  for (char& c : upper) {
    if (c >= 'a' && c <= 'z') {
      c = static_cast<char>(c - 'a' + 'A');
    }
  }
  for (const auto& [charsetName, value] : kCharsets) {
    if (upper == charsetName) {
      return value;
    }
  }
  return kDefaultCharset;
}

int FontSizeFromText(std::string_view text) {
  const std::string_view trimmed = TrimView(text);
  std::string_view digits = trimmed;
  if (!digits.empty() && digits.front() == '+') {
    digits.remove_prefix(1);  // from_chars takes "-" but not "+"
  }
  int size = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), size);
  if (digits.empty() || error != std::errc{} || end != digits.data() + digits.size() || size <= 0) {
    return kDefaultFontSize;
  }
  return size;
}

TWindowFont GetWindowFont() {
  TWindowFont font;
  font.Name = GetLangText("Font|Name", "Tahoma");
  font.Size = FontSizeFromText(GetLangText("Font|Size", "8"));
  font.Charset = CharsetFromName(GetLangText("Font|Charset", "DEFAULT"));
  return font;
}

}  // namespace tidewick
