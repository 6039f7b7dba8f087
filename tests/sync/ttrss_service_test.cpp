#include "sync/ttrss_service.h"

#include <gtest/gtest.h>
#include <tuple>

#include "support/http_test_server.h"
#include "support/ttrss_server.h"
#include "util/json_reader.h"

namespace tidewick {
namespace {

using test::TTestResponse;

TSyncConnection ConnectionTo(const std::string& url, const std::string& user, const std::string& password) {
  TSyncConnection connection;
  connection.ServerUrl = url;
  connection.UserName = user;
  connection.Password = password;
  connection.Proxy.Mode = 1;
  return connection;
}

// Against the private server of the "ttrss" fixture, emptied before each test.
class TtrssServer : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!m_server) {
      GTEST_SKIP() << "no Tiny Tiny RSS server (the ctest fixture ttrss starts one)";
    }
    m_seed.Reset();
  }
  TTtrssService Service(TTtrssLimits limits = {}) const {
    return TTtrssService(ConnectionTo(m_server->Url, m_server->User, m_server->Password), limits);
  }

  std::optional<test::TTtrssServer> m_server = test::RunningTtrssServer();
  test::TTtrssSeed m_seed{m_server.value_or(test::TTtrssServer{})};
};

TEST_F(TtrssServer, LogsInWithTheRightPasswordAndApiAccessOnly) {
  // User, password, API access, the error, the API level.
  const std::tuple<std::string, std::string, bool, TSyncError, int> cases[] = {
      {m_server->User, m_server->Password, true, TSyncError::None, 15},
      {m_server->User, "wrong", true, TSyncError::LoginFailed, 0},
      {"nobody", m_server->Password, true, TSyncError::LoginFailed, 0},
      {m_server->User, m_server->Password, false, TSyncError::ApiDisabled, 0},
  };
  for (const auto& [user, password, access, error, level] : cases) {
    SCOPED_TRACE(user + "/" + password);
    m_seed.SetApiAccess(access);
    TTtrssService service(ConnectionTo(m_server->Url, user, password));
    const TSyncStatus status = service.Login();
    EXPECT_EQ(status.Error, error) << status.Detail;
    EXPECT_EQ(service.ApiLevel(), level);
    EXPECT_EQ(service.RequestCount(), level > 0 ? 2 : 1);
  }
}

TEST_F(TtrssServer, ListsCategoriesAndFeedsWithUnreadCounts) {
  const std::vector<int64_t> categories = m_seed.AddCategories({"News", "Empty"});
  const std::vector<int64_t> news = m_seed.AddFeeds(2, categories[0], "News");
  const std::vector<int64_t> loose = m_seed.AddFeeds(1, 0, "Loose");
  const std::vector<int64_t> articles = m_seed.AddArticles({news[0], loose[0]}, 3);
  m_seed.SetMark({articles[0]}, "unread", false);
  TTtrssService service = Service();
  std::vector<TRemoteCategory> readCategories;
  ASSERT_TRUE(service.Categories(readCategories).Ok());
  ASSERT_EQ(readCategories.size(), 2u);
  EXPECT_EQ(readCategories[0].Id, std::to_string(categories[0]));
  EXPECT_EQ(readCategories[0].Title, "News");
  std::vector<TRemoteFeed> feeds;  // in the server's order: by title
  ASSERT_TRUE(service.Feeds(feeds).Ok());
  std::vector<std::tuple<std::string, std::string, int64_t>> read;
  for (const TRemoteFeed& feed : feeds) {
    read.emplace_back(feed.Id, feed.CategoryId, feed.UnreadCount);
  }
  EXPECT_EQ(read, (std::vector<std::tuple<std::string, std::string, int64_t>>{
                      {std::to_string(loose[0]), "0", 3},
                      {std::to_string(news[0]), std::to_string(categories[0]), 2},
                      {std::to_string(news[1]), std::to_string(categories[0]), 0}}));
  EXPECT_EQ(feeds[0].Title, "Loose 1");
  EXPECT_EQ(service.RequestCount(), 2 + 2);  // the login, then one request each
}

TEST_F(TtrssServer, NewArticlesArriveInPagesOldestFirstAfterThePosition) {
  const std::vector<int64_t> feeds = m_seed.AddFeeds(3, 0);
  const std::vector<int64_t> articles = m_seed.AddArticles(feeds, 40);  // 120
  m_seed.SetMark({articles[20]}, "marked", true);
  TTtrssService service = Service({.PageSize = 25});
  std::vector<int64_t> read;
  std::vector<size_t> pages;
  std::string position;
  const auto sink = [&](std::vector<TRemoteArticle>&& page) {
    pages.push_back(page.size());
    for (const TRemoteArticle& article : page) {
      read.push_back(article.Id);
      if (article.Id == articles[20]) {
        EXPECT_TRUE(article.Starred);
        EXPECT_TRUE(article.Unread);
        EXPECT_EQ(article.FeedId, std::to_string(feeds[0]));
        EXPECT_EQ(article.Title, "Article " + std::to_string(feeds[0]) + "-21");
        EXPECT_EQ(article.Content, "<p>Text 21</p>");
        EXPECT_EQ(DateTimeToUnixSeconds(article.Updated), 1704067200 + 21);
      }
    }
    return true;
  };
  ASSERT_TRUE(service.NewArticles(std::to_string(articles[9]), sink, position).Ok());
  EXPECT_EQ(read, std::vector<int64_t>(articles.begin() + 10, articles.end()));
  EXPECT_EQ(pages, (std::vector<size_t>{25, 25, 25, 25, 10}));
  EXPECT_EQ(position, std::to_string(articles.back()));
  EXPECT_EQ(service.RequestCount(), 2 + 5);
  // Nothing new: one request, the position stays; a sink that stops ends the listing.
  ASSERT_TRUE(service.NewArticles(position, sink, position).Ok());
  EXPECT_EQ(position, std::to_string(articles.back()));
  pages.clear();
  ASSERT_TRUE(service
                  .NewArticles(
                      "", [&](std::vector<TRemoteArticle>&& page) { return sink(std::move(page)) && false; }, position)
                  .Ok());
  EXPECT_EQ(pages.size(), 1u);
  EXPECT_EQ(position, std::to_string(articles[24]));
}

TEST_F(TtrssServer, MarksGoBothWays) {
  const std::vector<int64_t> feeds = m_seed.AddFeeds(2, 0);
  const std::vector<int64_t> articles = m_seed.AddArticles(feeds, 5);
  m_seed.SetMark({articles[0], articles[1], articles[7]}, "unread", false);
  m_seed.SetMark({articles[2], articles[8]}, "marked", true);
  TTtrssService service = Service({.PageSize = 2, .MaxIdsPerRequest = 2});
  std::vector<int64_t> ids;
  ASSERT_TRUE(service.UnreadIds(std::to_string(feeds[0]), ids).Ok());
  EXPECT_EQ(ids, (std::vector<int64_t>{articles[2], articles[3], articles[4]}));
  EXPECT_EQ(service.RequestCount(), 2 + 2);
  ASSERT_TRUE(service.StarredIds(ids).Ok());
  EXPECT_EQ(ids, (std::vector<int64_t>{articles[2], articles[8]}));
  EXPECT_EQ(service.RequestCount(), 4 + 2);  // a full page, then the empty one
  ASSERT_TRUE(service.SetRead({articles[2], articles[3], articles[4]}, true).Ok());
  ASSERT_TRUE(service.SetRead({articles[0]}, false).Ok());
  ASSERT_TRUE(service.SetStarred({articles[9]}, true).Ok());
  ASSERT_TRUE(service.SetStarred({articles[2]}, false).Ok());
  ASSERT_TRUE(service.SetStarred({}, false).Ok());
  EXPECT_EQ(service.RequestCount(), 6 + 2 + 1 + 1 + 1);
  EXPECT_EQ(m_seed.MarkedIds("unread"),
            (std::vector<int64_t>{articles[0], articles[5], articles[6], articles[8], articles[9]}));
  EXPECT_EQ(m_seed.MarkedIds("marked"), (std::vector<int64_t>{articles[8], articles[9]}));
  EXPECT_EQ(service.UnreadIds("x", ids).Error, TSyncError::BadAnswer);
}

TEST_F(TtrssServer, SubscriptionsAndAnExpiredSession) {
  const std::vector<int64_t> feeds = m_seed.AddFeeds(2, 0);
  TTtrssService service = Service();
  ASSERT_TRUE(service.Unsubscribe(std::to_string(feeds[0])).Ok());
  ASSERT_TRUE(service.Unsubscribe(std::to_string(feeds[0])).Ok());  // gone already
  std::vector<TRemoteFeed> remaining;
  ASSERT_TRUE(service.Feeds(remaining).Ok());
  ASSERT_EQ(remaining.size(), 1u);
  EXPECT_EQ(remaining[0].Id, std::to_string(feeds[1]));
  // The server refuses loopback feeds, and says so.
  std::string feedId = "left over";
  const TSyncStatus refused = service.Subscribe("http://127.0.0.1:1/feed.xml", "", feedId);
  EXPECT_EQ(refused.Error, TSyncError::ServerError);
  EXPECT_NE(refused.Detail.find("failed extended validation"), std::string::npos) << refused.Detail;
  EXPECT_EQ(feedId, "");
  // A forgotten session costs the failed request, a login and the request again.
  const int64_t before = service.RequestCount();
  m_seed.EndSessions();
  ASSERT_TRUE(service.Feeds(remaining).Ok());
  EXPECT_EQ(service.RequestCount() - before, 1 + 2 + 1);
}

// A stand-in server for answers the real one never gives: it logs in, and answers every other call with the body.
class TtrssStandIn : public ::testing::Test {
 protected:
  void Answer(TTestResponse other, std::string login = R"({"status":0,"content":{"session_id":"s1"}})") {
    m_server.SetHandler([other, login](const test::TTestRequest& request) {
      TJsonDocument body;
      const std::string op(body.Parse(request.Body) ? body.Root()["op"].String().value_or("") : "");
      if (op == "login") {
        return TTestResponse{.Body = login};
      }
      return op == "getApiLevel" ? TTestResponse{.Body = R"({"status":0,"content":{"level":15}})"} : other;
    });
  }
  TTtrssService Service() {
    return TTtrssService(ConnectionTo(m_server.Url("/tt-rss/"), "user", "secret"),
                         {.MaxAnswerBytes = 100000, .PageSize = 2, .MaxPages = 5});
  }

  test::THttpTestServer m_server;
};

std::string Wrapped(const std::string& content) {
  return R"({"seq":0,"status":0,"content":)" + content + "}";
}

TEST_F(TtrssStandIn, HostileAnswersAreErrorsNeverAHalfReadList) {
  const std::string feed = R"({"id":1,"title":"A","feed_url":"http://a/","cat_id":0,"unread":1})";
  const std::string headline = R"({"id":1,"title":"A"})";
  // The answer to getFeeds (or getHeadlines when it holds headlines), the error.
  const std::tuple<TTestResponse, bool, TSyncError> cases[] = {
      {{.Body = "<html><form>Login</form><script>alert(1)</script></html>"}, false, TSyncError::NotApi},
      {{.Status = 502, .Body = "<html>Bad Gateway</html>"}, false, TSyncError::NotApi},
      {{.Status = 302, .Location = "/login"}, false, TSyncError::NotApi},
      {{.Body = Wrapped("[" + feed + std::string(200000, ' ') + "]")}, false, TSyncError::BadAnswer},
      {{.Body = Wrapped(std::string(100, '[') + std::string(100, ']'))}, false, TSyncError::BadAnswer},
      {{.Body = Wrapped("[" + feed)}, false, TSyncError::BadAnswer},
      {{.Body = Wrapped("[\"\xC3\"]")}, false, TSyncError::BadAnswer},
      {{.Body = Wrapped(R"([{"id":"one","title":7,"feed_url":"x"}])")}, false, TSyncError::BadAnswer},
      {{.Body = Wrapped("[" + feed + "," + feed + "]")}, false, TSyncError::BadAnswer},
      {{.Body = Wrapped(R"({"id":1})")}, false, TSyncError::BadAnswer},
      {{.Body = R"({"status":"0","content":[]})"}, false, TSyncError::BadAnswer},
      {{.Body = R"({"status":1,"content":{"error":"NOT_LOGGED_IN"}})"}, false, TSyncError::SessionExpired},
      {{.Body = R"({"status":1,"content":{"error":"DATABASE_ON_FIRE\n"}})"}, false, TSyncError::ServerError},
      {{.Body = Wrapped("[" + headline + "," + headline + "]")}, true, TSyncError::BadAnswer},
      {{.Body = Wrapped(R"([{"id":1},{"id":2}])")}, true, TSyncError::BadAnswer},  // the same full page again
      {{.Body = Wrapped(R"([{"id":1},{"id":2},{"id":3}])")}, true, TSyncError::BadAnswer},
      {{.Body = Wrapped(R"([{"id":-5}])")}, true, TSyncError::BadAnswer},
  };
  for (const auto& [response, headlines, error] : cases) {
    SCOPED_TRACE(response.Body.substr(0, 60));
    Answer(response);
    TTtrssService service = Service();
    TSyncStatus status;
    if (headlines) {
      std::string position = "7";
      status = service.NewArticles(
          "", [](std::vector<TRemoteArticle>&&) { return true; }, position);
      EXPECT_EQ(position, "7");
    } else {
      std::vector<TRemoteFeed> feeds(1);
      status = service.Feeds(feeds);
      EXPECT_TRUE(feeds.empty());
    }
    EXPECT_EQ(status.Error, error) << status.Detail;
    EXPECT_EQ(status.Detail.find("s1"), std::string::npos);  // never the session id, nor the password
    EXPECT_EQ(status.Detail.find("secret"), std::string::npos);
    EXPECT_EQ(status.Detail.find('\n'), std::string::npos);
  }
}

TEST_F(TtrssStandIn, ALoginAnswerWithoutAUsableSessionFails) {
  for (const std::string login : {R"({"status":0,"content":{}})", R"({"status":0,"content":{"session_id":"a b"}})",
                                  R"({"status":0,"content":{"session_id":17}})"}) {
    Answer({}, login);
    EXPECT_EQ(Service().Login().Error, TSyncError::BadAnswer) << login;
  }
  Answer({.Body = Wrapped("[]")});
  TTtrssService service = Service();
  ASSERT_TRUE(service.Login().Ok());
  const auto requests = m_server.Requests();
  EXPECT_EQ(requests.back().Target, "/tt-rss/api/");
  EXPECT_NE(requests.front().Body.find(R"("password":"secret")"), std::string::npos);
  EXPECT_NE(requests.back().Body.find(R"("sid":"s1")"), std::string::npos);
  EXPECT_EQ(MakeSyncService("ttrss", {}) != nullptr, true);
  EXPECT_EQ(MakeSyncService("other", {}), nullptr);
}

}  // namespace
}  // namespace tidewick
