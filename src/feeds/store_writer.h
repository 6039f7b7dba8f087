#pragma once

// Writes the feed store document element by element, in the order the path-by-path build would create it,
// straight into a sink: no document tree, no path lookups.

#include <functional>
#include <memory>
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

// The same document in steps, for a save that begins before every feed is final: the declaration and the accounts
// at construction, then each feed in store order, then the end. anyFeed says whether at least one feed will come
// (without feeds, accounts and kept elements the file holds the declaration only).
class TStoreTextWriter {
 public:
  TStoreTextWriter(TStoreSink sink, const TUnknownXml& storeUnknown, const TSyncAccounts& accounts, bool anyFeed);
  ~TStoreTextWriter();
  TStoreTextWriter(const TStoreTextWriter&) = delete;
  TStoreTextWriter& operator=(const TStoreTextWriter&) = delete;

  void Feed(const TFeed& feed);  // numbered in the order given, from 1
  bool Finish();                 // true when the sink took everything

 private:
  struct TState;
  std::unique_ptr<TState> m_state;
};

// Writes a document of the same form that holds, for each feed, only its name, address, LastDownloaded, Error and
// refresh state (the refresh state file); rootAttributes (well-formed XML attributes) go into the Feeds tag.
bool WriteRefreshStateText(const TFeeds& feeds, const TStoreSink& sink, std::string_view rootAttributes);

}  // namespace tidewick
