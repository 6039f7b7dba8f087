#include <QAccessible>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>
#include "feeds/feed_store.h"
#include "settings/settings.h"
#include "lang/lang_text.h"
#include "ui/main/main_window.h"
#include "ui/main/ui_prompts.h"
#include "ui/ui_test_support.h"
using namespace tidewick;
static void Dump(QAccessibleInterface* i, int depth) {
  if (!i || depth > 12) return;
  QObject* o = i->object();
  qInfo("%s%s [%s] name='%s' desc='%s' value='%s' obj=%s", QByteArray(depth*2, ' ').constData(),
        qPrintable(QString::number(i->role(), 16)), o ? o->metaObject()->className() : "-",
        qPrintable(i->text(QAccessible::Name).left(60)), qPrintable(i->text(QAccessible::Description).left(60)),
        qPrintable(i->text(QAccessible::Value).left(40)), o ? qPrintable(o->objectName()) : "-");
  int n = std::min(i->childCount(), 8);
  for (int c = 0; c < n; ++c) Dump(i->child(c), depth + 1);
}
class Probe : public QObject { Q_OBJECT
 private slots:
  void dump() {
    prompts::SetScripted(true);
    QTemporaryDir folder;
    Feeds.clear();
    TFeed feed; feed.Name = "Alpha"; feed.URL = "http://127.0.0.1:1/a";
    for (int k = 0; k < 3; ++k) { TEntry e; e.Title = "Entry " + std::to_string(k); e.Link="http://x/"+std::to_string(k); e.Description="<p>Hello <b>world</b></p>"; feed.Entries.push_back(e);}
    AddFeed(feed);
    const TMainWindowOptions options = test::WindowOptionsIn(folder.path());
    QVERIFY(SaveFeeds(options.FeedsFileName));
    TSettings s; s.SettingsFileName = options.SettingsFileName; s.LastSelectedPath = "\\Feeds\\Alpha"; QVERIFY(SaveSettings(s));
    TMainWindow w(options);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.Widgets().entryListView->setCurrentIndex(w.Widgets().entryListView->model()->index(0, 0));
    Dump(QAccessible::queryAccessibleInterface(&w), 0);
  }
};
QTEST_MAIN(Probe)
#include "zz_probe_test.moc"
