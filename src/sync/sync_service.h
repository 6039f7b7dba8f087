#pragma once

// What a sync server does for us, whatever its API: one implementation per kind of server (ttrss_service.h for Tiny
// Tiny RSS). The rest of the program (the sync run, the window, tidewick-feed sync) speaks only this interface, so a
// new kind of server (the Google Reader API, Nextcloud News) is one more implementation and one more Kind.
//
// Calls block (run them off the window's thread), never throw, and treat every answer as hostile: each size and
// count has a limit, and an answer that breaks one is an error, never a crash or a half-read result.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "feeds/feed_records.h"
#include "feeds/sync_account.h"
#include "util/dates.h"
#include "util/proxy.h"

namespace tidewick {

enum class TSyncError {
  None,
  Unreachable,     // no answer: the network error is in TSyncStatus::Detail
  NotApi,          // the server answered, but not with the API (a login page, HTML, a proxy's error page)
  BadAnswer,       // an API answer that breaks its rules or our limits (wrong types, too large, too deep)
  LoginFailed,     // wrong user name or password
  ApiDisabled,     // the account's "Enable API access" is off
  SessionExpired,  // the server forgot the session (the service logs in again once before reporting it)
  ServerError,     // the API reported an error of its own (Detail holds its text)
  Stopped,         // the caller's stop flag was raised
};

struct TSyncStatus {
  TSyncError Error = TSyncError::None;
  std::string Detail;  // English, for logs and the error hint; never holds the password or session id
  bool Ok() const { return Error == TSyncError::None; }
};

struct TRemoteCategory {
  std::string Id;
  std::string Title;
};

struct TRemoteFeed {
  std::string Id;
  std::string Title;
  std::string Url;         // the feed's own address, as the server fetches it
  std::string CategoryId;  // "" or "0" when uncategorised
  int64_t UnreadCount = 0;
};

// One article as the server gave it; texts are untrusted (the sync sanitises them exactly like a feed's).
struct TRemoteArticle {
  int64_t Id = 0;
  std::string FeedId;
  std::string Title;
  std::string Link;
  std::string Author;
  std::string Content;  // HTML
  TDateTime Updated = 0;
  bool Unread = true;
  bool Starred = false;
  std::vector<std::string> Categories;  // tags and labels
  std::vector<TEnclosure> Enclosures;
};

// Articles arrive in pages; the callback takes each page and may return false to stop (a limit reached).
using TArticlePageSink = std::function<bool(std::vector<TRemoteArticle>&& page)>;

class TSyncService {
 public:
  virtual ~TSyncService() = default;

  // Logs in (tt-rss: login, then getApiLevel); later calls log in again by themselves when the session expired.
  virtual TSyncStatus Login() = 0;
  virtual TSyncStatus Categories(std::vector<TRemoteCategory>& categories) = 0;
  virtual TSyncStatus Feeds(std::vector<TRemoteFeed>& feeds) = 0;
  // Every article newer than position (empty: all the server has), oldest pages first when the server allows; sets
  // newPosition to where the next sync starts.
  virtual TSyncStatus NewArticles(const std::string& position, const TArticlePageSink& sink,
                                  std::string& newPosition) = 0;
  // The ids of the feed's unread articles.
  virtual TSyncStatus UnreadIds(const std::string& feedId, std::vector<int64_t>& ids) = 0;
  // The ids of every starred article.
  virtual TSyncStatus StarredIds(std::vector<int64_t>& ids) = 0;
  // Marks articles read or unread, starred or not, in as few requests as the server allows.
  virtual TSyncStatus SetRead(const std::vector<int64_t>& ids, bool read) = 0;
  virtual TSyncStatus SetStarred(const std::vector<int64_t>& ids, bool starred) = 0;
  // Subscribes on the server; feedId is set when the server tells it at once (tt-rss does; the feed and its
  // articles still arrive with the next sync).
  virtual TSyncStatus Subscribe(const std::string& url, const std::string& categoryId, std::string& feedId) = 0;
  virtual TSyncStatus Unsubscribe(const std::string& feedId) = 0;

  // Requests sent so far (for the benchmark and the tool's summary).
  virtual int64_t RequestCount() const = 0;
};

// How a service reaches its server: the account's address and user name with the password (never stored by the
// service beyond its own life), the fetch settings of the program and a stop flag.
struct TSyncConnection {
  std::string ServerUrl;
  std::string UserName;
  std::string Password;
  TProxy Proxy;
  int TimeoutMs = 30000;
  const std::atomic<bool>* StopFlag = nullptr;
};

// The service for an account's Kind; nullptr for a kind this version does not know.
std::unique_ptr<TSyncService> MakeSyncService(const std::string& kind, TSyncConnection connection);

}  // namespace tidewick
