#pragma once

// The text font as a CSS rule, for the pages the entry view shows and the entries saved as HTML.

#include <string>
#include <string_view>

#include "xml/xml_doc.h"  // TFontRecord

namespace tidewick {

// "  <selector> {font-family:"Name";font-size:8pt;color:#RRGGBB;...}": bold, italic, underline and strike-out only
// when set. The face name loses every character that could end the quoted value, the rule or the style element.
std::string FontCssRule(std::string_view selector, const TFontRecord& font);

}  // namespace tidewick
