// What a fetch sends back and learns from response heads: conditional requests, validators, Retry-After, and where
// a chain of redirects says the feed now lives.

#include "util/http_fetch_headers.h"

#include <gtest/gtest.h>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "support/http_test_server.h"
#include "util/http_fetch.h"

namespace tidewick {
namespace {

using test::TTestResponse;

TFetchOptions Direct() {
  TFetchOptions options;
  options.ProxyMode = 1;  // the machine's proxy environment stays out of the tests
  return options;
}

class FetchHeads : public ::testing::Test {
 protected:
  TFetchResult Fetch(const std::string& path, const TFetchOptions& options = Direct()) {
    std::string content;
    TFetchResult result = FetchUrl(m_server.Url(path), content, 5000, options);
    m_content = content;
    return result;
  }

  test::THttpTestServer m_server;
  std::string m_content;
};

TEST_F(FetchHeads, ConditionalRequestGets304WithoutBodyAndTheValidatorsOfTheAnswer) {
  m_server.SetHandler([](const test::TTestRequest& request) {
    return test::ConditionalAnswer(request, "\"v2\"", "<rss/>", "Sun, 06 Dec 2026 22:00:00 GMT");
  });
  const TFetchResult fresh = Fetch("/feed");
  ASSERT_TRUE(fresh.Ok());
  EXPECT_EQ(m_content, "<rss/>");
  EXPECT_EQ(fresh.ETag, "\"v2\"");
  EXPECT_EQ(fresh.LastModified, "Sun, 06 Dec 2026 22:00:00 GMT");
  EXPECT_GT(fresh.BytesReceived, 6);

  TFetchOptions conditional = Direct();
  conditional.IfNoneMatch = fresh.ETag;
  conditional.IfModifiedSince = fresh.LastModified;
  const TFetchResult unchanged = Fetch("/feed", conditional);
  ASSERT_TRUE(unchanged.Ok());
  EXPECT_EQ(unchanged.HttpCode, 304);
  EXPECT_TRUE(m_content.empty());
  EXPECT_EQ(unchanged.ETag, "\"v2\"");
  const std::vector<test::TTestRequest> requests = m_server.Requests();
  EXPECT_EQ(test::HeaderValue(requests[0], "If-None-Match"), "");
  EXPECT_EQ(test::HeaderValue(requests[0], "If-Modified-Since"), "");
  EXPECT_EQ(test::HeaderValue(requests[1], "If-Modified-Since"), "Sun, 06 Dec 2026 22:00:00 GMT");
}

TEST_F(FetchHeads, ValidatorThatWouldAddARequestLineIsNotSent) {
  m_server.SetResponse("/feed", {.Body = "x"});
  TFetchOptions hostile = Direct();
  hostile.IfNoneMatch = "\"a\"\r\nX-Injected: 1";
  ASSERT_TRUE(Fetch("/feed", hostile).Ok());
  const test::TTestRequest request = m_server.Requests().at(0);
  EXPECT_EQ(test::HeaderValue(request, "X-Injected"), "");
  EXPECT_EQ(test::HeaderValue(request, "If-None-Match"), "");
}

TEST_F(FetchHeads, HostileOrOverlongHeaderValuesAreDropped) {
  m_server.SetResponse("/feed", {.Headers = {{"ETag", "\"caf\xc3\xa9\""},
                                             {"Last-Modified", std::string(kMaxHeaderValueBytes + 1, 'a')},
                                             {"Retry-After", "  120  "}},
                                 .Body = "x"});
  const TFetchResult result = Fetch("/feed");
  EXPECT_EQ(result.ETag, "");
  EXPECT_EQ(result.LastModified, "");
  EXPECT_EQ(result.RetryAfter, "120");
}

struct TChainCase {
  const char* Name;
  std::vector<std::pair<int, const char*>> Hops;  // status and location of /0, /1, ...; the last path answers 200
  const char* Target;                             // path the feed should move to, or empty
};

class RedirectChain : public FetchHeads, public ::testing::WithParamInterface<TChainCase> {};

TEST_P(RedirectChain, PermanentTargetFollowsOnlyTheLeadingPermanentRedirects) {
  const TChainCase& c = GetParam();
  for (size_t i = 0; i < c.Hops.size(); ++i) {
    m_server.SetResponse(
        "/" + std::to_string(i),
        {.Status = c.Hops[i].first, .Headers = {{"ETag", "\"of-the-redirect\""}}, .Location = c.Hops[i].second});
  }
  m_server.SetResponse("/" + std::to_string(c.Hops.size()), {.Headers = {{"ETag", "\"final\""}}, .Body = "<rss/>"});
  const TFetchResult result = Fetch("/0");
  ASSERT_TRUE(result.Ok()) << result.Message;
  EXPECT_EQ(m_content, "<rss/>");
  EXPECT_EQ(result.ETag, "\"final\"");
  const std::string expected = std::string(c.Target).empty() ? "" : m_server.Url(c.Target);
  EXPECT_EQ(result.PermanentTarget, expected);
}

INSTANTIATE_TEST_SUITE_P(Chains, RedirectChain,
                         ::testing::Values(TChainCase{"None", {}, ""}, TChainCase{"Moved", {{301, "/1"}}, "/1"},
                                           TChainCase{"PermanentRedirect", {{308, "1"}}, "/1"},
                                           TChainCase{"Found", {{302, "/1"}}, ""},
                                           TChainCase{"SeeOther", {{303, "/1"}}, ""},
                                           TChainCase{"TemporaryRedirect", {{307, "/1"}}, ""},
                                           TChainCase{"MovedTwice", {{301, "/1"}, {308, "/2"}}, "/2"},
                                           TChainCase{"MovedThenFound", {{301, "/1"}, {302, "/2"}}, "/1"},
                                           TChainCase{"FoundThenMoved", {{302, "/1"}, {301, "/2"}}, ""}),
                         [](const auto& info) { return std::string(info.param.Name); });

// A moved feed's new address goes into the store: only one a fetch could follow.
TEST(FetchHeadsParsing, LocationsResolveAgainstTheAddressTheyCameFromToWebAddressesOnly) {
  const std::tuple<const char*, const char*, const char*> cases[] = {
      {"http://h/a/b?q", "c", "http://h/a/c"},
      {"http://h/a", "HTTPS://k", "https://k/"},
      {"h/a", "/b", ""},
      {"file:///etc/x", "/passwd", ""},
      {"http://h/a", "file:///etc/passwd", ""},
      {"http://h/a", "javascript:alert(1)", ""},
      {"http://h/a", "//", ""},
      {"http://h/a", "/b c", ""},
      {"http://h/a", "/b\r\nX: 1", ""},
      {"http://h/a", "/\xC3\xA4", ""},
  };
  for (const auto& [base, location, expected] : cases) {
    EXPECT_EQ(ResolveLocation(base, location), expected) << base << " + " << location;
  }
  EXPECT_EQ(PermanentTarget("http://h/a", {{301, "/b"}, {301, "c"}}), "http://h/c");
}

}  // namespace
}  // namespace tidewick
