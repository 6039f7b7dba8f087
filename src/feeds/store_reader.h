#pragma once

// Reads the feed store document in one pass, by the rules of the program's XML reader (forgiving tag scanner,
// any closing tag ends the innermost element, first matching child wins), straight into feed records: no
// document tree is built, so a large store costs little more than its records.

#include <cstddef>
#include <cstdint>
#include <string>

#include "feeds/feed_records.h"

namespace tidewick {

struct TStoreReadResult {
  bool Opened = false;    // the file existed and had content
  bool Complete = false;  // the document ended properly (see Damage otherwise)
  int ReadError = 0;      // errno when the file exists but could not be read (never damage: the file may be fine)
  std::string Damage;     // why the document counts as damaged (for tests and diagnostics)
  TFeeds Feeds;           // the feeds read, in file order, not yet numbered
};

// Reads a store document. A damaged one yields every feed and entry that could be read completely.
TStoreReadResult ReadStoreText(std::string text);

// A file from FromSize bytes on is read in pieces of PieceSize, with the same result as reading its whole text.
struct TStorePieces {
  uint64_t FromSize = uint64_t{4} << 20;
  size_t PieceSize = size_t{1} << 20;
};
TStoreReadResult ReadStoreFile(const std::string& fileName, const TStorePieces& pieces = {});

}  // namespace tidewick
