#include "ui/main/text_font.h"

#include <algorithm>

#include <QPalette>
#include <QWidget>

namespace tidewick {

QFont ToQFont(const TFontRecord& record) {
  QFont font(QString::fromStdString(record.Name));
  font.setPointSize(std::max(record.Size, 1));
  font.setBold(record.Bold);
  font.setItalic(record.Italic);
  font.setUnderline(record.Underline);
  font.setStrikeOut(record.StrikeOut);
  return font;
}

QColor ToQColor(TColor color) {
  const TColor rgb = ColorToRgb(color);
  return QColor(rgb & 0xFF, (rgb >> 8) & 0xFF, (rgb >> 16) & 0xFF);
}

void ApplyTextFont(QWidget& widget, const TFontRecord& record) {
  widget.setFont(ToQFont(record));
  QPalette palette;  // empty: every role inherited, so a system colour keeps following the desktop
  if (!IsSystemColor(record.Color)) {
    palette.setColor(QPalette::Text, ToQColor(record.Color));
  }
  widget.setPalette(palette);
}

}  // namespace tidewick
