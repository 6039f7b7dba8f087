#include "sync/ttrss_service.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <unordered_set>

#include "util/http_fetch.h"
#include "util/json_reader.h"

namespace tidewick {
namespace {

// Longest server text kept in a Detail (error codes and messages are short; a hostile one is cut).
constexpr size_t kMaxDetailBytes = 200;
// Longest session id taken from the server (tt-rss's are 26 characters; the column holds 250).
constexpr size_t kMaxSessionBytes = 250;

// "<server>/api/", whether the account's address names the API folder or the tt-rss folder above it.
std::string ApiEndpoint(std::string url) {
  while (!url.empty() && url.back() == '/') {
    url.pop_back();
  }
  if (url.size() < 4 || url.compare(url.size() - 4, 4, "/api") != 0) {
    url += "/api";
  }
  return url + "/";
}

TSyncStatus Failed(TSyncError error, std::string detail) {
  return {error, std::move(detail)};
}

// A server's text for a Detail: one line of printable ASCII, cut to a sane length.
std::string ServerText(std::string_view text) {
  std::string out;
  for (const char c : text.substr(0, kMaxDetailBytes)) {
    out += c >= 0x20 && c < 0x7F ? c : '?';
  }
  return out;
}

std::string Field(std::string_view name, const std::string& jsonValue) {
  return "," + JsonQuoted(name) + ":" + jsonValue;
}

std::string Field(std::string_view name, int64_t value) {
  return Field(name, std::to_string(value));
}

// A positive id, written as a number or (as some PHP database drivers give them) a decimal string.
std::optional<int64_t> IdOf(const TJsonValue& value) {
  std::optional<int64_t> id = value.Int();
  if (const auto text = value.String(); text && !text->empty()) {
    int64_t parsed = 0;
    const auto [end, error] = std::from_chars(text->data(), text->data() + text->size(), parsed);
    if (error == std::errc() && end == text->data() + text->size()) {
      id = parsed;
    }
  }
  return id && *id > 0 ? id : std::nullopt;
}

// A feed or category id of ours, as tt-rss wants it (0 for an empty one).
std::optional<int64_t> ParseId(const std::string& text, bool emptyIsZero) {
  int64_t id = 0;
  if (text.empty()) {
    return emptyIsZero ? std::optional<int64_t>(0) : std::nullopt;
  }
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), id);
  return error == std::errc() && end == text.data() + text.size() && id >= 0 ? std::optional<int64_t>(id)
                                                                             : std::nullopt;
}

std::string StringOf(const TJsonValue& value) {
  return std::string(value.String().value_or(""));
}

TRemoteArticle ArticleOf(const TJsonValue& headline, int64_t id) {
  TRemoteArticle article;
  article.Id = id;
  article.FeedId = std::to_string(IdOf(headline["feed_id"]).value_or(0));
  article.Title = StringOf(headline["title"]);
  article.Link = StringOf(headline["link"]);
  article.Author = StringOf(headline["author"]);
  article.Content = StringOf(headline["content"]);
  article.Updated = UnixSecondsToDateTime(headline["updated"].Int().value_or(0));
  article.Unread = headline["unread"].Bool().value_or(true);
  article.Starred = headline["marked"].Bool().value_or(false);
  for (const TJsonValue& tag : headline["tags"].Items()) {
    if (const auto text = tag.String(); text && !text->empty()) {
      article.Categories.emplace_back(*text);
    }
  }
  for (const TJsonValue& label : headline["labels"].Items()) {  // [id, caption, colours...]
    const std::vector<TJsonValue> parts = label.Items();
    if (parts.size() >= 2 && parts[1].String()) {
      article.Categories.emplace_back(*parts[1].String());
    }
  }
  for (const TJsonValue& attachment : headline["attachments"].Items()) {
    if (const auto url = attachment["content_url"].String(); url && !url->empty()) {
      article.Enclosures.push_back({std::string(*url), StringOf(attachment["content_type"]), -1});
    }
  }
  return article;
}

}  // namespace

TTtrssService::TTtrssService(TSyncConnection connection, TTtrssLimits limits)
    : m_connection(std::move(connection)), m_limits(limits), m_endpoint(ApiEndpoint(m_connection.ServerUrl)) {}

TSyncStatus TTtrssService::Send(const std::string& op, const std::string& fields, TJsonDocument& answer,
                                TJsonValue& content) {
  TFetchOptions options;
  options.Proxy = m_connection.Proxy;
  options.StopFlag = m_connection.StopFlag;
  options.MaxBodyBytes = m_limits.MaxAnswerBytes;
  options.WebOnly = true;
  options.Post = true;
  options.PostContentType = "application/json";
  options.PostBody =
      "{\"op\":" + JsonQuoted(op) + (m_session.empty() ? "" : Field("sid", JsonQuoted(m_session))) + fields + "}";
  std::string body;
  ++m_requests;
  const TFetchResult fetched = FetchUrl(m_endpoint, body, m_connection.TimeoutMs, options);
  if (fetched.Status == TFetchStatus::Aborted) {
    return Failed(TSyncError::Stopped, "stopped");
  }
  if (fetched.Status == TFetchStatus::TooLarge) {
    return Failed(TSyncError::BadAnswer, op + ": the answer is larger than the limit");
  }
  if (fetched.Status == TFetchStatus::NotFound || fetched.Error == TFetchError::RedirectRefused) {
    return Failed(TSyncError::NotApi, op + ": no API at this address (" + fetched.Message + ")");
  }
  if (!fetched.Ok()) {
    return Failed(TSyncError::Unreachable, op + ": " + fetched.Message);
  }
  const size_t first = body.find_first_not_of(" \t\r\n");
  const bool looksLikeJson = first != std::string::npos && body[first] == '{';
  const TJsonLimits limits{.MaxBytes = m_limits.MaxAnswerBytes, .MaxValues = m_limits.MaxAnswerValues};
  if (!looksLikeJson || !answer.Parse(body, limits)) {
    if (!looksLikeJson) {
      return Failed(TSyncError::NotApi, op + ": the server answered HTTP " + std::to_string(fetched.HttpCode) +
                                            " with something other than the API");
    }
    return Failed(TSyncError::BadAnswer, op + ": " + answer.Error());
  }
  const TJsonValue root = answer.Root();
  const std::optional<int64_t> status = root["status"].Int();
  content = root["content"];
  if (!status || (*status != 0 && *status != 1) || !content.Exists()) {
    return Failed(TSyncError::BadAnswer, op + ": an answer without its status or content");
  }
  if (*status == 0) {
    return {};
  }
  const std::string error = ServerText(content["error"].String().value_or("unknown error"));
  if (error == "NOT_LOGGED_IN") {
    return Failed(TSyncError::SessionExpired, op + ": the server forgot the session");
  }
  if (error == "LOGIN_ERROR") {
    return Failed(TSyncError::LoginFailed, "wrong user name or password");
  }
  if (error == "API_DISABLED") {
    return Failed(TSyncError::ApiDisabled, "API access is off for this user");
  }
  return Failed(TSyncError::ServerError, op + ": " + error);
}

TSyncStatus TTtrssService::Login() {
  m_session.clear();
  m_apiLevel = 0;
  TJsonDocument answer;
  TJsonValue content;
  TSyncStatus status = Send(
      "login", Field("user", JsonQuoted(m_connection.UserName)) + Field("password", JsonQuoted(m_connection.Password)),
      answer, content);
  if (!status.Ok()) {
    return status;
  }
  const std::string_view session = content["session_id"].String().value_or("");
  const bool plain = std::all_of(session.begin(), session.end(), [](char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == ',' || c == '-';
  });
  if (session.empty() || session.size() > kMaxSessionBytes || !plain) {
    return Failed(TSyncError::BadAnswer, "login: no usable session id");
  }
  m_session = session;
  status = Send("getApiLevel", "", answer, content);
  if (!status.Ok()) {
    m_session.clear();
    return status;
  }
  const std::optional<int64_t> level = content["level"].Int();
  if (!level || *level < 1 || *level > 1000) {
    m_session.clear();
    return Failed(TSyncError::BadAnswer, "getApiLevel: no API level");
  }
  m_apiLevel = static_cast<int>(*level);
  return {};
}

TSyncStatus TTtrssService::Call(const std::string& op, const std::string& fields, TJsonDocument& answer,
                                TJsonValue& content) {
  if (m_session.empty()) {
    if (TSyncStatus status = Login(); !status.Ok()) {
      return status;
    }
  }
  TSyncStatus status = Send(op, fields, answer, content);
  if (status.Error == TSyncError::SessionExpired) {
    if (status = Login(); status.Ok()) {
      status = Send(op, fields, answer, content);
    }
  }
  return status;
}

TSyncStatus TTtrssService::Categories(std::vector<TRemoteCategory>& categories) {
  categories.clear();
  TJsonDocument answer;
  TJsonValue content;
  if (TSyncStatus status = Call("getCategories", Field("include_empty", "true"), answer, content); !status.Ok()) {
    return status;
  }
  if (!content.IsArray()) {
    return Failed(TSyncError::BadAnswer, "getCategories: not a list");
  }
  std::vector<TRemoteCategory> read;
  std::unordered_set<int64_t> seen;
  for (const TJsonValue& item : content.Items()) {
    const std::optional<int64_t> id = item["id"].Int();
    const auto title = item["title"].String();
    if (!id || !title) {
      return Failed(TSyncError::BadAnswer, "getCategories: a category without id or title");
    }
    if (*id <= 0) {  // the server's own groups: special feeds, labels, uncategorised
      continue;
    }
    if (!seen.insert(*id).second) {
      return Failed(TSyncError::BadAnswer, "getCategories: category " + std::to_string(*id) + " twice");
    }
    read.push_back({std::to_string(*id), std::string(*title)});
  }
  categories = std::move(read);
  return {};
}

TSyncStatus TTtrssService::Feeds(std::vector<TRemoteFeed>& feeds) {
  feeds.clear();
  TJsonDocument answer;
  TJsonValue content;
  // -3: every real feed of every category, without the special feeds and labels.
  if (TSyncStatus status = Call("getFeeds", Field("cat_id", -3), answer, content); !status.Ok()) {
    return status;
  }
  if (!content.IsArray()) {
    return Failed(TSyncError::BadAnswer, "getFeeds: not a list");
  }
  std::vector<TRemoteFeed> read;
  std::unordered_set<int64_t> seen;
  for (const TJsonValue& item : content.Items()) {
    const std::optional<int64_t> id = item["id"].Int();
    const auto title = item["title"].String();
    const auto url = item["feed_url"].String();
    if (!id || *id <= 0 || !title || !url) {
      return Failed(TSyncError::BadAnswer, "getFeeds: a feed without id, title or address");
    }
    if (!seen.insert(*id).second) {
      return Failed(TSyncError::BadAnswer, "getFeeds: feed " + std::to_string(*id) + " twice");
    }
    const int64_t category = std::max<int64_t>(0, item["cat_id"].Int().value_or(0));
    read.push_back({std::to_string(*id), std::string(*title), std::string(*url), std::to_string(category),
                    std::max<int64_t>(0, item["unread"].Int().value_or(0))});
  }
  feeds = std::move(read);
  return {};
}

TSyncStatus TTtrssService::Headlines(
    const std::string& fields, bool content,
    const std::function<TSyncStatus(const std::vector<TJsonValue>&, bool& stop)>& take) {
  for (int page = 0; page < m_limits.MaxPages; ++page) {
    TJsonDocument answer;
    TJsonValue list;
    const std::string pageFields =
        fields + Field("limit", m_limits.PageSize) + Field("skip", int64_t{page} * m_limits.PageSize) +
        Field("show_content", content ? "true" : "false") + Field("include_attachments", content ? "true" : "false") +
        Field("order_by", JsonQuoted("date_reverse")) +
        // The content is cleaned here exactly like a feed's; the server's own pass (an HTML parse per article)
        // would triple the time of a page.
        Field("sanitize", "false");
    if (TSyncStatus status = Call("getHeadlines", pageFields, answer, list); !status.Ok()) {
      return status;
    }
    const std::vector<TJsonValue> items = list.Items();
    if (!list.IsArray() || items.size() > static_cast<size_t>(m_limits.PageSize)) {
      return Failed(TSyncError::BadAnswer, "getHeadlines: not a list of at most one page");
    }
    bool stop = false;
    if (TSyncStatus status = take(items, stop); !status.Ok() || stop) {
      return status;
    }
    if (items.size() < static_cast<size_t>(m_limits.PageSize)) {
      return {};
    }
  }
  return Failed(TSyncError::BadAnswer, "getHeadlines: more pages than the limit");
}

namespace {

// The ids of one page, each positive and once; an id an earlier page gave is dropped (pages shift when articles
// arrive meanwhile), but a full page of nothing new means the server repeats itself.
TSyncStatus PageIds(const std::vector<TJsonValue>& items, size_t pageSize, std::unordered_set<int64_t>& seen,
                    std::vector<std::pair<int64_t, size_t>>& fresh) {
  fresh.clear();
  std::unordered_set<int64_t> inPage;
  for (size_t i = 0; i < items.size(); ++i) {
    const std::optional<int64_t> id = items[i]["id"].Int();
    if (!id || *id <= 0) {
      return Failed(TSyncError::BadAnswer, "getHeadlines: an article without id");
    }
    if (!inPage.insert(*id).second) {
      return Failed(TSyncError::BadAnswer, "getHeadlines: article " + std::to_string(*id) + " twice in one page");
    }
    if (seen.insert(*id).second) {
      fresh.emplace_back(*id, i);
    }
  }
  if (items.size() >= pageSize && fresh.empty()) {
    return Failed(TSyncError::BadAnswer, "getHeadlines: a full page of articles already read");
  }
  return {};
}

}  // namespace

TSyncStatus TTtrssService::NewArticles(const std::string& position, const TArticlePageSink& sink,
                                       std::string& newPosition) {
  const int64_t since = ParseId(position, true).value_or(0);
  int64_t highest = since;
  std::unordered_set<int64_t> seen;
  std::vector<std::pair<int64_t, size_t>> fresh;
  const TSyncStatus status = Headlines(
      Field("feed_id", -4) + Field("since_id", since) + Field("view_mode", JsonQuoted("all_articles")), true,
      [&](const std::vector<TJsonValue>& items, bool& stop) {
        if (TSyncStatus ids = PageIds(items, static_cast<size_t>(m_limits.PageSize), seen, fresh); !ids.Ok()) {
          return ids;
        }
        std::vector<TRemoteArticle> page;
        for (const auto& [id, index] : fresh) {
          page.push_back(ArticleOf(items[index], id));
          highest = std::max(highest, id);
        }
        stop = !page.empty() && !sink(std::move(page));
        return TSyncStatus{};
      });
  if (status.Ok()) {
    newPosition = std::to_string(highest);
  }
  return status;
}

TSyncStatus TTtrssService::IdList(const std::string& fields, std::vector<int64_t>& ids) {
  ids.clear();
  std::unordered_set<int64_t> seen;
  std::vector<std::pair<int64_t, size_t>> fresh;
  std::vector<int64_t> read;
  TSyncStatus status = Headlines(fields, false, [&](const std::vector<TJsonValue>& items, bool& /*stop*/) {
    TSyncStatus page = PageIds(items, static_cast<size_t>(m_limits.PageSize), seen, fresh);
    for (const auto& [id, index] : fresh) {
      read.push_back(id);
    }
    return page;
  });
  if (status.Ok()) {
    std::sort(read.begin(), read.end());
    ids = std::move(read);
  }
  return status;
}

TSyncStatus TTtrssService::UnreadIds(const std::string& feedId, std::vector<int64_t>& ids) {
  const std::optional<int64_t> feed = ParseId(feedId, false);
  if (!feed || *feed == 0) {
    ids.clear();
    return Failed(TSyncError::BadAnswer, "not a feed id: " + ServerText(feedId));
  }
  return IdList(Field("feed_id", *feed) + Field("view_mode", JsonQuoted("unread")), ids);
}

TSyncStatus TTtrssService::StarredIds(std::vector<int64_t>& ids) {
  return IdList(Field("feed_id", -1) + Field("view_mode", JsonQuoted("all_articles")), ids);
}

TSyncStatus TTtrssService::Update(const std::vector<int64_t>& ids, int field, bool value) {
  for (size_t start = 0; start < ids.size(); start += m_limits.MaxIdsPerRequest) {
    std::string list;
    for (size_t i = start; i < std::min(ids.size(), start + m_limits.MaxIdsPerRequest); ++i) {
      if (!list.empty()) {
        list += ',';
      }
      list += std::to_string(ids[i]);
    }
    TJsonDocument answer;
    TJsonValue content;
    const std::string fields =
        Field("article_ids", JsonQuoted(list)) + Field("mode", value ? 1 : 0) + Field("field", field);
    if (TSyncStatus status = Call("updateArticle", fields, answer, content); !status.Ok()) {
      return status;
    }
  }
  return {};
}

TSyncStatus TTtrssService::SetRead(const std::vector<int64_t>& ids, bool read) {
  return Update(ids, 2, !read);  // field 2 is "unread"
}

TSyncStatus TTtrssService::SetStarred(const std::vector<int64_t>& ids, bool starred) {
  return Update(ids, 0, starred);  // field 0 is "marked"
}

TSyncStatus TTtrssService::Subscribe(const std::string& url, const std::string& categoryId, std::string& feedId) {
  feedId.clear();
  const std::optional<int64_t> category = ParseId(categoryId, true);
  if (!category) {
    return Failed(TSyncError::BadAnswer, "not a category id: " + ServerText(categoryId));
  }
  TJsonDocument answer;
  TJsonValue content;
  const std::string fields = Field("feed_url", JsonQuoted(url)) + Field("category_id", *category);
  if (TSyncStatus status = Call("subscribeToFeed", fields, answer, content); !status.Ok()) {
    return status;
  }
  // 0: subscribed already, 1: added; the rest say why not (2 bad address, 3 and 4 a page, 5 no download...).
  const std::optional<int64_t> code = content["status"]["code"].Int();
  if (!code) {
    return Failed(TSyncError::BadAnswer, "subscribeToFeed: no result code");
  }
  if (*code != 0 && *code != 1) {
    const std::string message = ServerText(content["status"]["message"].String().value_or(""));
    return Failed(TSyncError::ServerError,
                  "subscribeToFeed: code " + std::to_string(*code) + (message.empty() ? "" : ": " + message));
  }
  if (const std::optional<int64_t> id = IdOf(content["status"]["feed_id"])) {
    feedId = std::to_string(*id);
  }
  return {};
}

TSyncStatus TTtrssService::Unsubscribe(const std::string& feedId) {
  const std::optional<int64_t> feed = ParseId(feedId, false);
  if (!feed || *feed == 0) {
    return Failed(TSyncError::BadAnswer, "not a feed id: " + ServerText(feedId));
  }
  TJsonDocument answer;
  TJsonValue content;
  TSyncStatus status = Call("unsubscribeFeed", Field("feed_id", *feed), answer, content);
  if (status.Error == TSyncError::ServerError && status.Detail == "unsubscribeFeed: FEED_NOT_FOUND") {
    return {};
  }
  return status;
}

}  // namespace tidewick
