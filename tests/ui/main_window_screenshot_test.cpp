// Draws the main window offscreen with a small sample store. With TIDEWICK_SCREENSHOT set to a file name the picture
// is saved there (scripts/screenshot.sh makes docs/main-window.png this way).

#include <QPixmap>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
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

}  // namespace

class MainWindowScreenshotTest : public QObject {
  Q_OBJECT

 private slots:
  void drawsTheWindowWithASampleStore() {
    prompts::SetScripted(true);
    QTemporaryDir folder;
    Feeds.clear();
    AddSampleFeed("Planet Qt", 12, 3, false);
    AddSampleFeed("LWN", 20, 0, false);
    AddSampleFeed("Old blog", 4, 0, true);
    const TMainWindowOptions options = test::WindowOptionsIn(folder.path());
    QVERIFY(SaveFeeds(options.FeedsFileName));
    TSettings sample;
    sample.SettingsFileName = options.SettingsFileName;
    sample.Structure = "\\News\t-1\n";
    sample.PathList = "\\News\\Planet Qt\n\\News\\LWN\n";
    sample.LastSelectedPath = "\\Feeds\\News\\Planet Qt";
    QVERIFY(SaveSettings(sample));

    TMainWindow window(options);
    window.resize(900, 600);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    // An entry being read, once as text and once as HTML.
    QTreeView* list = window.Widgets().entryListView;
    QVERIFY(list->model()->rowCount() > 0);
    list->setCurrentIndex(list->model()->index(0, 0));
    const QPixmap picture = window.grab();
    QVERIFY(!picture.isNull());
    window.Widgets().entryTabs->setCurrentWidget(window.Widgets().htmlTab);
    const QPixmap html = window.grab();
    const QString target = qEnvironmentVariable("TIDEWICK_SCREENSHOT");
    if (!target.isEmpty()) {
      QVERIFY(picture.save(target));
      QVERIFY(html.save(QString(target).replace(QStringLiteral(".png"), QStringLiteral("-html.png"))));
    }
    prompts::SetScripted(false);
  }
};

QTEST_MAIN(MainWindowScreenshotTest)
#include "main_window_screenshot_test.moc"
