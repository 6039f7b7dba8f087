#include "entries/font_css.h"

#include "util/colors.h"

namespace tidewick {
namespace {

std::string CssFontName(std::string_view name) {
  std::string clean;
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte != 0x7F && std::string_view("\"\\<>;{}").find(c) == std::string_view::npos) {
      clean += c;
    }
  }
  return clean;
}

}  // namespace

std::string FontCssRule(std::string_view selector, const TFontRecord& font) {
  std::string rule = "  " + std::string(selector) + " {font-family:\"" + CssFontName(font.Name) +
                     "\";font-size:" + std::to_string(font.Size) + "pt;color:" + ColorToHtml(font.Color) + ";";
  if (font.Bold) {
    rule += "font-weight:bold;";
  }
  if (font.Italic) {
    rule += "font-style:italic;";
  }
  if (font.Underline || font.StrikeOut) {
    rule += "text-decoration:";
    rule +=
        font.Underline && font.StrikeOut ? "underline line-through" : (font.Underline ? "underline" : "line-through");
    rule += ";";
  }
  return rule + "}";
}

}  // namespace tidewick
