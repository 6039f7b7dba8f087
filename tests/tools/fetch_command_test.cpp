// tidewick-feed fetch run as a program against the loopback server: what it prints and how it exits.

#include <gtest/gtest.h>
#include <string>

#include "support/http_test_server.h"
#include "support/program_run.h"

#ifdef TIDEWICK_FEED_TOOL

namespace tidewick {
namespace {

test::TProgramOutput RunFetch(const std::string& arguments) {
  return test::RunProgram(TIDEWICK_FEED_TOOL, "fetch " + arguments);
}

TEST(FetchCommand, PrintsTheDownloadedFeedWithLinksResolvedAgainstItsAddress) {
  test::THttpTestServer server;
  server.SetResponse("/news/feed.xml",
                     {.Body = "<?xml version=\"1.0\"?><rss version=\"2.0\"><channel><title>Channel</title>"
                              "<item><title>First</title><link>first.html</link></item></channel></rss>"});
  const test::TProgramOutput run = RunFetch("'" + server.Url("/news/feed.xml") + "'");
  ASSERT_EQ(run.Status, 0) << run.Err;
  EXPECT_NE(run.Out.find("\"ok\": true"), std::string::npos) << run.Out;
  EXPECT_NE(run.Out.find("\"Channel\""), std::string::npos) << run.Out;
  EXPECT_NE(run.Out.find("\"" + server.Url("/news/first.html") + "\""), std::string::npos) << run.Out;
}

// A failed download is never printed as a feed; a page that is no feed prints "ok": false and fails too.
TEST(FetchCommand, ExitStatuses) {
  test::THttpTestServer server;
  server.SetResponse("/page", {.Body = "<html><body>No feed</body></html>"});
  const test::TProgramOutput missing = RunFetch("'" + server.Url("/missing") + "'");
  EXPECT_EQ(missing.Status, 1);
  EXPECT_TRUE(missing.Out.empty()) << missing.Out;
  EXPECT_NE(missing.Err.find("404"), std::string::npos) << missing.Err;
  const test::TProgramOutput page = RunFetch("'" + server.Url("/page") + "'");
  EXPECT_EQ(page.Status, 1);
  EXPECT_NE(page.Out.find("\"ok\": false"), std::string::npos) << page.Out;
  for (const std::string& arguments : {std::string(), std::string("--help"), "'" + server.Url("/page") + "' extra"}) {
    const test::TProgramOutput usage = RunFetch(arguments);
    EXPECT_EQ(usage.Status, 2) << arguments;
    EXPECT_TRUE(usage.Out.empty()) << arguments;
    EXPECT_FALSE(usage.Err.empty()) << arguments;
  }
}

}  // namespace
}  // namespace tidewick

#endif  // TIDEWICK_FEED_TOOL
