#pragma once

// Feed lists from other readers: an OPML file read into a new folder of the feed tree, one feed per outline that
// names a feed address not subscribed yet, one folder per outline that has children. Feeds get the default
// interval; the window refreshes them at once, tidewick-feed leaves that to its refresh command.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tree/feed_tree.h"

namespace tidewick {

// Larger files are refused before they are read: no real feed list comes near it.
inline constexpr int64_t kMaxOpmlFileBytes = int64_t{32} << 20;
// Longest path of an imported folder, in bytes: a folder that would lie deeper holds its content in its parent.
inline constexpr size_t kMaxImportedFolderPathBytes = 4 * kMaxFolderNameBytes;

// One outline worth importing, in document order; a parent always comes before its children.
struct TOpmlEntry {
  int Parent = -1;  // index into the entries; -1 for the top level (the new folder)
  bool IsFolder = false;
  std::string Name;
  std::string Url;  // feeds only, already made an importable address
};

struct TOpmlOutlines {
  std::string Title;  // opml\head\title, trimmed; may be empty
  std::vector<TOpmlEntry> Entries;
  int Skipped = 0;  // feed outlines left out: an address we do not fetch, or under a nameless folder
};

enum class TOpmlReadStatus { Read, Unreadable, TooLarge, NotOpml };

struct TOpmlReadResult {
  TOpmlReadStatus Status = TOpmlReadStatus::NotOpml;
  TOpmlOutlines Outlines;
};

// Reads OPML bytes: without "<?xml" anywhere the text is read as UTF-8; any element name is accepted below body. A
// feed outline without "text" or "title" is named after its address.
TOpmlReadResult ReadOpmlText(std::string_view bytes);
TOpmlReadResult ReadOpmlFile(const std::string& fileName);

// The address a feed outline's xmlUrl stands for: "feed://" is dropped, "http://" is put in front of an address
// without scheme; only web addresses (IsSafeWebAddress) are accepted. Nothing for anything else.
std::optional<std::string> ImportFeedAddress(std::string_view xmlUrl);

struct TOpmlImportReport {
  int Feeds = 0;
  int Folders = 0;  // the new top folder included
  int Skipped = 0;
  int Duplicates = 0;             // feeds already subscribed, or named twice in the file (FeedAddressKey)
  std::vector<uint64_t> FeedIds;  // the feeds added, for the window to refresh at once
};

// Adds a folder named after the title (UniqueFolderName) under target, and the outlines below it: feeds with unique
// names in Feeds, with interval defaultTtl. A feed whose address is subscribed already (or came earlier in the file)
// is left out: importing a list twice must not double every feed. Folders deeper than the tree keeps hold their
// feeds in the deepest folder allowed. Returns what was added.
TOpmlImportReport ImportOpmlOutlines(TFeedTree& tree, TTreeNode* target, const TOpmlOutlines& outlines, int defaultTtl);

struct TOpmlImportResult {
  TOpmlReadStatus Status = TOpmlReadStatus::NotOpml;
  TOpmlImportReport Report;
  std::string Message;  // for the user: what was imported, or why nothing was
};

// The whole command: reads the file and, when it is OPML, imports it under target with Settings().DefaultTTL,
// stores the arrangement in Settings() and updates the captions. Anything else changes nothing.
TOpmlImportResult ImportOpmlFile(TFeedTree& tree, TTreeNode* target, const std::string& fileName);

}  // namespace tidewick
