#pragma once

// Turns the tags of a store document into feed records, by the reader's rules (first matching child wins, names
// compared ignoring case), keeping what it does not know as XML text.
//
// A sound store is read straight through, checking as it goes that its structure is whole: every closing tag names
// its element, no tag is cut off, every element ends. The first break stops that reading: the store is damaged.
// The damaged store is then read again in recovery, which never stops: a field whose end is lost ends at the next
// element, a start tag of a feed or an entry ends whatever is open inside the feed list or the feed, an element
// whose start tag was lost is recognised by its known children, and a closing tag names the element it ends. So
// every feed and entry outside the damage is read, wherever it lies; an entry the damage cut into is kept only
// when all its values ended properly, a feed when its name, address or any entry was read.

#include <string>

#include "feeds/store_reader.h"
#include "feeds/store_scanner.h"

namespace tidewick {

enum class TStoreReading { Sound, Recovery };

// Reads every tag of scanner into result.Feeds (and result.StoreUnknown). Sound: the damage found, empty for a sound
// store (reading stops at the damage). Recovery: reads to the end and fills result.Places and FeedListCutShort;
// returns empty.
std::string BuildStore(TTagScanner& scanner, TStoreReadResult& result, TStoreReading reading);

}  // namespace tidewick
