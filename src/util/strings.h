#pragma once

#include <string>
#include <string_view>
#include <vector>

// Small string helpers. Positions and counts are in characters (UTF-8 code points), counting from 1; a multi-byte
// sequence is never split. Every function accepts any input and never fails.
namespace tidewick {

// Joins the parameters of SplitCommandLine and of translated texts.
inline constexpr char kParamSeparator = '\x01';

// Field `index` (from 1) of `text` + `separator`, cut at every occurrence of `separator` (case-sensitive). An index
// below 1 or past the last field gives "". An empty separator makes the whole text field 1.
std::string GetToken(std::string_view text, std::string_view separator, int index);

// Positions at which `substring` begins in `text`; overlapping occurrences count. An empty substring gives 0.
int CountOccurrences(std::string_view text, std::string_view substring);

// First `count` characters; a negative count gives "", a count past the end the whole text.
std::string LeftStr(std::string_view text, int count);
// `count` characters from position `start` (below 1 counts as 1), stopping at the end; negative count gives "".
std::string MidStr(std::string_view text, int start, int count);
// Everything from position `start` on.
std::string MidStr(std::string_view text, int start);
// Last `count` characters; a negative count gives "", a count past the start the whole text.
std::string RightStr(std::string_view text, int count);

// Every occurrence of `oldText` replaced by `newText`, left to right, case-sensitive. An empty `oldText` changes
// nothing.
std::string ReplaceAll(std::string_view text, std::string_view oldText, std::string_view newText);

// Empties `list`, then adds the fields of `text` cut at each `separator`. A separator at the very end adds no empty
// last field; an empty text gives one empty field; empty fields between separators stay.
void SplitToList(std::vector<std::string>& list, std::string_view text, std::string_view separator);
std::vector<std::string> SplitToList(std::string_view text, std::string_view separator);

// Lines of a multi-line text: cut at CR LF, lone LF or lone CR; a line break at the very end adds no empty line; an
// empty text gives no line at all.
std::vector<std::string> SplitLines(std::string_view text);
// The items joined by `separator` (no separator after the last).
std::string JoinStrings(const std::vector<std::string>& items, std::string_view separator);

// Reads the parameters of a command line: a parameter beginning with a double quote runs to the next double quote
// followed by a blank (or the end) and loses its quotes; any other runs to the next blank. Blanks between parameters
// are skipped. The result is the parameters joined by kParamSeparator; with `dropFirst` the first is left out.
std::string SplitCommandLine(std::string_view commandLine, bool dropFirst);
// The same parameters as a list.
std::vector<std::string> SplitCommandLineToList(std::string_view commandLine, bool dropFirst);

// Every byte that is not an ASCII letter or digit becomes "%" and two upper-case hex digits ("ä" gives "%C3%A4").
std::string UrlEncode(std::string_view text);

// Removes control characters and blanks (everything up to U+0020) from both ends.
std::string Trim(std::string_view text);
std::string_view TrimView(std::string_view text);

// True when one of `params` is the switch `name`: one "-" is dropped from a leading "--", then a parameter beginning
// with "/" or "-" is compared after that character with `name`, ignoring case unless `caseSensitive`.
bool HasSwitch(const std::vector<std::string>& params, std::string_view name, bool caseSensitive = false);
// The same for the program's own command line (platform CommandLineArgs).
bool HasSwitch(std::string_view name, bool caseSensitive = false);

// Replaces each "%NAME%" by the environment variable NAME; names that are not set stay as written (with their "%").
// The result is trimmed; with `trailingSeparator` a path separator is appended unless the text already ends with
// one. An empty text gives "".
std::string ExpandEnvVars(std::string_view text, bool trailingSeparator = false);

}  // namespace tidewick
