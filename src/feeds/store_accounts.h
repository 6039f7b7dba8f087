#pragma once

// The accounts of a store. The store reader keeps every element among the children of Feeds it does not know as XML
// text (the way an older version keeps ours); the Account elements are taken from there afterwards, whichever of its
// readings (whole, in parts, in recovery) found them. Accounts are few and small, so reading each one's text again
// costs nothing a large store would notice.

#include <optional>
#include <string_view>

#include "feeds/feed_records.h"
#include "feeds/sync_account.h"

namespace tidewick {

// The account an Account element's text holds; nothing for another element, or one without a Key (kept as unknown
// then). Its values are read as the store reads a feed's (names ignoring case, the first match wins); attributes and
// other children go into its Unknown.
std::optional<TSyncAccount> ReadAccountElement(std::string_view elementText);

// Moves the accounts out of a feed list's unknown elements (a second account with the same Key stays unknown).
void TakeAccounts(TUnknownXml& storeUnknown, TSyncAccounts& accounts);

// After damage: accounts that feeds of the rescued store name but the damaged file no longer shows, from the
// backup's accounts (an account's feeds never outlive it, so one the user removed is never brought back).
void RescueAccounts(const TFeeds& rescued, const TSyncAccounts& backup, TSyncAccounts& accounts);

}  // namespace tidewick
