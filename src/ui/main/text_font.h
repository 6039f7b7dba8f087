#pragma once

// Stored fonts and colours as the widgets take them.

#include <QColor>
#include <QFont>

#include "util/colors.h"
#include "xml/xml_doc.h"

class QWidget;

namespace tidewick {

// A size below 1 point reads as 1.
QFont ToQFont(const TFontRecord& record);
QColor ToQColor(TColor color);

// Shows the widget's text in the stored font and colour; a system colour (the default) follows the desktop's palette.
void ApplyTextFont(QWidget& widget, const TFontRecord& record);

}  // namespace tidewick
