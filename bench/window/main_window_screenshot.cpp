// Draws the main window offscreen with a small sample store into the given PNG file, and the same window showing the
// entry as HTML into <name>-html.png; exits non-zero when a picture cannot be made (scripts/screenshot.sh makes
// docs/main-window.png this way).
//   QT_QPA_PLATFORM=offscreen main_window_screenshot docs/main-window.png
#include <cstdio>

#include <QApplication>
#include <QPixmap>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTreeView>

#include "feeds/feed_store.h"
#include "settings/settings.h"
#include "ui/main/main_window.h"
#include "ui/main/ui_prompts.h"
#include "ui/ui_test_support.h"

using namespace tidewick;

namespace {

void AddSampleFeed(const std::string& name, int items, int unread, bool error) {
  TFeed feed;
  feed.Name = name;
  feed.URL = "https://example.org/" + name;
  feed.Interval = 60;
  feed.Error = error;
  for (int number = 0; number < items; ++number) {
    TEntry item;
    item.Title = name + " entry " + std::to_string(number + 1);
    item.Link = feed.URL + "/" + std::to_string(number);
    item.Description = "<p>What happened in <b>" + name +
                       "</b> this week: a new release, three fixes and a "
                       "<a href=\"https://example.org/\">link to the details</a>.</p><ul><li>First point</li>"
                       "<li>Second point</li></ul>";
    item.Author = "Editor";
    item.PublishedDate = 46360.5 - number;  // December 2026, half past noon
    item.IsRead = number >= unread;
    feed.Entries.push_back(item);
  }
  AddFeed(std::move(feed));
}

int Fail(const char* why) {
  std::fprintf(stderr, "main_window_screenshot: %s\n", why);
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc != 2) {
    return Fail("usage: main_window_screenshot <file.png>");
  }
  prompts::SetScripted(true);
  QTemporaryDir folder;
  AddSampleFeed("Planet Qt", 12, 3, false);
  AddSampleFeed("LWN", 20, 0, false);
  AddSampleFeed("Old blog", 4, 0, true);
  const TMainWindowOptions options = test::WindowOptionsIn(folder.path());
  TSettings sample;
  sample.SettingsFileName = options.SettingsFileName;
  sample.Structure = "\\News\t-1\n";
  sample.PathList = "\\News\\Planet Qt\n\\News\\LWN\n";
  sample.LastSelectedPath = "\\Feeds\\News\\Planet Qt";
  if (!SaveFeeds(options.FeedsFileName) || !SaveSettings(sample)) {
    return Fail("cannot write the sample store");
  }
  TMainWindow window(options);
  window.resize(900, 600);
  window.show();
  QApplication::processEvents();
  // An entry being read, once as text and once as HTML.
  QTreeView* list = window.Widgets().entryListView;
  if (list->model()->rowCount() == 0) {
    return Fail("the sample feed shows no entries");
  }
  list->setCurrentIndex(list->model()->index(0, 0));
  const QString target = QString::fromLocal8Bit(argv[1]);
  if (!window.grab().save(target)) {
    return Fail("cannot save the picture");
  }
  window.Widgets().entryTabs->setCurrentWidget(window.Widgets().htmlTab);
  QApplication::processEvents();
  return window.grab().save(QString(target).replace(QStringLiteral(".png"), QStringLiteral("-html.png")))
             ? 0
             : Fail("cannot save the HTML picture");
}
