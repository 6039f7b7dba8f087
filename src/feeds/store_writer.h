#pragma once

// Writes the feed store document element by element, in the order the path-by-path build would create it,
// straight into a sink: no document tree, no path lookups.

#include <functional>
#include <string_view>

#include "feeds/feed_records.h"

namespace tidewick {

// Receives the text in pieces; false stops the writing.
using TStoreSink = std::function<bool(std::string_view piece)>;

// Writes the declaration, then (with at least one feed or account, or anything storeUnknown keeps) the Feeds element;
// true when the sink took everything. The accounts come first among its children (a store cut short keeps them).
// Whatever a newer version wrote and the records keep (TUnknownXml) is written back: each record's attributes in its
// start tag, its unknown elements after its own values (a feed's after Info, before its entries; the feed list's
// after the last feed).
bool WriteStoreText(const TFeeds& feeds, const TStoreSink& sink, const TUnknownXml& storeUnknown = TUnknownXml(),
                    const TSyncAccounts& accounts = {});

// Writes a document of the same form that holds, for each feed, only its name, address, LastDownloaded, Error and
// refresh state (the refresh state file); rootAttributes (well-formed XML attributes) go into the Feeds tag.
bool WriteRefreshStateText(const TFeeds& feeds, const TStoreSink& sink, std::string_view rootAttributes);

}  // namespace tidewick
