#include "update/refresh_policy.h"

#include <algorithm>
#include <charconv>

#include "lang/lang_text.h"
#include "update/refresh_failure.h"

namespace tidewick {
namespace {

constexpr double kSecondsPerDay = 24.0 * 60 * 60;

double SecondsBetween(TDateTime from, TDateTime to) {
  return (to - from) * kSecondsPerDay;
}

std::string_view SchemeOf(std::string_view url) {
  const size_t colon = url.find("://");
  return colon == std::string_view::npos ? std::string_view{} : url.substr(0, colon);
}

bool SchemeIs(std::string_view url, std::string_view expected) {
  const std::string_view scheme = SchemeOf(url);
  return scheme.size() == expected.size() &&
         std::equal(scheme.begin(), scheme.end(), expected.begin(),
                    [](char a, char b) { return (a | 0x20) == b; });  // expected is lower case letters
}

// Counts a permanent redirect seen on a successful refresh; true when it is time to move.
bool CountRedirect(TFeedRefreshState& state, const std::string& currentUrl, const std::string& target) {
  const bool usable = !target.empty() && target != currentUrl &&
                      (SchemeIs(target, "https") || SchemeIs(target, "http")) &&
                      !(SchemeIs(currentUrl, "https") && SchemeIs(target, "http"));
  if (!usable) {
    state.RedirectTarget.clear();
    state.RedirectCount = 0;
    return false;
  }
  if (state.RedirectTarget == target) {
    ++state.RedirectCount;
  } else {
    state.RedirectTarget = target;
    state.RedirectCount = 1;
  }
  return state.RedirectCount >= kRedirectsBeforeMove;
}

}  // namespace

TFeedRefreshState ApplicableRefreshState(const TFeed& feed) {
  if (feed.Refresh.Url != feed.URL) {
    return {};
  }
  return feed.Refresh;
}

TRequestVerdict JudgeRequest(const TFeed& feed, TDateTime now, TRequestOrigin origin) {
  if (feed.Refresh.Url != feed.URL) {
    return TRequestVerdict::Go;
  }
  const TFeedRefreshState& state = feed.Refresh;
  const double wait = SecondsBetween(now, state.RetryAfter);
  // A deadline further away than the longest wait was not set by this clock (it was turned back): ignore it.
  if (state.RetryAfter != 0 && wait > 0 && wait <= kLongestRetryAfterSeconds + kFetchSpacingSeconds) {
    return TRequestVerdict::Waiting;
  }
  if (state.Gone && origin != TRequestOrigin::User) {
    return TRequestVerdict::Gone;
  }
  if (state.LastTime != 0) {
    const double since = SecondsBetween(state.LastTime, now);
    const int spacing = kFetchSpacingSeconds - (origin == TRequestOrigin::User ? 0 : kScheduledSpacingSlackSeconds);
    // The store keeps whole seconds, so the last request may seem to lie a moment ahead; far ahead, the clock was
    // turned back and the stamp says nothing.
    if (since > -kFetchSpacingSeconds && since < spacing) {
      return TRequestVerdict::Spaced;
    }
  }
  return TRequestVerdict::Go;
}

void AddValidators(const TFeed& feed, TFetchOptions& options) {
  if (feed.Refresh.Url != feed.URL || feed.Entries.empty() || feed.Refresh.Gone) {
    return;
  }
  options.IfNoneMatch = feed.Refresh.ETag;
  options.IfModifiedSince = feed.Refresh.LastModified;
}

std::optional<TDateTime> RetryAfterDeadline(std::string_view text, TDateTime now) {
  const TDateTime latest = now + kLongestRetryAfterSeconds / kSecondsPerDay;
  if (text.empty()) {
    return std::nullopt;
  }
  if (std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    int64_t seconds = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), seconds);
    if (error == std::errc::result_out_of_range) {
      return latest;
    }
    return std::min(latest, now + static_cast<double>(seconds) / kSecondsPerDay);
  }
  const TDateTime date = ParseFeedDate(text);
  if (date == 0) {
    return std::nullopt;
  }
  return std::min(latest, std::max(now, date));
}

TRefreshAnswer ClassifyFetch(const TFetchResult& fetched, TDateTime started, TDateTime answered) {
  TRefreshAnswer answer;
  answer.Started = started;
  answer.HttpCode = fetched.HttpCode;
  answer.Bytes = fetched.BytesReceived;
  if (!fetched.Ok()) {
    answer.Failure = FetchFailureCode(fetched);
    return answer;
  }
  answer.ETag = fetched.ETag;
  answer.LastModified = fetched.LastModified;
  answer.PermanentTarget = fetched.PermanentTarget;
  switch (fetched.HttpCode) {
    case 304:
      answer.Kind = TAnswerKind::Unchanged;
      break;
    case 410:
      answer.Kind = TAnswerKind::Gone;
      answer.Failure = HttpFailureCode(fetched.HttpCode);
      break;
    case 429:
    case 503:
      if (const auto deadline = RetryAfterDeadline(fetched.RetryAfter, answered)) {
        answer.Kind = TAnswerKind::RetryLater;
        answer.RetryAfter = *deadline;
      } else {
        answer.Failure = HttpFailureCode(fetched.HttpCode);
      }
      break;
    default:
      answer.Kind = TAnswerKind::Document;
      break;
  }
  return answer;
}

bool RecordAnswer(TFeed& feed, const TRefreshAnswer& answer) {
  TFeedRefreshState state = ApplicableRefreshState(feed);
  state.Url = feed.URL;
  state.LastTime = answer.Started;
  state.LastStatus = static_cast<int32_t>(answer.HttpCode);
  state.LastBytes = answer.Bytes;
  state.LastUnchanged = answer.Kind == TAnswerKind::Unchanged;
  state.LastFailure = answer.Kind == TAnswerKind::Failed || answer.Kind == TAnswerKind::Gone ? answer.Failure : "";
  state.RetryAfter = answer.Kind == TAnswerKind::RetryLater ? answer.RetryAfter : 0;
  state.Gone = answer.Kind == TAnswerKind::Gone;
  bool moved = false;
  if (answer.Kind == TAnswerKind::Document || answer.Kind == TAnswerKind::Unchanged) {
    // A 304 may leave out validators it does not change; a new document replaces both.
    if (answer.Kind == TAnswerKind::Document || !answer.ETag.empty() || !answer.LastModified.empty()) {
      state.ETag = answer.ETag;
      state.LastModified = answer.LastModified;
    }
    if (CountRedirect(state, feed.URL, answer.PermanentTarget)) {
      state.MovedFrom = feed.URL;
      feed.URL = state.RedirectTarget;
      state.Url = feed.URL;
      state.RedirectTarget.clear();
      state.RedirectCount = 0;
      moved = true;
    }
  }
  feed.Refresh = std::move(state);
  return moved;
}

std::string FailureReasonLine(const TFeed& feed) {
  if (feed.Refresh.Url != feed.URL || feed.Refresh.LastFailure.empty()) {
    return {};
  }
  return GetLangText("Main|RefreshErrReason", "Grund: %s1%", FailureText(feed.Refresh.LastFailure));
}

std::string FeedGoneText() {
  return GetLangText("Main|tvNavFeedGone",
                     "Dieses Feed gibt es nicht mehr (der Server meldet \"410 Gone\"); es wird nicht mehr "
                     "aktualisiert.");
}

std::string FeedHintText(const TFeed& feed) {
  std::string hint;
  if (feed.Refresh.Gone && feed.Refresh.Url == feed.URL) {
    hint = FeedGoneText();
  } else if (feed.Error) {
    hint = GetLangText("Main|tvNavRefreshErr", "Dieses Feed konnte nicht aktualisiert werden!");
    if (const std::string reason = FailureReasonLine(feed); !reason.empty()) {
      hint += "\n" + reason;
    }
  }
  if (!feed.Refresh.MovedFrom.empty() && feed.Refresh.Url == feed.URL) {
    if (!hint.empty()) {
      hint += "\n";
    }
    hint += GetLangText("Main|tvNavFeedMoved", "Das Feed ist dauerhaft umgezogen: von %s1% nach %s2%.",
                        JoinLangParams({feed.Refresh.MovedFrom, feed.URL}));
  }
  return hint;
}

}  // namespace tidewick
