#pragma once

// The subcommands of tidewick-feed. Each takes the arguments after its own name and returns the exit status:
// 0 done, 1 the document was not recognised (or the command failed), 2 usage or file error.

#include <string>
#include <vector>

#include "util/http_fetch.h"

namespace tidewick {

inline constexpr int kExitOk = 0;
inline constexpr int kExitNotRecognised = 1;
inline constexpr int kExitUsage = 2;
// A command on a store that was damaged ends with this once its work is done (refresh, export-opml, import-opml):
// the store was recovered and the damaged file kept under the name the message gives.
inline constexpr int kExitRecovered = 5;
// refresh and sync: some feeds or accounts failed; the store was locked by another program; the store could not be
// saved.
inline constexpr int kExitSomeFailed = 1;
inline constexpr int kExitLocked = 3;
inline constexpr int kExitSaveFailed = 4;

// parse FILE|- [--lang FILE]: reads a feed document and prints it as one JSON object.
int RunParse(const std::vector<std::string>& args);

// fetch and refresh are provided by the update tools (fetch_command.cpp, refresh_command.cpp).
int RunFetch(const std::vector<std::string>& args);
int RunRefresh(const std::vector<std::string>& args);

// Downloads url with the proxy and time-out a fresh settings file has (fetch and discover).
TFetchResult FetchWithDefaultSettings(const std::string& url, std::string& content);

// sync [--all-marks] [--settings FILE] [--password-file FILE] [--lang FILE] STORE: syncs every account of the store
// with its server (sync_command.cpp); the exit statuses of refresh.
int RunSync(const std::vector<std::string>& args);

// discover URL: prints the feeds a web page names, one per line: the address, a tab, the title. Exits 0 when it
// printed any, 1 when the address could not be fetched or names no feed (discover_command.cpp).
int RunDiscover(const std::vector<std::string>& args);

// export-opml and import-opml move a store's feed list to and from other readers (opml_commands.cpp).
int RunExportOpml(const std::vector<std::string>& args);
int RunImportOpml(const std::vector<std::string>& args);

// Removes "--lang FILE" from args and loads that language file. False (with a message on standard error) when the
// option lacks its file name or the file cannot be loaded.
bool TakeLangOption(std::vector<std::string>& args);

// Prints "tidewick-feed: " + message to standard error and returns kExitUsage.
int UsageError(const std::string& message);

}  // namespace tidewick
