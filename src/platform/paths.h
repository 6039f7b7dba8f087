#pragma once

#include <string>
#include <vector>

// Where the program and its files live, and the program's command line.
namespace tidewick {

// Full path of the running program's file (Linux: /proc/self/exe); "" when it cannot be found.
std::string ProgramFilePath();

// The program's folder with a trailing path separator.
std::string ProgramFolder();

// The folder that holds the shipped data (Language/, the welcome feed), with a trailing separator: the program's
// folder in a build or a portable copy, or <prefix>/share/tidewick/ when the program was installed to <prefix>/bin.
std::string DataFolder();
std::string DataFolderFor(const std::string& programFolder);

// True when the program runs from an installed layout (<prefix>/bin beside <prefix>/share/tidewick): its settings
// and store then always live in the per-user folder, never in a system folder.
bool IsInstalledLayout();
bool IsInstalledLayoutFor(const std::string& programFolder);

// The per-user data folder: $XDG_CONFIG_HOME/Tidewick, or ~/.config/Tidewick when XDG_CONFIG_HOME is unset or not
// absolute (Windows: %APPDATA%\Tidewick). Only the name; nothing is created. No trailing separator.
std::string UserDataFolder();

// The per-user cache folder: $XDG_CACHE_HOME/Tidewick, or ~/.cache/Tidewick (Windows: %LOCALAPPDATA%\Tidewick\Cache).
// Only the name; nothing is created. No trailing separator.
std::string UserCacheFolder();

// Creates the folder and any missing parents; true when it exists afterwards.
bool EnsureFolder(const std::string& folder);

// True when a file can be created in the folder (tested by creating and removing a probe file).
bool IsFolderWritable(const std::string& folder);

// The program's command-line parameters without the program name, as main() received them. Stored once at start
// (main thread) before anything reads them.
void SetCommandLineArgs(int argc, const char* const* argv);
void SetCommandLineArgs(std::vector<std::string> params);
const std::vector<std::string>& CommandLineArgs();

// The path separator of the platform ('/' on Linux).
#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

}  // namespace tidewick
