#include "util/http_fetch.h"

#include <dlfcn.h>
#include <netdb.h>
#include <zlib.h>

#include <atomic>
#include <brotli/encode.h>
#include <chrono>
#include <condition_variable>
#include <fstream>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>
#include <tuple>

#include "support/env_guard.h"
#include "support/http_test_server.h"
#include "support/temp_dir.h"

// A resolver that hangs: the lookup of kSlowHost waits (up to six seconds) until the test releases it. This definition
// takes the C library's place for the whole test program, so libcurl's resolver thread calls it; every other name
// goes to the real lookup.
namespace {
constexpr const char* kSlowHost = "slow-resolver.invalid";
constexpr const char* kMissingHost = "missing-host.invalid";  // does not resolve, at once
std::mutex g_slowLookupMutex;
std::condition_variable g_slowLookupReleased;
bool g_slowLookupRelease = false;
}  // namespace

extern "C" int getaddrinfo(const char* node, const char* service, const addrinfo* hints, addrinfo** result) {
  if (node != nullptr && std::string_view(node) == kSlowHost) {
    std::unique_lock lock(g_slowLookupMutex);
    g_slowLookupReleased.wait_for(lock, std::chrono::seconds(6), [] { return g_slowLookupRelease; });
    return EAI_NONAME;
  }
  if (node != nullptr && std::string_view(node) == kMissingHost) {
    return EAI_NONAME;
  }
  using TLookup = int (*)(const char*, const char*, const addrinfo*, addrinfo**);
  static const auto real = reinterpret_cast<TLookup>(::dlsym(RTLD_NEXT, "getaddrinfo"));
  return real(node, service, hints, result);
}

namespace tidewick {
namespace {

using test::THttpTestServer;
using test::TTestResponse;

// Keeps the proxy environment of the machine out of the tests.
struct TNoProxyEnvironment {
  test::EnvGuard Http{"http_proxy", std::nullopt};
  test::EnvGuard Https{"https_proxy", std::nullopt};
  test::EnvGuard All{"all_proxy", std::nullopt};
  test::EnvGuard AllUpper{"ALL_PROXY", std::nullopt};
  test::EnvGuard NoProxy{"no_proxy", std::nullopt};
  test::EnvGuard NoProxyUpper{"NO_PROXY", std::nullopt};
};

class HttpFetch : public ::testing::Test {
 protected:
  TNoProxyEnvironment m_noProxy;
  THttpTestServer m_server;
};

TEST_F(HttpFetch, GivesTheBodyForEveryStatusButNotFound) {
  const std::tuple<int, std::string, TFetchStatus> cases[] = {
      {200, "<rss/>", TFetchStatus::Ok},
      {404, "<html>gone</html>", TFetchStatus::NotFound},
      {500, "<html><body>Oops</body></html>", TFetchStatus::Ok},
      {200, "", TFetchStatus::Ok},
      {200, std::string("a\0b\xff\xfe\r\n", 7), TFetchStatus::Ok},
  };
  for (const auto& [status, body, expected] : cases) {
    m_server.SetResponse("/feed", {.Status = status, .Body = body});
    std::string content = "left over";
    const TFetchResult result = FetchUrl(m_server.Url("/feed"), content, 2000);
    EXPECT_EQ(result.Status, expected) << status;
    EXPECT_EQ(result.HttpCode, status);
    EXPECT_EQ(content, expected == TFetchStatus::Ok ? body : "") << status;
    EXPECT_EQ(DownloadUrl(m_server.Url("/feed"), content, 2000), expected == TFetchStatus::Ok) << status;
  }
}

TEST_F(HttpFetch, SendsTheAgentAndBypassesCaches) {
  m_server.SetResponse("/feed", {.Body = "x"});
  std::string content;
  ASSERT_TRUE(DownloadUrl(m_server.Url("/feed"), content, 2000));
  const auto requests = m_server.Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_NE(requests[0].Headers.find("User-Agent: Tidewick/"), std::string::npos);
  EXPECT_NE(requests[0].Headers.find("Cache-Control: no-cache"), std::string::npos);
}

TEST_F(HttpFetch, StalledServerEndsWithTheReceiveTimeout) {
  m_server.SetResponse("/stall", {.Stall = true});
  std::string content;
  const auto started = std::chrono::steady_clock::now();
  const TFetchResult result = FetchUrl(m_server.Url("/stall"), content, 1000);
  const auto took = std::chrono::steady_clock::now() - started;
  EXPECT_EQ(result.Status, TFetchStatus::TimedOut);
  EXPECT_GE(took, std::chrono::milliseconds(900));
  EXPECT_LT(took, std::chrono::milliseconds(3000));
}

TEST_F(HttpFetch, TimeoutBelowOneSecondCountsAsTheDefault) {
  // Longer than the 1 ms asked for, shorter than the default.
  m_server.SetResponse("/slow", {.Body = "late", .DelayMs = 1200});
  std::string content;
  EXPECT_TRUE(DownloadUrl(m_server.Url("/slow"), content, 1));
  EXPECT_EQ(content, "late");
}

TEST_F(HttpFetch, DrippingServerIsCutOffByTheOverallLimit) {
  // A byte every 0.1 s never trips the receive time-out.
  m_server.SetResponse("/drip", {.Body = std::string(100, 'x'), .DripIntervalMs = 100});
  TFetchOptions options;
  options.MaxTransferMs = 700;
  std::string content;
  const auto started = std::chrono::steady_clock::now();
  const TFetchResult result = FetchUrl(m_server.Url("/drip"), content, 1000, options);
  EXPECT_EQ(result.Status, TFetchStatus::TimedOut);
  EXPECT_EQ(result.Error, TFetchError::TookTooLong);
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(2500));
}

// Fault guarded: a body dripped at a byte a second held its feed (and a command-line refresh with the store's lock)
// for the whole five-minute cap, since the receive time-out only bounds the wait between two packets.
TEST_F(HttpFetch, TransferUnderTheLowSpeedLimitEndsAsTooSlowOneAboveItArrives) {
  m_server.SetResponse("/drip", {.Body = std::string(100, 'x'), .DripIntervalMs = 100});  // 10 bytes/s
  m_server.SetResponse("/steady", {.Body = std::string(100, 'x'), .DripIntervalMs = 5});  // about 200 bytes/s
  TFetchOptions options;
  options.LowSpeedWindowMs = 500;
  std::string content;
  const auto started = std::chrono::steady_clock::now();
  const TFetchResult slow = FetchUrl(m_server.Url("/drip"), content, 5000, options);
  EXPECT_EQ(slow.Status, TFetchStatus::TimedOut);
  EXPECT_EQ(slow.Error, TFetchError::TooSlow);
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(3000));
  options.LowSpeedBytesPerSecond = 20;
  EXPECT_TRUE(FetchUrl(m_server.Url("/steady"), content, 5000, options).Ok());
  EXPECT_EQ(content.size(), 100u);
}

// Each failure names its cause, also where libcurl's own text would mislead (it calls a header line over its limit
// "out of memory" and an HTTP/0.9 reply an "unsupported protocol").
TEST_F(HttpFetch, FailuresSayWhy) {
  const int closedPort = THttpTestServer().Port();  // nothing listens there any more
  const std::string longHeader = "HTTP/1.1 200 OK\r\nX-Long: " + std::string(200000, 'a') + "\r\n\r\n<rss/>";
  // A path on the test server (starting with "/") or a full address, the server's answer, the error.
  const std::tuple<const char*, TTestResponse, TFetchError> cases[] = {
      {"/missing", {}, TFetchError::HttpStatus},
      {"/stall", {.Stall = true}, TFetchError::NoAnswer},
      {"/http09", {.Body = "<rss version=\"2.0\"></rss>\n", .Raw = true}, TFetchError::BadAnswer},
      {"/long-header", {.Body = longHeader, .Raw = true}, TFetchError::BadAnswer},
      {"/to-file", {.Status = 302, .Location = "file:///etc/passwd"}, TFetchError::RedirectRefused},
      {"/loop", {.Status = 302, .Location = "/loop"}, TFetchError::TooManyRedirects},
      {"/big", {.Body = std::string(5000, 'x')}, TFetchError::TooLarge},
      {"http://missing-host.invalid/feed", {}, TFetchError::HostNotFound},
      {"gopher://127.0.0.1/feed", {}, TFetchError::UnsupportedScheme},
      {"dict://127.0.0.1/x", {}, TFetchError::UnsupportedScheme},
      {"javascript:alert(1)", {}, TFetchError::UnsupportedScheme},
      {"ldap://x/", {}, TFetchError::UnsupportedScheme},
      {"file:///nonexistent/feed.xml", {}, TFetchError::FileMissing},
  };
  TFetchOptions options;
  options.MaxBodyBytes = 1000;
  for (const auto& [path, response, expected] : cases) {
    SCOPED_TRACE(path);
    const bool address = path[0] != '/';
    if (!address && std::string_view(path) != "/missing") {
      m_server.SetResponse(path, response);
    }
    std::string content;
    const TFetchResult result = FetchUrl(address ? std::string(path) : m_server.Url(path), content, 1000, options);
    EXPECT_FALSE(result.Ok());
    EXPECT_EQ(result.Error, expected) << result.Message;
    EXPECT_EQ(content.find("root:"), std::string::npos);  // nothing of a local file a redirect named
  }
  std::string content;
  const TFetchResult refused = FetchUrl("http://127.0.0.1:" + std::to_string(closedPort) + "/", content, 2000);
  EXPECT_EQ(refused.Status, TFetchStatus::Failed);
  EXPECT_EQ(refused.Error, TFetchError::ConnectionRefused);
  EXPECT_EQ(FetchUrl(m_server.Url("/missing"), content, 2000).Error, TFetchError::HttpStatus);
  m_server.SetResponse("/feed", {.Body = "<rss/>"});
  EXPECT_EQ(FetchUrl(m_server.Url("/feed"), content, 2000).Error, TFetchError::None);
}

TEST_F(HttpFetch, PostsTheBodyAndNeverFollowsARedirectOfIt) {
  // The path, the server's answer, the status of the fetch.
  const std::tuple<const char*, TTestResponse, TFetchStatus> cases[] = {
      {"/api", {.Body = "{}"}, TFetchStatus::Ok},
      {"/moved", {.Status = 301, .Location = "/api"}, TFetchStatus::Failed},
      {"/found", {.Status = 302, .Location = "/api"}, TFetchStatus::Failed},
      {"/kept", {.Status = 307, .Location = "/api"}, TFetchStatus::Failed},
  };
  TFetchOptions options;
  options.Post = true;
  options.PostBody = std::string(3000, 'p') + "\"password\"";  // longer than libcurl's wait for "100 Continue"
  options.PostContentType = "application/json";
  for (const auto& [path, response, expected] : cases) {
    SCOPED_TRACE(path);
    m_server.SetResponse(path, response);
    const int before = m_server.RequestCount();
    std::string content;
    const TFetchResult result = FetchUrl(m_server.Url(path), content, 2000, options);
    EXPECT_EQ(result.Status, expected);
    EXPECT_EQ(result.Error, expected == TFetchStatus::Ok ? TFetchError::None : TFetchError::RedirectRefused);
    EXPECT_EQ(m_server.RequestCount() - before, 1);  // the body went to one address only
    const auto request = m_server.Requests().back();
    EXPECT_EQ(request.Method, "POST");
    EXPECT_EQ(request.Body, options.PostBody);
    EXPECT_EQ(test::HeaderValue(request, "Content-Type"), "application/json");
    EXPECT_EQ(content, expected == TFetchStatus::Ok ? "{}" : "");
  }
}

TEST_F(HttpFetch, FollowsRedirectsButNotLoops) {
  m_server.SetResponse("/first", {.Status = 301, .Location = "/second"});
  m_server.SetResponse("/second", {.Status = 302, .Location = m_server.Url("/final")});
  m_server.SetResponse("/final", {.Body = "<feed/>"});
  std::string content;
  EXPECT_TRUE(FetchUrl(m_server.Url("/first"), content, 2000).Ok());
  EXPECT_EQ(content, "<feed/>");
  m_server.SetResponse("/loop", {.Status = 302, .Location = "/loop"});
  const int before = m_server.RequestCount();
  EXPECT_EQ(FetchUrl(m_server.Url("/loop"), content, 2000).Status, TFetchStatus::Failed);
  EXPECT_LE(m_server.RequestCount() - before, kMaxRedirects + 1);
}

TEST_F(HttpFetch, BodyOverTheLimitFails) {
  TFetchOptions options;
  options.MaxBodyBytes = 1000;
  m_server.SetResponse("/exact", {.Body = std::string(1000, 'x')});
  // The limit must hold while reading too, not only for the announced length.
  m_server.SetResponse("/unannounced", {.Body = std::string(5000, 'x'), .SendLength = false});
  std::string content;
  EXPECT_TRUE(DownloadUrl(m_server.Url("/exact"), content, 2000, options));
  EXPECT_EQ(FetchUrl(m_server.Url("/unannounced"), content, 2000, options).Status, TFetchStatus::TooLarge);
  EXPECT_TRUE(content.empty());
}

// body in the given content coding, compressed as tightly as the library can.
std::string Compressed(const std::string& body, const std::string& coding) {
  if (coding == "br") {
    std::string out(BrotliEncoderMaxCompressedSize(body.size()), '\0');
    size_t size = out.size();
    EXPECT_TRUE(BrotliEncoderCompress(9, BROTLI_DEFAULT_WINDOW, BROTLI_MODE_GENERIC, body.size(),
                                      reinterpret_cast<const uint8_t*>(body.data()), &size,
                                      reinterpret_cast<uint8_t*>(out.data())));
    out.resize(size);
    return out;
  }
  z_stream stream{};
  EXPECT_EQ(deflateInit2(&stream, 9, Z_DEFLATED, coding == "gzip" ? 31 : 15, 9, Z_DEFAULT_STRATEGY), Z_OK);
  std::string out(deflateBound(&stream, body.size()), '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(body.data()));
  stream.avail_in = static_cast<uInt>(body.size());
  stream.next_out = reinterpret_cast<Bytef*>(out.data());
  stream.avail_out = static_cast<uInt>(out.size());
  EXPECT_EQ(deflate(&stream, Z_FINISH), Z_STREAM_END);
  out.resize(stream.total_out);
  deflateEnd(&stream);
  return out;
}

TEST_F(HttpFetch, DecodesEveryCodingAndStopsACompressionBombAtTheLimit) {
  TFetchOptions options;
  options.MaxBodyBytes = 1 << 20;
  const std::string expanded(8 << 20, ' ');  // eight times the limit, from a few kilobytes
  const std::string body = std::string(70000, 'a') + "<rss/>";
  for (const char* coding : {"gzip", "deflate", "br"}) {
    SCOPED_TRACE(coding);
    m_server.SetResponse("/feed", {.Headers = {{"Content-Encoding", coding}}, .Body = Compressed(body, coding)});
    std::string decoded;
    ASSERT_TRUE(DownloadUrl(m_server.Url("/feed"), decoded, 5000, options));
    EXPECT_EQ(decoded, body);
    const TTestResponse bomb{.Headers = {{"Content-Encoding", coding}}, .Body = Compressed(expanded, coding)};
    ASSERT_LT(bomb.Body.size(), 16384u);
    m_server.SetResponse("/bomb", bomb);
    std::string content;
    EXPECT_EQ(FetchUrl(m_server.Url("/bomb"), content, 5000, options).Status, TFetchStatus::TooLarge);
    EXPECT_TRUE(content.empty());
    EXPECT_EQ(content.capacity(), std::string().capacity());  // nothing of the expansion is kept
  }
}

TEST_F(HttpFetch, StopFlagAbortsAStalledTransferOrASlowNameLookupQuickly) {
  m_server.SetResponse("/stall", {.Stall = true});
  for (const std::string& url : {m_server.Url("/stall"), "http://" + std::string(kSlowHost) + "/feed"}) {
    SCOPED_TRACE(url);
    std::atomic<bool> stop{false};
    TFetchOptions options;
    options.StopFlag = &stop;
    std::jthread stopper([&stop] {
      std::this_thread::sleep_for(std::chrono::milliseconds(150));
      stop = true;
    });
    std::string content;
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(FetchUrl(url, content, 10000, options).Status, TFetchStatus::Aborted);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(1000));
  }
  const std::scoped_lock lock(g_slowLookupMutex);
  g_slowLookupRelease = true;
  g_slowLookupReleased.notify_all();
}

TEST_F(HttpFetch, ReadsLocalFiles) {
  const test::TempDir dir;
  std::ofstream(dir.File("feed.xml")) << "<rss/>";
  std::string content;
  EXPECT_TRUE(DownloadUrl("file://" + dir.File("feed.xml"), content, 2000));
  EXPECT_EQ(content, "<rss/>");
}

TEST_F(HttpFetch, ProxyModeTwoUsesTheGivenProxyOrElseTheSystemOne) {
  const test::TTestProxy proxy;
  const test::EnvGuard environment("http_proxy", "http://127.0.0.1:" + std::to_string(proxy.Port()));
  m_server.SetResponse("/feed", {.Body = "via proxy"});
  TFetchOptions options;
  options.Proxy.Mode = 2;  // no Proxy.Server yet: the environment's proxy is used
  std::string content;
  ASSERT_TRUE(DownloadUrl(m_server.Url("/feed"), content, 2000, options));
  EXPECT_EQ(proxy.ForwardedCount(), 1);
  options.Proxy.Mode = 1;  // direct ignores the environment
  ASSERT_TRUE(DownloadUrl(m_server.Url("/feed"), content, 2000, options));
  EXPECT_EQ(proxy.ForwardedCount(), 1);
  const test::TTestProxy given;
  options.Proxy.Mode = 2;
  options.Proxy.Server = "127.0.0.1";
  options.Proxy.Port = given.Port();
  ASSERT_TRUE(DownloadUrl(m_server.Url("/feed"), content, 2000, options));
  EXPECT_EQ(content, "via proxy");
  EXPECT_EQ(given.ForwardedCount(), 1);
}

}  // namespace
}  // namespace tidewick
