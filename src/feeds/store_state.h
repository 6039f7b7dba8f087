#pragma once

// The refresh state file beside the store ("Feeds.xml.state"): what refreshes learnt (validators, request times,
// failures, LastDownloaded and Error) for every feed, written instead of the whole store when nothing else changed,
// so a refresh answered by 304s does not rewrite a store of many megabytes. It is written under the store's lock,
// atomically and with the store's file mode, and binds itself to one version of the store file (inode, size and
// time of change): once the store is rewritten, by this version or an older one that knows nothing of the file, the
// file no longer applies and the store's own copy of the refresh state, always valid, counts again. A damaged state
// file is kept under a dated name and ignored, never fatal.

#include <optional>
#include <string>
#include <string_view>

#include "feeds/feed_records.h"
#include "platform/file_io.h"

namespace tidewick {

inline constexpr std::string_view kStateFileSuffix = ".state";
inline constexpr std::string_view kStateTempSuffix = ".state.tmp";

// The text that binds a state file to this version of the store file.
std::string StoreVersionToken(const TFileVersion& version);

// The state file's text for feeds, bound to the store version storeToken.
std::string RefreshStateText(const TFeeds& feeds, std::string_view storeToken);

enum class TStateFileStatus {
  None,        // there is no state file
  Applied,     // it belongs to this store: its values are in the feeds now
  Stale,       // it belongs to another version of the store (rewritten since): ignored
  Damaged,     // cut short, unreadable as a document, or not naming the store's feeds: kept (see DamagedCopy), ignored
  Unreadable,  // it exists but cannot be read: ignored, and never written over
};

struct TStateFileResult {
  TStateFileStatus Status = TStateFileStatus::None;
  std::string DamagedCopy;  // where a damaged file was kept; empty when it could not be copied (it stays then)
};

// Reads the state file stateFileName and, when it belongs to the store version storeToken and names exactly the
// feeds of feeds in their order, puts its values into them. A damaged one is kept as a dated copy and removed.
TStateFileResult ApplyRefreshStateFile(const std::string& stateFileName, std::string_view storeToken, TFeeds& feeds);

// Writes text as stateFileName: a temporary file with the mode storeMode, synced, renamed over it.
TFileSaveResult WriteRefreshStateFile(const std::string& stateFileName, std::string_view text,
                                      std::optional<unsigned> storeMode);

}  // namespace tidewick
