#include "util/colors.h"

#include <array>
#include <atomic>

namespace tidewick {
namespace {

// Windows 10 defaults, used until the UI puts in the real palette.
constexpr std::array<TColor, kSystemColorCount> kDefaultSystemColors = {
    RgbColor(200, 200, 200), RgbColor(0, 0, 0),       RgbColor(153, 180, 209), RgbColor(191, 205, 219),
    RgbColor(240, 240, 240), RgbColor(255, 255, 255), RgbColor(100, 100, 100), RgbColor(0, 0, 0),
    RgbColor(0, 0, 0),       RgbColor(0, 0, 0),       RgbColor(180, 180, 180), RgbColor(244, 247, 252),
    RgbColor(171, 171, 171), RgbColor(0, 120, 215),   RgbColor(255, 255, 255), RgbColor(240, 240, 240),
    RgbColor(160, 160, 160), RgbColor(109, 109, 109), RgbColor(0, 0, 0),       RgbColor(0, 0, 0),
    RgbColor(255, 255, 255), RgbColor(105, 105, 105), RgbColor(227, 227, 227), RgbColor(0, 0, 0),
    RgbColor(255, 255, 225), RgbColor(0, 0, 0),       RgbColor(0, 102, 204),   RgbColor(185, 209, 234),
    RgbColor(215, 228, 242), RgbColor(0, 120, 215),   RgbColor(240, 240, 240),
};

struct TSystemColorTable {
  TSystemColorTable() {
    for (size_t i = 0; i < Values.size(); ++i) {
      Values[i].store(kDefaultSystemColors[i]);
    }
  }
  std::array<std::atomic<TColor>, kSystemColorCount> Values;
};

std::array<std::atomic<TColor>, kSystemColorCount>& SystemColors() {
  static TSystemColorTable table;
  return table.Values;
}

}  // namespace

TColor ColorToRgb(TColor color) {
  if (!IsSystemColor(color)) {
    return color & 0x00FFFFFF;
  }
  const auto index = static_cast<size_t>(color & 0xFF);
  return index < kSystemColorCount ? SystemColors()[index].load(std::memory_order_relaxed) : 0;
}

std::string ColorToHtml(TColor color) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  const auto rgb = static_cast<uint32_t>(ColorToRgb(color));
  std::string html = "#";
  for (const int shift : {0, 8, 16}) {  // red, green, blue
    const uint32_t part = (rgb >> shift) & 0xFF;
    html.push_back(kHex[part >> 4]);
    html.push_back(kHex[part & 0x0F]);
  }
  return html;
}

void SetSystemColorValue(TSystemColor which, TColor rgb) {
  const auto index = static_cast<size_t>(which);
  if (index < kSystemColorCount) {
    SystemColors()[index].store(rgb & 0x00FFFFFF, std::memory_order_relaxed);
  }
}

void ResetSystemColors() {
  for (size_t i = 0; i < kSystemColorCount; ++i) {
    SystemColors()[i].store(kDefaultSystemColors[i], std::memory_order_relaxed);
  }
}

}  // namespace tidewick
