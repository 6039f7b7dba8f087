#pragma once

// The rules of the feed dialog that need no window: which addresses it fetches, the interval menu and checks, the
// detail rows, the checks of OK in their order, and how a confirmed edit or addition reaches the store.

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "feeds/feed_merge.h"
#include "feeds/feed_records.h"

namespace tidewick {

// The dialog's download waits at most this long for the server, whatever the Timeout setting says.
inline constexpr int kFeedEditFetchTimeoutMs = 10000;
inline constexpr int kMaxFeedInterval = 9999;

// One item of the interval menu.
struct TIntervalMenuItem {
  std::string_view Name;  // object name
  int Minutes;
};

inline constexpr std::array<TIntervalMenuItem, 11> kIntervalMenu = {{
    {"pmnuTTL1", 60},
    {"pmnuTTL2", 120},
    {"pmnuTTL3", 180},
    {"pmnuTTL4", 240},
    {"pmnuTTL5", 300},
    {"pmnuTTL6", 360},
    {"pmnuTTL8", 480},
    {"pmnuTTL10", 600},
    {"pmnuTTL12", 720},
    {"pmnuTTL24", 1440},
    {"pmnuTTLNone", 0},
}};

// "1 Stunde", "2 Stunden" ... "Nicht abfragen" in the active language.
std::string IntervalMenuText(const TIntervalMenuItem& item);

// What OK does with an interval.
enum class TIntervalVerdict {
  Accept,    // 0 (no timed refresh) or 60 and more
  Refuse,    // 1 to 14: never allowed
  AskFirst,  // 15 to 59: allowed after the user declines to correct it
};
TIntervalVerdict JudgeFeedInterval(int minutes);

// The interval a successful fetch proposes: the channel's TTL when it is 1 or more, else the default interval.
int ProposedInterval(int channelTtl, int defaultTtl);

// One row of the details list.
struct TDetailRow {
  std::string Caption;
  std::string Value;
};

// Formats a local date value for display (the window uses the user's locale).
using TLocalDateFormatter = std::function<std::string(TDateTime local)>;

// The rows of a feed in display order, each only when its value is present. Dates are converted to local time
// before formatting.
std::vector<TDetailRow> FeedDetailRows(const TFeed& feed, const TLocalDateFormatter& formatLocal);
// The single row shown for a document that is not a feed.
TDetailRow UnrecognisedDetailRow();

// The checks of OK, decided in one go and shown by the dialog in this order: the cleaned-name notice (continue),
// the empty name, the interval, then the name clash. The first refusal keeps the dialog open.
struct TFeedEditOkCheck {
  std::string Name;          // the name OK stores
  bool NameCleaned = false;  // brackets (or blanks) were changed: tell the user, then continue
  bool NameEmpty = false;    // neither a name nor a channel title: refuse
  TIntervalVerdict Interval = TIntervalVerdict::Accept;
  bool NameTaken = false;  // another feed already bears the name: refuse
};

// nameText is the name field, channelTitle the title of the working copy; editId the Id of the edited feed (0 when
// adding). The name clash is looked up in the store (first match), and the edited feed's own name never clashes.
TFeedEditOkCheck CheckFeedEditOk(std::string_view nameText, std::string_view channelTitle, int interval,
                                 uint64_t editId);

// What a confirmed dialog hands to its caller.
struct TFeedEditResult {
  std::string Name;
  std::string URL;
  int Interval = 0;
  bool RefreshAtStart = false;
  std::optional<TFeed> Fetched;   // the recognised document of the last fetch, if there was one
  TDateTime FetchedAt = kNoDate;  // when that document arrived (UTC)
  bool LoadImages = false;        // pictures from the web load without asking, for this feed only
};

// Writes a confirmed edit into the feed with that Id: Name, URL, Interval, RefreshAtStart and LoadImages; a fetched
// document is merged by the merge rule (read marks stay, new entries arrive unread or auto-read) and brings its channel
// details, feed type and download time, and clears the error mark, unless a refresh of the same address merged a
// newer download while the dialog was open: the store as it is at OK then keeps its entries and details. False when
// the feed is gone.
bool ApplyFeedEdit(TFeeds& feeds, uint64_t id, const TFeedEditResult& result, const TAutoReadTerms& autoRead,
                   TDateTime now);

// The record a confirmed addition puts into the store (with AddFeed): the fetched document's details and entries,
// auto-read terms applied, downloaded now.
TFeed NewFeedFromEdit(const TFeedEditResult& result, const TAutoReadTerms& autoRead, TDateTime now);

}  // namespace tidewick
