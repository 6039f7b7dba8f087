#include "ui/rules/refresh_details.h"

#include <string>

#include "lang/lang_text.h"
#include "update/refresh_failure.h"
#include "update/refresh_policy.h"

namespace tidewick {
namespace {

std::string ResultText(const TFeedRefreshState& state) {
  const std::string status = std::to_string(state.LastStatus);
  const std::string bytes = std::to_string(state.LastBytes);
  if (!state.LastFailure.empty()) {
    return GetLangText("FeedEdit|lvDetailsResultFailed", "Fehlgeschlagen (%s1%), %s2% Bytes",
                       JoinLangParams({FailureText(state.LastFailure), bytes}));
  }
  if (state.RetryAfter != 0) {
    return GetLangText("FeedEdit|lvDetailsResultWait", "HTTP %s1%: der Server bittet zu warten, %s2% Bytes",
                       JoinLangParams({status, bytes}));
  }
  if (state.LastUnchanged) {
    return GetLangText("FeedEdit|lvDetailsResultUnchanged", "HTTP %s1%: unverändert, %s2% Bytes",
                       JoinLangParams({status, bytes}));
  }
  return GetLangText("FeedEdit|lvDetailsResultOk", "HTTP %s1%, %s2% Bytes", JoinLangParams({status, bytes}));
}

std::string ResultCaption() {
  return GetLangText("FeedEdit|lvDetailsLastResult", "Ergebnis");
}

}  // namespace

std::string FetchFailedText(std::string_view failureCode) {
  std::string text = GetLangText("FeedEdit|MsgGetErrText", "Das Feed konnte nicht abgefragt werden.");
  if (!failureCode.empty()) {
    text.append("\n").append(GetLangText("Main|RefreshErrReason", "Grund: %s1%", FailureText(failureCode)));
  }
  return text;
}

std::optional<TDetailRow> ErrorStatusDetailRow(long httpCode) {
  if (httpCode < 400) {
    return std::nullopt;
  }
  return TDetailRow{ResultCaption(), FailureText(HttpFailureCode(httpCode))};
}

std::vector<TDetailRow> LastRefreshDetailRows(const TFeed& feed, const TLocalDateFormatter& formatLocal,
                                              TDateTime now) {
  const TFeedRefreshState state = ApplicableRefreshState(feed);
  std::vector<TDetailRow> rows;
  if (state.LastTime != 0) {
    rows.push_back(
        {GetLangText("FeedEdit|lvDetailsLastRequest", "Letzte Abfrage"), formatLocal(UtcToLocal(state.LastTime))});
    rows.push_back({ResultCaption(), ResultText(state)});
  }
  if (state.RetryAfter > now) {
    rows.push_back({GetLangText("FeedEdit|lvDetailsRetryAfter", "Nächste Abfrage frühestens"),
                    formatLocal(UtcToLocal(state.RetryAfter))});
  }
  if (state.Gone) {
    rows.push_back({GetLangText("FeedEdit|lvDetailsGone", "Status"), FeedGoneText()});
  }
  if (!state.MovedFrom.empty()) {
    rows.push_back({GetLangText("FeedEdit|lvDetailsMovedFrom", "Umgezogen von"), state.MovedFrom});
  }
  return rows;
}

}  // namespace tidewick
