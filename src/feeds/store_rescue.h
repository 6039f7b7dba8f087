#pragma once

// What is left of a damaged store, completed from the backup. Every feed and entry the damaged file still shows is
// taken as it is there (it is newer than the backup: read marks, new entries, renamed feeds). The backup gives only
// what lay in the damaged part: a feed whose place the damaged file does not show (a feed the readable part shows
// in that place, or ends the list before, was deleted since), the name or address the damage took from a feed, and
// entries at places of a feed that the damage left empty. Feeds are matched by address and name, entries by the
// merge's identity (title, link and author), so nothing is ever there twice.

#include <string>
#include <vector>

#include "feeds/feed_records.h"
#include "feeds/store_reader.h"

namespace tidewick {

struct TStoreRescue {
  TFeeds Feeds;       // in store order
  int FeedsRead = 0;  // from the damaged file
  int EntriesRead = 0;
  int EntriesFromBackup = 0;                 // added to feeds the damaged file shows
  std::vector<std::string> FeedsFromBackup;  // names of the feeds taken whole from the backup
};

// damaged: a store read in recovery (its Places filled); backup: the complete backup's feeds, or nullptr.
TStoreRescue RescueStore(TStoreReadResult&& damaged, const TFeeds* backup);

}  // namespace tidewick
