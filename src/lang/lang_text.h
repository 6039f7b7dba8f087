#pragma once

// Translated texts: every text the user sees is looked up by a key ("Main|sbMainReady") in the loaded language
// file, with the built-in German text at the place of use as the fallback.

#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>

#include "util/strings.h"  // kParamSeparator joins parameter values

namespace tidewick {

// Marks a call without parameters: one character with code 0 (not the same as an empty parameter list, which
// stands for one empty value).
inline constexpr std::string_view kNoParams{"\0", 1};

// The translated text for key ("Section|Key", matched ignoring case, first entry of the file wins), or defaultText
// when the language file has no entry or an empty one. Placeholders are expanded in this order: "$%$" protects a
// literal "%", "%s1%", "%s2%"... take the values of params (unless params is kNoParams), then "%r%", "%n%", "%w%",
// "%t%" become CR, LF, CR LF and tab. Safe to call from any thread, also while the language is being switched.
std::string GetLangText(std::string_view key, std::string_view defaultText, std::string_view params = kNoParams);

// Joins parameter values with kParamSeparator, e.g. JoinLangParams({"Tidewick", "3"}).
std::string JoinLangParams(std::initializer_list<std::string_view> values);

// The expansion GetLangText applies to the text it found (or the default), in this order, each step replace-all and
// case-sensitive over the result of the one before: "$%$" -> code 1; unless params is kNoParams, "%sI%" -> the I-th
// value for I = 1..number of values (a value that itself holds a placeholder is expanded by the later steps);
// "%r%" -> CR; "%n%" -> LF; "%w%" -> CR LF; "%t%" -> tab; code 1 -> "%".
std::string ExpandLangText(std::string_view text, std::string_view params);

// Replaces the current language table with the entries of the file at path. A missing or unreadable file leaves an
// empty table (every text is its German default) and returns false. Readers still running on the previous table
// finish with it undisturbed.
bool LoadLanguageFile(const std::string& path);

// Number of entries in the current language table (0 when no file is loaded).
size_t LanguageEntryCount();

}  // namespace tidewick
