#pragma once

// The language menu without any window code: which captions it shows, which one carries the check mark, its own
// caption, and what a click on an item does.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "lang/language_choice.h"  // kLanguageFileExtension, ListLanguageFiles

namespace tidewick {

// The built-in German texts, offered first in the menu; no language file has this name.
inline constexpr std::string_view kBuiltInLanguage = "Deutsch (intern)";

// Extension of the optional picture beside each language file (kLanguageFileExtension).
inline constexpr std::string_view kLanguagePictureExtension = ".bmp";

struct TLanguageMenuItem {
  std::string Caption;
  bool Checked = false;
};

// The language folder: appPath (the program's folder, with or without a trailing separator) plus "Language/".
std::string LanguageFolder(const std::string& appPath);

// appPath + "Language/" + language + ".lng" (or ".bmp" for the picture).
std::string LanguageFilePath(const std::string& appPath, std::string_view language);
std::string LanguagePicturePath(const std::string& appPath, std::string_view language);

// The menu items: "Deutsch (intern)" first, then one per file name with ".lng" removed, in the given order. The item
// whose caption equals language ignoring case carries the check mark (an exact match is preferred when two differ
// only in case); when none does, "Deutsch (intern)" carries it. Exactly one item is checked.
std::vector<TLanguageMenuItem> BuildLanguageMenu(const std::vector<std::string>& fileNames, std::string_view language);

// A click on items[index]: that item gets the check mark and every other loses it. Returns the caption, the new
// value of the setting Language.
std::string CheckLanguageItem(std::vector<TLanguageMenuItem>& items, std::size_t index);

// The caption of the menu itself from its translated text: exactly "Language" gives "&Language", anything else T
// gives "T / &Language", so the menu can be found whatever the current language.
std::string LanguageMenuCaption(std::string_view translated);

// The same for the current language ("Main|mnuLanguage", default "Sprache").
std::string LanguageMenuCaption();

// Loads the language file named language from the program's language folder; for "Deutsch (intern)" (or any name
// without a file) the built-in German texts apply. Returns whether a file was loaded.
bool SwitchLanguage(const std::string& appPath, std::string_view language);

// The value of the setting Language for a start that finds none: the file of the environment's language, English
// when no file fits, "Deutsch (intern)" for German; the same value a click in the menu would store.
std::string LanguageForFirstStart(const std::string& appPath);

// The language tag of the texts in use: "de" for the built-in German, else the loaded file's "Lang|Code" (empty when
// it names none).
std::string CurrentLanguageCode();

}  // namespace tidewick
