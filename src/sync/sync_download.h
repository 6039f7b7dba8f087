#pragma once

// One sync in two halves. FetchSyncDownload (sync_run.h), off the window's thread, sends the queued changes and then
// reads what the server has into a TSyncDownload; nothing in the store changes meanwhile. ApplySyncDownload, on the
// main thread, applies a complete download at once: a sync cut off in the middle (a killed server, a stop) applies
// nothing, so nothing is ever half-applied.

#include <cstdint>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "feeds/feed_records.h"
#include "sync/sync_queue.h"
#include "sync/sync_service.h"

namespace tidewick {

// What the sync needs to know of the store, copied on the main thread before the fetch starts.
struct TSyncSnapshot {
  TSyncAccount Account;
  // Per remote feed id: how many of its stored entries are unread (with queued changes applied). The fetch asks for
  // a feed's unread ids only when the server's unread count differs, so an unchanged feed costs no request.
  std::unordered_map<std::string, int64_t> LocalUnread;
  std::vector<TSyncChange> Pending;  // the queue's changes of this account, sent before reading
  // Compare the unread ids of every feed with unread entries, here or there, not only of those whose count changed:
  // one article read and another marked unread again leave a count as it was. Costs a request per such feed, so the
  // window does it at its first sync and then hourly, the command line when asked (--all-marks).
  bool CheckAllMarks = false;
};

struct TSyncDownload {
  bool Complete = false;  // every step succeeded: only then may it be applied
  std::vector<TRemoteCategory> Categories;
  std::vector<TRemoteFeed> Feeds;  // every feed of the account on the server
  std::vector<TRemoteArticle> NewArticles;
  std::string NewPosition;
  // Feeds whose unread ids were read, with those ids: every other stored entry of such a feed is read.
  std::unordered_map<std::string, std::vector<int64_t>> UnreadIds;
  std::vector<int64_t> StarredIds;  // every starred article of the account
  std::vector<TSyncChange> Sent;    // queued changes the server confirmed (the queue drops them)
  int64_t Requests = 0;
};

struct TSyncApplyResult {
  int NewEntries = 0;  // entries added (new articles)
  int NewUnread = 0;   // of those, unread: the tray and popup count them as a refresh's
  int FeedsAdded = 0;
  int FeedsRemoved = 0;                  // feeds the server no longer has (their entries go with them)
  int MarksChanged = 0;                  // stored entries whose read mark or star changed
  std::vector<uint64_t> ChangedFeedIds;  // TFeed::Id of every feed that changed (the window repaints them)
  bool PositionMoved = false;            // the account's Position is another now
  // Whether the store file must be written: a sync that brought nothing changes only request times.
  bool StoreChanged() const {
    return PositionMoved || !ChangedFeedIds.empty() || NewEntries > 0 || MarksChanged > 0 || FeedsAdded > 0 ||
           FeedsRemoved > 0;
  }
};

// Applies a complete download to the account's feeds in feeds and to account (its Position moves); queued changes
// of queue win over the server's state for the articles they name. Content is cleaned and limited as a feed's.
TSyncApplyResult ApplySyncDownload(TFeeds& feeds, TSyncAccount& account, const TSyncDownload& download,
                                   const TSyncQueue& queue);

// Builds the snapshot of one account from feeds and queue.
TSyncSnapshot MakeSyncSnapshot(const TFeeds& feeds, const TSyncAccount& account, const TSyncQueue& queue);

}  // namespace tidewick
