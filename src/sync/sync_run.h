#pragma once

// The blocking half of a sync (see sync_download.h): sends the snapshot's queued changes (batched by field and
// value), then reads categories, feeds, the articles after the account's position, the unread ids of feeds whose
// unread count changed, and the starred ids. Requests: login and API level (2), categories and feeds (2), the queue
// (one per field and value that has changes, per 200 ids... as the service batches), new articles (new/200 + 1),
// unread ids (per feed whose count changed: unread/200 + 1) and starred ids (starred/200 + 1).

#include <atomic>
#include <string>

#include "settings/settings.h"
#include "sync/sync_download.h"
#include "sync/sync_service.h"

namespace tidewick {

struct TSyncRunResult {
  TSyncStatus Status;
  TSyncDownload Download;  // Complete only when Status is Ok
};

TSyncRunResult FetchSyncDownload(TSyncService& service, const TSyncSnapshot& snapshot);

// How to reach an account's server with the program's proxy settings; the receive time-out is the settings' but at
// least kMinSyncTimeoutSeconds, as a server takes a while to put a page of full articles together.
inline constexpr int kMinSyncTimeoutSeconds = 30;
TSyncConnection SyncConnectionFor(const TSyncAccount& account, const TSettingsValues& settings, std::string password,
                                  const std::atomic<bool>* stopFlag = nullptr);

}  // namespace tidewick
