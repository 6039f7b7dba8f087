// What a fetch sends back and learns from response heads: conditional requests, validators, Retry-After, and where
// a chain of redirects says the feed now lives.

#include "util/http_fetch_headers.h"

#include <gtest/gtest.h>
#include <string>
#include <utility>
#include <vector>

#include "support/http_test_server.h"
#include "support/table_file.h"
#include "util/http_fetch.h"

namespace tidewick {
namespace {

using test::TTestResponse;

TFetchOptions Direct() {
  TFetchOptions options;
  options.Proxy.Mode = 1;  // the machine's proxy environment stays out of the tests
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

TEST_F(FetchHeads, PermanentTargetFollowsOnlyTheLeadingPermanentRedirects) {
  // Status and location of /0, /1, ... (the last path answers 200), and the path the feed should move to.
  const std::pair<std::vector<std::pair<int, const char*>>, const char*> chains[] = {
      {{}, ""},
      {{{301, "/1"}}, "/1"},
      {{{308, "1"}}, "/1"},
      {{{302, "/1"}}, ""},
      {{{303, "/1"}}, ""},
      {{{307, "/1"}}, ""},
      {{{301, "/1"}, {308, "/2"}}, "/2"},
      {{{301, "/1"}, {302, "/2"}}, "/1"},
      {{{302, "/1"}, {301, "/2"}}, ""},
  };
  for (const auto& [hops, target] : chains) {
    SCOPED_TRACE(testing::Message() << hops.size() << " hops to " << target);
    for (size_t i = 0; i < hops.size(); ++i) {
      m_server.SetResponse(
          "/" + std::to_string(i),
          {.Status = hops[i].first, .Headers = {{"ETag", "\"of-the-redirect\""}}, .Location = hops[i].second});
    }
    m_server.SetResponse("/" + std::to_string(hops.size()), {.Headers = {{"ETag", "\"final\""}}, .Body = "<rss/>"});
    const TFetchResult result = Fetch("/0");
    ASSERT_TRUE(result.Ok()) << result.Message;
    EXPECT_EQ(m_content, "<rss/>");
    EXPECT_EQ(result.ETag, "\"final\"");
    EXPECT_EQ(result.PermanentTarget, std::string(target).empty() ? "" : m_server.Url(target));
  }
}

// A moved feed's new address goes into the store: only one a fetch could follow.
TEST(FetchHeadsParsing, LocationsResolveAgainstTheAddressTheyCameFromToWebAddressesOnly) {
  test::CheckTableFile("util/redirect_locations.tsv", 2,
                       [](const std::vector<std::string>& in) { return ResolveLocation(in[0], in[1]); });
  EXPECT_EQ(PermanentTarget("http://h/a", {{301, "/b"}, {301, "c"}}), "http://h/c");
}

}  // namespace
}  // namespace tidewick
