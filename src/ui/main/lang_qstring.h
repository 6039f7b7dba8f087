#pragma once

// The window's texts: a language text (its German default when the language file has none; see lang/lang_text.h)
// as a QString for labels, menus, tool tips and message boxes.

#include <string_view>

#include <QString>

#include "lang/lang_text.h"

namespace tidewick {

inline QString Text(std::string_view key, std::string_view german, std::string_view params = kNoParams) {
  return QString::fromStdString(GetLangText(key, german, params));
}

}  // namespace tidewick
