#pragma once

// Accounts on sync servers (Tiny Tiny RSS today) and where a feed of an account lives there. The store keeps both:
// each account as an "Account" element among the children of Feeds (never a name starting with "Feed"), and an
// account feed's place in "SyncAccount", "SyncFeedId", "SyncCategoryId" and "SyncCategory" elements of the feed, each
// written only for account feeds. A version without sync keeps them as unknown elements and writes them back.

#include <string>
#include <vector>

#include "feeds/unknown_xml.h"

namespace tidewick {

// One account. Never holds the password or a session id: those stay in the Secret Service and in memory.
struct TSyncAccount {
  std::string Key;        // unique in the store ("ttrss1"); account feeds name their account by it
  std::string Kind;       // the server's kind: "ttrss"
  std::string Title;      // the account node's name in the tree (by default the server's host)
  std::string ServerUrl;  // the address the user gave (tt-rss: the folder that holds api/)
  std::string UserName;
  // How far the last complete sync read, in the server's terms (tt-rss: the highest article id seen); empty before
  // the first sync. Only a sync that was applied whole moves it.
  std::string Position;
  TUnknownXml Unknown;  // what a newer version stored with the account
};

using TSyncAccounts = std::vector<TSyncAccount>;

// The accounts of the one store, beside Feeds; belongs to the main thread.
extern TSyncAccounts SyncAccounts;

// Where an account feed lives on its server. Account empty: a local feed.
struct TFeedRemote {
  std::string Account;        // TSyncAccount::Key
  std::string FeedId;         // the server's feed id
  std::string CategoryId;     // the server's category id ("" or "0": uncategorised)
  std::string CategoryTitle;  // the category's title as the server last gave it: the feed's folder under the account

  bool IsAccountFeed() const { return !Account.empty(); }
  bool operator==(const TFeedRemote&) const = default;
};

}  // namespace tidewick
