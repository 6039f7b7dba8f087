#pragma once

// What the commands that change a store (refresh, sync, import-opml) do alike: take the store's lock, load it with
// recovery, and end with the status a recovered store calls for.

#include <string>

#include "feeds/feed_store.h"
#include "settings/settings.h"

namespace tidewick {

// Loads the settings file named on the command line into settings (the defaults stay when settingsFile is empty).
// False when it is not a file; a damaged one is reported and what could be read is used.
bool LoadToolSettings(const std::string& settingsFile, const std::string& storeFile, TSettings& settings);

// Takes the lock of storeFile, then loads it into Feeds (and its accounts) for a command that saves it again; the
// lock comes first, so no other program writes the store between reading and saving. kExitOk; kExitLocked when
// another program holds the lock; kExitUsage (printed) when the lock file cannot be made, or the store is missing
// (unless missingIsEmpty: a fresh store), cannot be read, or is damaged without a kept copy. A recovery and a damaged
// refresh state file are reported on standard error.
int OpenStoreForWriting(const std::string& storeFile, bool missingIsEmpty, TFeedStoreLock& lock,
                        TStoreLoadResult& loaded);

// The status of a command whose work is done: kExitRecovered (with where the damaged file is kept) after a recovery.
int DoneStatus(const TStoreLoadResult& loaded);

}  // namespace tidewick
