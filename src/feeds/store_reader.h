#pragma once

// Reads the feed store document in one pass, by the rules of the program's XML reader (forgiving tag scanner,
// any closing tag ends the innermost element, first matching child wins), straight into feed records: no
// document tree is built, so a large store costs little more than its records.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "feeds/feed_records.h"

namespace tidewick {

// Where a feed read from a damaged store stood. The element numbers (Feed3, Item7) tell which places the damage
// left empty, for the backup to fill.
struct TFeedPlace {
  int Slot = 0;                  // the feed's number in the list (its element's number, or the next one)
  std::vector<int> EntrySlots;   // the same for each entry read
  uint32_t ValuesRead = 0;       // the feed's own values read whole (bit 1 << TFeedField)
  bool InfoRead = false;         // Info ended with its closing tag
  bool RefreshRead = false;      // the refresh state did
  bool EntriesCutShort = false;  // the feed's end was not read: entries after the last one read may be lost
};

struct TStoreReadResult {
  bool Opened = false;       // the file existed and had content
  bool Complete = false;     // the document ended properly (see Damage otherwise)
  int ReadError = 0;         // errno when the file exists but could not be read (never damage: the file may be fine)
  std::string Damage;        // why the document counts as damaged (for tests and diagnostics)
  TFeeds Feeds;              // the feeds read, in file order, not yet numbered
  TUnknownXml StoreUnknown;  // the attributes of the feed list and its children this version does not know
  std::vector<TFeedPlace> Places;  // a damaged store's: one per feed
  bool FeedListCutShort = false;   // a damaged store's feed list has no readable end: feeds after it may be lost
  TSyncAccounts Accounts;          // the Account elements read (taken out of StoreUnknown)
};

// Reads a store document. A damaged one yields every feed and entry that could be read, also after the damage.
TStoreReadResult ReadStoreText(std::string text);

// A file from FromSize bytes on is read in pieces of PieceSize, with the same result as reading its whole text; a
// sound one by Parts threads at once, each reading a part of it (0: one per core, with parts of at least 4 MiB).
struct TStorePieces {
  uint64_t FromSize = uint64_t{4} << 20;
  size_t PieceSize = size_t{1} << 20;
  size_t Parts = 0;
};
TStoreReadResult ReadStoreFile(const std::string& fileName, const TStorePieces& pieces = {});

}  // namespace tidewick
