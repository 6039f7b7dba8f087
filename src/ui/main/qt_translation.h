#pragma once

// Qt's own texts (standard buttons, file dialogs, the context menus of text fields) in the program's language.

#include <string_view>

namespace tidewick {

// Replaces Qt's translation with the one for languageTag ("fr", "pt-BR"), from the translations Qt was installed
// with; a tag Qt has none for (or an empty one) leaves Qt's English. Every open window is told at once
// (QEvent::LanguageChange), so standard buttons and the texts made from language texts change with the menus.
void UseQtTranslation(std::string_view languageTag);

}  // namespace tidewick
