// When a feed may be asked, what a server's wish to wait means, and what answers teach the feed's refresh state.

#include "update/refresh_policy.h"

#include <cmath>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "support/table_file.h"
#include "update/refresh_failure.h"

namespace tidewick {
namespace {

const TDateTime kNow = UnixSecondsToDateTime(1796600000);

TDateTime SecondsFromNow(double seconds) {
  return kNow + seconds / 86400.0;
}

TFeed FeedAt(const std::string& url) {
  TFeed feed;
  feed.URL = url;
  feed.Refresh.Url = url;
  feed.Entries.resize(1);
  return feed;
}

TEST(RetryAfter, NamesAMomentBoundedToADay) {
  test::CheckTableFile("update/retry_after.tsv", 1, [](const std::vector<std::string>& in) {
    const std::optional<TDateTime> deadline = RetryAfterDeadline(in[0], kNow);
    return deadline ? std::to_string(std::llround((*deadline - kNow) * 86400.0)) : "none";
  });
}

TEST(Judge, SpacesRequestsHonoursTheServerAndLetsOnlyTheUserRetryAGoneFeed) {
  using enum TRequestVerdict;
  // The feed's last request (seconds ago, -1: never), the server's wish to wait (seconds ahead, 0: none), gone,
  // state learnt at the address before an edit; the verdict for a timed refresh (and refresh all), and the user's.
  const std::tuple<const char*, double, double, bool, bool, TRequestVerdict, TRequestVerdict> cases[] = {
      {"never asked", -1, 0, false, false, Go, Go},
      {"asked just now", 1, 0, false, false, Spaced, Spaced},
      // The minute timer may fire a little early: its next tick is no reason to skip the feed.
      {"asked one timer tick ago", 58, 0, false, false, Go, Spaced},
      {"asked a minute ago", 60, 0, false, false, Go, Go},
      {"server wants a wait", 600, 300, false, false, Waiting, Waiting},
      {"wait over", 600, -1, false, false, Go, Go},
      {"wait from a clock far ahead", 600, 86400.0 * 30, false, false, Go, Go},
      {"gone", 600, 0, true, false, Gone, Go},
      {"state of the address before an edit", 1, 300, true, true, Go, Go},
      {"asked in the future: the clock went back", -3600, 0, false, false, Go, Go},
  };
  for (const auto& [what, lastRequestSecondsAgo, retryAfterSecondsAhead, gone, stateOfAnotherAddress, timed, user] :
       cases) {
    TFeed feed = FeedAt("http://example.org/feed");
    if (lastRequestSecondsAgo != -1) {
      feed.Refresh.LastTime = SecondsFromNow(-lastRequestSecondsAgo);
    }
    if (retryAfterSecondsAhead != 0) {
      feed.Refresh.RetryAfter = SecondsFromNow(retryAfterSecondsAhead);
    }
    feed.Refresh.Gone = gone;
    if (stateOfAnotherAddress) {
      feed.URL = "http://example.org/edited";
    }
    EXPECT_EQ(JudgeRequest(feed, kNow, TRequestOrigin::Timed), timed) << what;
    EXPECT_EQ(JudgeRequest(feed, kNow, TRequestOrigin::All), timed) << what;
    EXPECT_EQ(JudgeRequest(feed, kNow, TRequestOrigin::User), user) << what;
  }
}

TEST(RefreshPolicy, ValidatorsGoOnlyWithStoredEntriesOfTheSameAddress) {
  TFeed feed = FeedAt("http://example.org/feed");
  feed.Refresh.ETag = "\"v1\"";
  feed.Refresh.LastModified = "Sun, 06 Dec 2026 22:00:00 GMT";
  TFetchOptions options;
  AddValidators(feed, options);
  EXPECT_EQ(options.IfNoneMatch, "\"v1\"");
  EXPECT_EQ(options.IfModifiedSince, "Sun, 06 Dec 2026 22:00:00 GMT");

  for (const bool noEntries : {true, false}) {
    TFeed other = feed;
    if (noEntries) {
      other.Entries.clear();  // a 304 would otherwise keep the feed empty for good
    } else {
      other.URL = "http://example.org/edited";
    }
    TFetchOptions none;
    AddValidators(other, none);
    EXPECT_TRUE(none.IfNoneMatch.empty());
    EXPECT_TRUE(none.IfModifiedSince.empty());
  }
}

TRefreshAnswer Answer(TAnswerKind kind, std::string target = "") {
  TRefreshAnswer answer;
  answer.Kind = kind;
  answer.Started = kNow;
  answer.HttpCode = kind == TAnswerKind::Unchanged ? 304 : 200;
  answer.PermanentTarget = std::move(target);
  return answer;
}

TEST(RefreshPolicy, ThreeSuccessfulRefreshesThroughTheSameRedirectMoveTheFeed) {
  TFeed feed = FeedAt("http://example.org/old");
  const std::string target = "https://example.org/new";
  EXPECT_FALSE(RecordAnswer(feed, Answer(TAnswerKind::Document, target)));
  EXPECT_FALSE(RecordAnswer(feed, Answer(TAnswerKind::Failed, target)));  // a failure neither counts nor breaks
  EXPECT_FALSE(RecordAnswer(feed, Answer(TAnswerKind::Unchanged, target)));
  EXPECT_EQ(feed.Refresh.RedirectCount, 2);
  EXPECT_TRUE(RecordAnswer(feed, Answer(TAnswerKind::Document, target)));
  EXPECT_EQ(std::tie(feed.URL, feed.Refresh.Url, feed.Refresh.MovedFrom, feed.Refresh.RedirectCount),
            std::tuple(target, target, "http://example.org/old", 0));
  EXPECT_NE(FeedHintText(feed).find("http://example.org/old"), std::string::npos);
}

TEST(RefreshPolicy, RedirectCountStartsAgainWhenTheTargetChangesOrARefreshSeesNone) {
  TFeed feed = FeedAt("http://example.org/old");
  RecordAnswer(feed, Answer(TAnswerKind::Document, "http://example.org/a"));
  RecordAnswer(feed, Answer(TAnswerKind::Document, "http://example.org/a"));
  RecordAnswer(feed, Answer(TAnswerKind::Document, "http://example.org/b"));
  EXPECT_EQ(feed.Refresh.RedirectCount, 1);
  RecordAnswer(feed, Answer(TAnswerKind::Document, "http://example.org/b"));
  RecordAnswer(feed, Answer(TAnswerKind::Document));
  RecordAnswer(feed, Answer(TAnswerKind::Document, "http://example.org/b"));
  EXPECT_EQ(feed.URL, "http://example.org/old");
  EXPECT_EQ(feed.Refresh.RedirectCount, 1);
}

TEST(RefreshPolicy, NeverMovesFromHttpsToHttp) {
  TFeed feed = FeedAt("https://example.org/feed");
  for (int i = 0; i < 5; ++i) {
    EXPECT_FALSE(RecordAnswer(feed, Answer(TAnswerKind::Document, "http://example.org/feed")));
  }
  EXPECT_EQ(feed.URL, "https://example.org/feed");
}

TEST(RefreshPolicy, UnchangedAnswerKeepsValidatorsItLeavesOutAndRecordsTheLastResult) {
  TFeed feed = FeedAt("http://example.org/feed");
  TRefreshAnswer first = Answer(TAnswerKind::Document);
  first.ETag = "\"v1\"";
  first.LastModified = "Sun, 06 Dec 2026 22:00:00 GMT";
  first.Bytes = 4000;
  RecordAnswer(feed, first);
  TRefreshAnswer second = Answer(TAnswerKind::Unchanged);
  second.Bytes = 150;
  RecordAnswer(feed, second);
  const TFeedRefreshState& state = feed.Refresh;
  EXPECT_EQ(
      std::tie(state.ETag, state.LastModified, state.LastUnchanged, state.LastStatus, state.LastBytes, state.LastTime),
      std::tuple("\"v1\"", "Sun, 06 Dec 2026 22:00:00 GMT", true, 304, 150, kNow));
}

TEST(RefreshPolicy, FailedReadKeepsTheValidatorsOfTheStoredEntries) {
  TFeed feed = FeedAt("http://example.org/feed");
  feed.Refresh.ETag = "\"v1\"";
  TRefreshAnswer failed = Answer(TAnswerKind::Failed);
  failed.ETag = "\"v2\"";  // belongs to a document that could not be read
  failed.Failure = "not a feed document";
  RecordAnswer(feed, failed);
  EXPECT_EQ(feed.Refresh.ETag, "\"v1\"");
  EXPECT_EQ(feed.Refresh.LastFailure, "not a feed document");
}

// Fault guarded: a 404, a refused connection and a name that does not resolve all read "could not be retrieved".
TEST(RefreshPolicy, FailureIsKeptAsACodeAndToldInTheUsersLanguage) {
  const auto fetched = [](TFetchError error, long status = 0) {
    TFetchResult result;
    result.Status = error == TFetchError::HttpStatus ? TFetchStatus::NotFound : TFetchStatus::Failed;
    result.Error = error;
    result.HttpCode = status;
    return result;
  };
  const std::tuple<TFetchResult, std::string, std::string> cases[] = {
      {fetched(TFetchError::HttpStatus, 404), "http-404", "HTTP 404 (nicht gefunden)"},
      {fetched(TFetchError::ConnectionRefused), "connection-refused", "Verbindung abgelehnt"},
      {fetched(TFetchError::HostNotFound), "host-not-found", "Servername nicht gefunden"},
      {fetched(TFetchError::TooSlow), "too-slow",
       "Zeitüberschreitung: der Server sendet zu langsam (unter 64 Bytes/s über 30 s)"},
      {fetched(TFetchError::BadAnswer), "bad-answer", "unlesbare Antwort des Servers (kein gültiges HTTP)"},
      {fetched(TFetchError::Other), "network", "Netzwerkfehler"},
  };
  for (const auto& [result, code, text] : cases) {
    const TRefreshAnswer answer = ClassifyFetch(result, kNow, kNow);
    EXPECT_EQ(answer.Failure, code);
    EXPECT_EQ(FailureText(answer.Failure), text);
  }
  TFetchResult served;
  served.Status = TFetchStatus::Ok;
  served.Error = TFetchError::None;
  for (const auto& [status, text] : {std::pair<long, const char*>{410, "HTTP 410 (nicht mehr vorhanden)"},
                                     {503, "HTTP 503 (Dienst nicht verfügbar)"}}) {
    served.HttpCode = status;
    EXPECT_EQ(FailureText(ClassifyFetch(served, kNow, kNow).Failure), text);
  }
  EXPECT_EQ(FailureText(HttpFailureCode(418)), "HTTP 418 (Fehler in der Anfrage)");    // an error page read as such
  EXPECT_EQ(FailureText("Couldn't connect to server"), "Couldn't connect to server");  // older stores: free text
  EXPECT_EQ(FailureText("http-4040"), "http-4040");
  EXPECT_EQ(FailureText(""), "");

  // The tree's hint says why.
  TFeed feed = FeedAt("http://example.org/feed");
  TRefreshAnswer refused = Answer(TAnswerKind::Failed);
  refused.Failure = "connection-refused";
  RecordAnswer(feed, refused);
  feed.Error = true;
  EXPECT_EQ(FeedHintText(feed), "Dieses Feed konnte nicht aktualisiert werden!\nGrund: Verbindung abgelehnt");
  feed.URL = "http://example.org/elsewhere";  // the reason belongs to the old address
  EXPECT_EQ(FeedHintText(feed), "Dieses Feed konnte nicht aktualisiert werden!");
}

}  // namespace
}  // namespace tidewick
