#pragma once

// The welcome feed: a small Atom file shipped beside the program, subscribed on the very first start so a new
// user sees a working reader at once, even offline. Once a store exists it is never added again, so a user who
// removed it keeps it removed.

#include <optional>
#include <string>
#include <string_view>

#include "feeds/feed_records.h"

namespace tidewick {

// Folder inside the data folder (DataFolder(): beside the program, or share/tidewick) that holds the welcome feeds.
inline constexpr std::string_view kWelcomeFolderName = "welcome";

// What is known about the store file before it is loaded.
enum class TStorePresence {
  Absent,   // nothing at that path: a first start
  Present,  // a file (or a link, or anything else) is there, whatever its content
  Unknown,  // the path could not be examined (permissions, I/O error): never treated as a first start
};

TStorePresence ExamineStorePath(const std::string& storeFileName);

// The welcome file for a language tag ("fr", "pt-BR", "de" for the built-in German) in the welcome folder:
// "welcome_<tag>.atom", else the one of its language alone ("fr-CA": "welcome_fr.atom"), else the English one. A
// tag with anything but letters, digits, "-" and "_" (a hand-made language file's) gets the English one.
std::string WelcomeFeedFileName(const std::string& welcomeFolder, std::string_view languageTag);

// "file://" address of an absolute path, with every byte outside the unreserved set and "/" percent-encoded.
std::string FileUrlFromPath(std::string_view absolutePath);

// The feed record to subscribe on a first start, or nothing when the store is not absent or the shipped file for
// the language is missing. dataFolder (DataFolder()) ends with a path separator.
std::optional<TFeed> WelcomeFeedForFirstStart(TStorePresence store, const std::string& dataFolder,
                                              std::string_view languageTag);

}  // namespace tidewick
