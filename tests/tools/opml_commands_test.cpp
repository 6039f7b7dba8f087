// tidewick-feed export-opml and import-opml run as programs: a migration from a script, with the store's lock and
// the exit statuses of refresh.

#include <gtest/gtest.h>
#include <string>
#include <utility>

#include "feeds/feed_records.h"
#include "feeds/feed_store.h"
#include "settings/settings.h"
#include "support/program_run.h"
#include "support/temp_dir.h"
#include "util/files.h"

#ifdef TIDEWICK_FEED_TOOL

namespace tidewick {
namespace {

using TRun = test::TProgramOutput;

// Runs tidewick-feed in dir, so the arguments can name its files by their names.
TRun RunTool(const test::TempDir& dir, const std::string& arguments) {
  return test::RunProgram(TIDEWICK_FEED_TOOL, arguments, dir.Path());
}

constexpr const char* kList =
    "<opml version=\"2.0\"><head><title>Moved</title></head><body><outline text=\"News\">"
    "<outline text=\"Alpha\" xmlUrl=\"http://a.example/rss\"/><outline text=\"Beta\" xmlUrl=\"feed://b.example/\"/>"
    "</outline><outline text=\"Bad\" xmlUrl=\"javascript:x\"/></body></opml>";

TEST(OpmlCommands, ImportThenExportMovesTheListWithItsFolders) {
  const test::TempDir dir;
  ASSERT_TRUE(WriteStringToFile(dir.File("in.opml"), kList));
  ASSERT_TRUE(WriteStringToFile(dir.File("Tidewick.ini"), "<?xml version=\"1.0\"?><Tidewick/>"));

  const TRun imported = RunTool(dir, "import-opml --settings Tidewick.ini Feeds.xml in.opml");
  ASSERT_EQ(imported.Status, 0) << imported.Err;
  EXPECT_EQ(imported.Out, "2 feeds in 2 folders imported, 1 skipped\n");
  const TRun again = RunTool(dir, "import-opml --settings Tidewick.ini Feeds.xml in.opml");
  EXPECT_EQ(again.Out, "0 feeds in 2 folders imported, 1 skipped, 2 already subscribed\n") << again.Err;

  const TRun exported = RunTool(dir, "export-opml --settings Tidewick.ini Feeds.xml -");
  ASSERT_EQ(exported.Status, 0) << exported.Err;
  EXPECT_NE(exported.Out.find("    <outline text=\"Moved\">\r\n      <outline text=\"News\">\r\n"
                              "        <outline text=\"Alpha\" xmlUrl=\"http://a.example/rss\" type=\"rss\" />\r\n"
                              "        <outline text=\"Beta\" xmlUrl=\"http://b.example/\" type=\"rss\" />\r\n"),
            std::string::npos)
      << exported.Out;

  const TRun toFile = RunTool(dir, "export-opml --settings Tidewick.ini Feeds.xml out.opml");
  ASSERT_EQ(toFile.Status, 0) << toFile.Err;
  EXPECT_EQ(ReadFileToString(dir.File("out.opml")), exported.Out);
}

TEST(OpmlCommands, ExitStatusesFollowRefresh) {
  const test::TempDir dir;
  ASSERT_TRUE(WriteStringToFile(dir.File("in.opml"), kList));
  ASSERT_TRUE(WriteStringToFile(dir.File("feed.xml"), "<rss><channel/></rss>"));
  ASSERT_EQ(RunTool(dir, "import-opml Feeds.xml in.opml").Status, 0);
  const std::string store = ReadFileToString(dir.File("Feeds.xml"));
  const std::pair<const char*, int> cases[] = {
      {"import-opml Feeds.xml", 2},
      {"import-opml Feeds.xml feed.xml", 2},  // not OPML: nothing changes
      {"import-opml Feeds.xml missing.opml", 2},
      {"export-opml missing.xml", 2},
      {"export-opml Feeds.xml no/such/folder.opml", 4},
      {"export-opml --bogus Feeds.xml", 2},
  };
  for (const auto& [arguments, status] : cases)
    EXPECT_EQ(RunTool(dir, arguments).Status, status) << arguments;
  EXPECT_EQ(ReadFileToString(dir.File("Feeds.xml")), store);

  TFeedStoreLock lock;
  std::string message;
  ASSERT_TRUE(lock.Acquire(dir.File("Feeds.xml"), message)) << message;
  EXPECT_EQ(RunTool(dir, "import-opml Feeds.xml in.opml").Status, 3);
  EXPECT_EQ(ReadFileToString(dir.File("Feeds.xml")), store);
}

// A damaged store: the work is done with everything it still shows, and the exit status says it was damaged, as
// refresh's does.
TEST(OpmlCommands, DamagedStoreExitsFiveOnceTheWorkIsDone) {
  const test::TempDir dir;
  ASSERT_TRUE(WriteStringToFile(dir.File("in.opml"), kList));
  ASSERT_EQ(RunTool(dir, "import-opml Feeds.xml in.opml").Status, 0);
  const std::string store = ReadFileToString(dir.File("Feeds.xml"));
  ASSERT_TRUE(WriteStringToFile(dir.File("Feeds.xml"), store.substr(0, store.size() - 20)));
  const TRun exported = RunTool(dir, "export-opml Feeds.xml -");
  EXPECT_EQ(exported.Status, 5) << exported.Err;
  EXPECT_NE(exported.Out.find("Beta"), std::string::npos) << exported.Out;
  EXPECT_NE(exported.Err.find("Feeds.xml.damaged-"), std::string::npos) << exported.Err;
  EXPECT_EQ(RunTool(dir, "import-opml Feeds.xml in.opml").Status, 5);
}

}  // namespace
}  // namespace tidewick

#endif
