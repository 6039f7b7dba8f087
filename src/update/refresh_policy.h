#pragma once

// The polite side of refreshing: whether a feed may be asked now (a minute between requests, the server's
// Retry-After, a feed that is gone), what a request sends back (the validators of the stored copy), and what an
// answer teaches the feed's TFeedRefreshState (304 unchanged, 410 gone, 429/503 wait, permanent redirects).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "feeds/feed_records.h"
#include "util/dates.h"
#include "util/http_fetch.h"

namespace tidewick {

// One feed is asked at most once in this many seconds, however often a refresh is requested.
inline constexpr int kFetchSpacingSeconds = 60;
// The minute timer (and a cron run each minute) may come a little early; its requests allow for that much.
inline constexpr int kScheduledSpacingSlackSeconds = 5;
// A server's Retry-After wish is kept for at most a day.
inline constexpr int kLongestRetryAfterSeconds = 24 * 60 * 60;
// A permanent redirect seen on this many successful refreshes in a row becomes the feed's address.
inline constexpr int kRedirectsBeforeMove = 3;

enum class TRequestOrigin {
  Timed,  // the minute timer and the refresh at start-up
  All,    // refresh all (menu, tray, the command-line tool)
  User,   // the user asked for this feed or its folder
};

enum class TRequestVerdict {
  Go,
  Spaced,   // asked less than a minute ago: the request merges into that one's result
  Waiting,  // the server asked us to wait (Retry-After)
  Gone,     // the server said 410; only a request of the user tries again
};

// The refresh state that applies to feed: its own, or an empty one once the feed has another address.
TFeedRefreshState ApplicableRefreshState(const TFeed& feed);

TRequestVerdict JudgeRequest(const TFeed& feed, TDateTime now, TRequestOrigin origin);

// Puts the validators of the stored copy into options. Only for a feed that holds entries: a 304 must never leave a
// feed empty because the entries were lost while the validators survived.
void AddValidators(const TFeed& feed, TFetchOptions& options);

// The moment a Retry-After text (seconds, or an HTTP date) names, bounded to a day after now; nullopt when the text
// is neither.
std::optional<TDateTime> RetryAfterDeadline(std::string_view text, TDateTime now);

enum class TAnswerKind {
  Document,    // a body to read as the feed's document
  Unchanged,   // 304: the stored entries are current
  Gone,        // 410
  RetryLater,  // 429 or 503 with a usable Retry-After
  Failed,
};

// What one request learnt, taken on the worker thread and applied on the main thread.
struct TRefreshAnswer {
  TAnswerKind Kind = TAnswerKind::Failed;
  TDateTime Started = 0;  // when the request was sent (UTC)
  long HttpCode = 0;
  int64_t Bytes = 0;
  std::string ETag;
  std::string LastModified;
  std::string PermanentTarget;
  TDateTime RetryAfter = 0;
  std::string Failure;  // why it failed (Failed and Gone): a code of refresh_failure.h
};

// Sorts a finished fetch (not an aborted one) into an answer: sent at started, answered at answered (from which a
// Retry-After counts).
TRefreshAnswer ClassifyFetch(const TFetchResult& fetched, TDateTime started, TDateTime answered);

// Records answer in feed.Refresh: the last result, the validators (after a document that was read, or a 304), the
// server's wait, the gone mark and the redirect count; moves the feed to a permanent redirect's target after
// kRedirectsBeforeMove successful refreshes in a row led there (never from https to http). The entries, Error and
// the other fields are the caller's. True when the feed's address changed.
bool RecordAnswer(TFeed& feed, const TRefreshAnswer& answer);

// The tool tip of a feed in the tree: why its refresh failed or stopped, and a note when it followed a permanent
// redirect; empty when there is nothing to say.
std::string FeedHintText(const TFeed& feed);
// "Grund: ..." with why the feed's last refresh failed, in the user's language; empty when it did not fail (or the
// reason belongs to an earlier address).
std::string FailureReasonLine(const TFeed& feed);
// "Main|tvNavFeedGone": why a gone feed is no longer refreshed.
std::string FeedGoneText();

}  // namespace tidewick
