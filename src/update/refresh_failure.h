#pragma once

// Why a refresh failed, as a short code that reads the same in every language ("http-404", "host-not-found",
// "too-slow"...). The code is what the store keeps (TFeedRefreshState::LastFailure), so a feed's reason still shows
// in the user's language after the language was switched; FailureText tells it in that language.

#include <string>
#include <string_view>

#include "util/http_fetch.h"

namespace tidewick {

// The codes the worker adds to those of the fetch.
inline constexpr std::string_view kFailureNotAFeed = "not-a-feed";
inline constexpr std::string_view kFailureCutShort = "cut-short";
inline constexpr std::string_view kFailureUnexpected = "failed";

// "http-<status>" for an answer whose status alone says why.
std::string HttpFailureCode(long httpCode);

// The code of a failed fetch (empty for one that succeeded).
std::string FetchFailureCode(const TFetchResult& fetched);

// The reason in the user's language ("HTTP 404 (nicht gefunden)", "Verbindung abgelehnt"). A text that is no code
// (stores of earlier versions kept free text) is shown as it is; an empty one gives an empty text.
std::string FailureText(std::string_view code);

}  // namespace tidewick
