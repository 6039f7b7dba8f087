// tidewick-feed discover run as a program against the loopback server: what it prints and how it exits.

#include <gtest/gtest.h>
#include <string>
#include <utility>

#include "support/http_test_server.h"
#include "support/program_run.h"
#include "support/temp_dir.h"
#include "util/files.h"

#ifdef TIDEWICK_FEED_TOOL

namespace tidewick {
namespace {

using TRun = test::TProgramOutput;

TRun RunDiscover(const std::string& arguments) {
  return test::RunProgram(TIDEWICK_FEED_TOOL, "discover " + arguments);
}

test::TTestResponse Page(std::string body) {
  return {.Headers = {{"Content-Type", "text/html; charset=utf-8"}}, .Body = std::move(body)};
}

class DiscoverCommand : public testing::Test {
 protected:
  void SetUp() override {
    m_server.SetResponse(
        "/blog/", Page("<html><head><title>Blog</title>"
                       "<link rel=\"alternate\" type=\"application/rss+xml\" title=\"Posts\tand news\" href=\"feed/\">"
                       "<link rel=alternate type=application/atom+xml href=\"/atom.xml\">"
                       "<link rel=alternate type=application/rss+xml href=\"javascript:alert(1)\">"
                       "</head><body>Hello</body></html>"));
    m_server.SetResponse("/plain/", Page("<html><head><title>No feeds</title></head><body></body></html>"));
    m_server.SetResponse("/feed.xml", Page("<?xml version=\"1.0\"?><rss version=\"2.0\"><channel><title>Channel"
                                           "</title><item><title>a</title></item></channel></rss>"));
  }

  test::THttpTestServer m_server;
};

TEST_F(DiscoverCommand, PrintsEachFeedWithItsTitle) {
  const TRun run = RunDiscover("'" + m_server.Url("/blog/") + "'");
  ASSERT_EQ(run.Status, 0) << run.Err;
  EXPECT_EQ(run.Out, m_server.Url("/blog/feed/") + "\tPosts and news\n" + m_server.Url("/atom.xml") + "\t\n");
}

TEST_F(DiscoverCommand, AFeedAddressPrintsItself) {
  // Typed as users do: without a scheme, or with the browser's feed scheme.
  for (const std::string& typed :
       {m_server.Url("/feed.xml").substr(7), "feed://" + m_server.Url("/feed.xml").substr(7)}) {
    const TRun run = RunDiscover("'" + typed + "'");
    ASSERT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(run.Out, m_server.Url("/feed.xml") + "\tChannel\n");
  }
}

TEST_F(DiscoverCommand, ExitStatuses) {
  const std::pair<std::string, int> cases[] = {
      {"'" + m_server.Url("/plain/") + "'", 1},   // a page without feeds
      {"'" + m_server.Url("/missing") + "'", 1},  // 404
      {"", 2},
      {"'" + m_server.Url("/blog/") + "' extra", 2},
      {"'file:///etc/passwd'", 2},
      {"--help", 2},
  };
  for (const auto& [arguments, status] : cases) {
    const TRun run = RunDiscover(arguments);
    EXPECT_EQ(run.Status, status) << arguments;
    EXPECT_TRUE(run.Out.empty()) << arguments << ": " << run.Out;
    EXPECT_FALSE(run.Err.empty()) << arguments;
  }
}

}  // namespace
}  // namespace tidewick

#endif  // TIDEWICK_FEED_TOOL
