#pragma once

// Which language file speaks the user's language, from the environment: the tags it asks for, best first, matched
// against the shipped files by the tag each names in "Lang|Code" or, without one, by its file name.

#include <string>
#include <string_view>
#include <vector>

namespace tidewick {

// Extension of language files.
inline constexpr std::string_view kLanguageFileExtension = ".lng";

// Names of the plain files in folder that end in ".lng" (symbolic links to files count), sorted by name ignoring
// case. Empty when the folder is missing.
std::vector<std::string> ListLanguageFiles(const std::string& folder);

struct TLanguageFile {
  std::string Name;  // the file name without ".lng", as the setting Language names it
  std::string Code;  // its "Lang|Code" ("en", "pt-BR"); empty when it names none
};

// The language files of folder with their codes.
std::vector<TLanguageFile> ReadLanguageFiles(const std::string& folder);

// The tags the environment asks for, best first, as gettext reads it: the locale for messages is LC_ALL, else
// LC_MESSAGES, else LANG; unless that is empty, "C" or "POSIX", the entries of LANGUAGE (a list split at ":") come
// first, then the locale itself. Encoding and modifier are dropped and "_" becomes "-" ("pt_BR.UTF-8@x": "pt-BR").
std::vector<std::string> WantedLanguageTags(std::string_view language, std::string_view lcAll,
                                            std::string_view lcMessages, std::string_view lang);

// The same from this process's environment.
std::vector<std::string> WantedLanguageTagsFromEnvironment();

// The file (its Name) to load for the wanted tags: for each tag in turn, a file of that whole tag, then one of its
// language alone; German ("de") is the built-in language and gives "". Tags and codes compare ignoring case, with
// "_" and "-" alike. When no tag matches, the English file ("en"), else "" (the built-in German).
std::string ChooseLanguageFile(const std::vector<std::string>& wantedTags, const std::vector<TLanguageFile>& files);

}  // namespace tidewick
