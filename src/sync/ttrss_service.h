#pragma once

// TSyncService for Tiny Tiny RSS (its JSON API at <server>/api/, API level 15 in Debian 12's tt-rss). Every call is
// one JSON POST; the session id lives in this object only and goes nowhere else (no log, no Detail).
//
// Requests per call: Login 2 (login, getApiLevel); Categories 1; Feeds 1; NewArticles 1 per page of up to 200
// articles, plus 1 when the last page is full (the empty page that says it was the last); UnreadIds and StarredIds
// the same per 200 ids; SetRead and SetStarred 1 per kMaxIdsPerRequest ids (none for no ids); Subscribe 1;
// Unsubscribe 1. A call finding the session expired adds the 2 of a login and its own repetition, once.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "sync/sync_service.h"

namespace tidewick {

class TJsonDocument;
class TJsonValue;

struct TTtrssLimits {
  size_t MaxAnswerBytes = size_t{16} * 1024 * 1024;  // one answer
  size_t MaxAnswerValues = 500000;                   // JSON values in one answer
  int PageSize = 200;                                // the most the server gives per getHeadlines
  int MaxPages = 10000;                              // pages of one listing (2 million articles or ids)
  size_t MaxIdsPerRequest = 1000;                    // ids in one updateArticle
};

class TTtrssService : public TSyncService {
 public:
  explicit TTtrssService(TSyncConnection connection, TTtrssLimits limits = {});

  TSyncStatus Login() override;
  TSyncStatus Categories(std::vector<TRemoteCategory>& categories) override;
  TSyncStatus Feeds(std::vector<TRemoteFeed>& feeds) override;
  // Pages come oldest first (the API's "date_reverse" order); an article a later page repeats (the server's order
  // shifted under new articles) is left out. newPosition is the highest article id read.
  TSyncStatus NewArticles(const std::string& position, const TArticlePageSink& sink, std::string& newPosition) override;
  TSyncStatus UnreadIds(const std::string& feedId, std::vector<int64_t>& ids) override;
  TSyncStatus StarredIds(std::vector<int64_t>& ids) override;
  TSyncStatus SetRead(const std::vector<int64_t>& ids, bool read) override;
  TSyncStatus SetStarred(const std::vector<int64_t>& ids, bool starred) override;
  TSyncStatus Subscribe(const std::string& url, const std::string& categoryId, std::string& feedId) override;
  // A feed the server no longer has counts as unsubscribed.
  TSyncStatus Unsubscribe(const std::string& feedId) override;
  int64_t RequestCount() const override { return m_requests.load(); }

  // The server's API level after Login (0 before).
  int ApiLevel() const { return m_apiLevel; }

 private:
  // One request of op with the extra members fields (",\"name\":value..."); answer holds the reply and content its
  // "content" member. Logs in first when there is no session, and again once when the server forgot it.
  TSyncStatus Call(const std::string& op, const std::string& fields, TJsonDocument& answer, TJsonValue& content);
  TSyncStatus Send(const std::string& op, const std::string& fields, TJsonDocument& answer, TJsonValue& content);
  // getHeadlines page after page until a short page; each page's headlines go to take, which may refuse them
  // (a wrong type, an id twice in one page) with an error or stop the listing by setting stop.
  TSyncStatus Headlines(const std::string& fields, bool content,
                        const std::function<TSyncStatus(const std::vector<TJsonValue>&, bool& stop)>& take);
  TSyncStatus IdList(const std::string& fields, std::vector<int64_t>& ids);
  TSyncStatus Update(const std::vector<int64_t>& ids, int field, bool value);

  TSyncConnection m_connection;
  TTtrssLimits m_limits;
  std::string m_endpoint;
  std::string m_session;
  int m_apiLevel = 0;
  std::atomic<int64_t> m_requests{0};
};

}  // namespace tidewick
