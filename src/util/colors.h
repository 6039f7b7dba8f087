#pragma once

#include <cstdint>
#include <string>

// Colours are kept as the integers the files store: 0x00BBGGRR for plain colours, and system colours as 0x80000000
// plus the system colour index (window text is 0x80000008).
namespace tidewick {

using TColor = int32_t;

inline constexpr TColor kSystemColorFlag = static_cast<TColor>(0x80000000);
inline constexpr int kSystemColorCount = 31;

enum class TSystemColor : int {
  ScrollBar = 0,
  Background = 1,
  ActiveCaption = 2,
  InactiveCaption = 3,
  Menu = 4,
  Window = 5,
  WindowFrame = 6,
  MenuText = 7,
  WindowText = 8,
  CaptionText = 9,
  ActiveBorder = 10,
  InactiveBorder = 11,
  AppWorkSpace = 12,
  Highlight = 13,
  HighlightText = 14,
  BtnFace = 15,
  BtnShadow = 16,
  GrayText = 17,
  BtnText = 18,
  InactiveCaptionText = 19,
  BtnHighlight = 20,
  DarkShadow3D = 21,
  Light3D = 22,
  InfoText = 23,
  InfoBk = 24,
  HotLight = 26,
  GradientActiveCaption = 27,
  GradientInactiveCaption = 28,
  MenuHighlight = 29,
  MenuBar = 30,
};

// The stored value of a system colour (0x80000000 + index).
constexpr TColor SystemColor(TSystemColor which) {
  return kSystemColorFlag | static_cast<TColor>(which);
}
inline constexpr TColor kClWindowText = SystemColor(TSystemColor::WindowText);

constexpr bool IsSystemColor(TColor color) {
  return color < 0;
}

// Builds a plain colour from its parts.
constexpr TColor RgbColor(int red, int green, int blue) {
  return static_cast<TColor>((static_cast<uint32_t>(blue & 0xFF) << 16) | (static_cast<uint32_t>(green & 0xFF) << 8) |
                             static_cast<uint32_t>(red & 0xFF));
}

// The plain 0x00BBGGRR value: a system colour is looked up in the table (an unknown index gives black), any other
// colour keeps its three low bytes.
TColor ColorToRgb(TColor color);

// "#RRGGBB" with upper-case hex digits; system colours resolved first.
std::string ColorToHtml(TColor color);

// The UI puts the real palette into the table (plain 0x00BBGGRR values); until then classic defaults are used.
// Safe to call while other threads resolve colours.
void SetSystemColorValue(TSystemColor which, TColor rgb);
// Puts the built-in defaults back.
void ResetSystemColors();

}  // namespace tidewick
