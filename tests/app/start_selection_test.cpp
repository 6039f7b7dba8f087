// What a start shows: the node it selected (the welcome feed on a first start, the stored LastSelectedPath later) is
// current and highlighted in the tree, and the list shows that feed's entries, filled once and none marked read.

#include <algorithm>

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>
#include <QTreeView>

#include "app/first_instance.h"
#include "feeds/feed_records.h"
#include "feeds/feed_store.h"
#include "settings/settings.h"
#include "support/env_guard.h"
#include "support/feed_builder.h"
#include "support/temp_dir.h"
#include "tree/feed_tree.h"
#include "tree/welcome_feed.h"
#include "ui/main/entry_controller.h"
#include "ui/main/entry_list_model.h"
#include "ui/main/feed_tree_model.h"
#include "ui/main/feed_tree_view.h"
#include "ui/main/main_actions.h"
#include "ui/main/save_scheduler.h"
#include "ui/main/ui_prompts.h"

namespace tidewick {
namespace {

// Settings, store, lock and socket in the folder; language files and welcome feeds beside the built program.
TFirstInstanceOptions OptionsIn(const test::TempDir& folder) {
  TFirstInstanceOptions options;
  options.Window.DataFolder = QFileInfo(QStringLiteral(TIDEWICK_PROGRAM)).absolutePath().toStdString() + "/";
  options.Window.SettingsFileName = folder.File("Tidewick.ini");
  options.Window.FeedsFileName = folder.File("Feeds.xml");
  options.Window.UseProgramFolder = false;
  options.Place.Folder = QString::fromStdString(folder.Path().string());
  options.Place.LockFile = options.Place.Folder + "/tidewick.lock";
  options.Place.SocketPath = options.Place.Folder + "/tidewick.socket";
  options.StorePresence = ExamineStorePath(options.Window.FeedsFileName);
  return options;
}

TFeed StoredFeed(const std::string& name, int entries) {
  TFeed feed = test::MakeFeed(name, "http://127.0.0.1:9/" + name);
  for (int i = 0; i < entries; ++i) {
    feed.Entries.push_back(test::MakeEntry(name + " " + std::to_string(i), feed.URL + "/" + std::to_string(i)));
  }
  return feed;
}

// Alpha with two entries under the root, Beta with three in the collapsed folder News.
bool WriteStoreAndSettings(const TFirstInstanceOptions& options, const std::string& lastSelectedPath, bool minimized) {
  Feeds.clear();
  AddFeed(StoredFeed("Alpha", 2));
  AddFeed(StoredFeed("Beta", 3));
  const bool stored = SaveFeeds(options.Window.FeedsFileName);
  Feeds.clear();
  TSettings settings;
  settings.SettingsFileName = options.Window.SettingsFileName;
  settings.Structure = "\\News\t0\r\n";
  settings.PathList = "\\Alpha\r\n\\News\\Beta\r\n";
  settings.LastSelectedPath = lastSelectedPath;
  settings.Minimized = minimized;
  settings.TextFont.Name = "DejaVu Serif";
  settings.TextFont.Size = 15;
  return stored && SaveSettings(settings);
}

const TFeed* FeedNamed(const std::string& name) {
  for (const TFeed& feed : Feeds) {
    if (feed.Name == name) {
      return &feed;
    }
  }
  return nullptr;
}

bool PopupShowing() {
  const QList<QWidget*> windows = QApplication::topLevelWidgets();
  return std::any_of(windows.begin(), windows.end(),
                     [](const QWidget* w) { return w->objectName() == "frmPopUp" && w->isVisible(); });
}

}  // namespace

class StartSelectionTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    prompts::SetScripted(true);
    Feeds.clear();
    Settings() = TSettings();
  }

  void cleanup() {
    Feeds.clear();
    Settings() = TSettings();
    prompts::SetScripted(false);
  }

  void theSelectedFeedIsHighlightedAndListed_data() {
    QTest::addColumn<QString>("lastSelectedPath");  // empty: a first start, without settings and store
    QTest::addColumn<QString>("feedName");
    QTest::addColumn<bool>("minimized");  // first shown minimised (or hidden to the tray)
    QTest::newRow("first start: the welcome feed") << QString() << QString("Willkommen bei Tidewick") << false;
    QTest::newRow("stored feed under the root") << QString("\\Feeds\\Alpha") << QString("Alpha") << false;
    QTest::newRow("stored feed in a collapsed folder") << QString("\\Feeds\\News\\Beta") << QString("Beta") << false;
    QTest::newRow("stored feed, minimised start") << QString("\\Feeds\\News\\Beta") << QString("Beta") << true;
  }
  void theSelectedFeedIsHighlightedAndListed() {
    QFETCH(QString, lastSelectedPath);
    QFETCH(QString, feedName);
    QFETCH(bool, minimized);
    const test::TempDir folder;
    TFirstInstanceOptions options = OptionsIn(folder);
    if (!lastSelectedPath.isEmpty()) {
      QVERIFY(WriteStoreAndSettings(options, lastSelectedPath.toStdString(), minimized));
      options.StorePresence = ExamineStorePath(options.Window.FeedsFileName);
    }
    TFirstInstance instance(options);
    TMainWindow& window = instance.Window();
    const QSignalSpy fills(&window.EntryController().Model(), &QAbstractItemModel::modelReset);
    instance.Start();
    QCOMPARE(window.isMinimized() || !window.isVisible(), minimized);
    // The unread backlog pops up only beside a minimised window, never over the open one.
    QCOMPARE(PopupShowing(), minimized && TotalUnreadCount() > 0);
    // Offscreen there is no tray: its notice stands beside the status text ("Bereit." or the start-up refresh),
    // not drawn over it.
    QVERIFY(window.statusBar()->currentMessage().isEmpty());
    const auto* notice = window.statusBar()->findChild<QLabel*>("sbMainNotice");
    QVERIFY(notice != nullptr && notice->text().contains("Tray"));
    QVERIFY(!window.Widgets().statusText->text().isEmpty());
    QVERIFY(!notice->geometry().intersects(window.Widgets().statusText->geometry()));
    // Listed once, at the first showing, for the node the start chose (not the root first, not twice).
    QCOMPARE(fills.count(), 1);

    const TFeed* feed = FeedNamed(feedName.toStdString());
    QVERIFY(feed != nullptr);
    const TTreeNode* node = window.FeedTree().Selected();
    QVERIFY(node != nullptr && node->IsFeed());
    QCOMPARE(node->FeedId(), feed->Id);
    TFeedTreeView* tree = window.Widgets().feedTreeView;
    const QModelIndex index = tree->TreeModel()->IndexOf(node);
    QCOMPARE(tree->currentIndex(), index);
    QVERIFY(tree->selectionModel()->isSelected(index));
    QVERIFY(tree->isExpanded(index.parent()));

    // The welcome feed's entries arrive with the start-up refresh; stored entries are there at once.
    TEntryListModel& list = window.EntryController().Model();
    QTRY_VERIFY_WITH_TIMEOUT(!feed->Entries.empty() && list.rowCount() == static_cast<int>(feed->Entries.size()),
                             10000);
    for (int row = 0; row < list.rowCount(); ++row) {
      QCOMPARE(list.FeedAt(row)->Id, feed->Id);
      QVERIFY2(!list.EntryAt(row)->IsRead, "listing a feed marks nothing read");
    }
    QVERIFY(!window.EntryController().SelectedRow());
    // The entry text shows in the stored font from the start, not only after the settings dialog.
    if (!lastSelectedPath.isEmpty()) {
      QCOMPARE(window.Widgets().entryTextView->font().family(), QString("DejaVu Serif"));
      QCOMPARE(window.Widgets().entryTextView->font().pointSize(), 15);
    }

    // A rebuild (after a feed was edited, say) reports its structure and its selection: the list is filled once.
    const QSignalSpy refills(&list, &QAbstractItemModel::modelReset);
    window.FeedTree().BuildFeedTree();
    QCOMPARE(refills.count(), 1);
    QCOMPARE(window.FeedTree().Selected()->FeedId(), feed->Id);
    QCOMPARE(tree->currentIndex(), tree->TreeModel()->IndexOf(window.FeedTree().Selected()));
    QVERIFY(tree->selectionModel()->isSelected(tree->currentIndex()));
    QCOMPARE(list.rowCount(), static_cast<int>(feed->Entries.size()));
  }

  // Without a stored language the desktop's is chosen, for the menus, the welcome feed and Qt's own buttons, and
  // stored for later starts; a stored language always wins.
  void aFirstStartSpeaksTheDesktopsLanguage_data() {
    QTest::addColumn<QString>("lang");
    QTest::addColumn<QString>("stored");    // empty: the settings hold no language
    QTest::addColumn<QString>("language");  // the setting afterwards
    QTest::addColumn<QString>("fileMenu");
    QTest::addColumn<QString>("welcome");
    QTest::addColumn<QString>("cancel");
    // Rows of "name|LANG|stored|setting afterwards|file menu|welcome feed|Qt's Cancel".
    for (const char* row : {"French|fr_FR.UTF-8||French|&Fichier|welcome_fr.atom|Annuler",
                            "English|en_US.UTF-8||English|&File|welcome_en.atom|Cancel",
                            "C locale|C.UTF-8||English|&File|welcome_en.atom|Cancel",
                            "German|de_DE.UTF-8||Deutsch (intern)|&Datei|welcome_de.atom|Abbrechen",
                            "stored wins|fr_FR.UTF-8|English|English|&File|welcome_en.atom|Cancel"}) {
      const QStringList cells = QString::fromUtf8(row).split(u'|');
      QTest::addRow("%s", qPrintable(cells[0])) << cells[1] << cells[2] << cells[3] << cells[4] << cells[5] << cells[6];
    }
  }
  void aFirstStartSpeaksTheDesktopsLanguage() {
    QFETCH(QString, lang);
    QFETCH(QString, stored);
    QFETCH(QString, language);
    QFETCH(QString, fileMenu);
    QFETCH(QString, welcome);
    QFETCH(QString, cancel);
    const test::EnvGuard environment[] = {{"LANG", lang.toStdString()},
                                          {"LANGUAGE", std::nullopt},
                                          {"LC_ALL", std::nullopt},
                                          {"LC_MESSAGES", std::nullopt}};
    const test::TempDir folder;
    const TFirstInstanceOptions options = OptionsIn(folder);
    if (!stored.isEmpty()) {
      TSettings settings;
      settings.SettingsFileName = options.Window.SettingsFileName;
      settings.Language = stored.toStdString();
      QVERIFY(SaveSettings(settings));
    }
    TFirstInstance instance(options);
    instance.Start();
    TMainWindow& window = instance.Window();
    QCOMPARE(window.Actions().mnuFile->title(), fileMenu);
    QVERIFY(Feeds.size() == 1 && QString::fromStdString(Feeds[0].URL).endsWith("/" + welcome));
    const QDialogButtonBox buttons(QDialogButtonBox::Cancel);
    QCOMPARE(buttons.button(QDialogButtonBox::Cancel)->text(), cancel);
    window.Saver().WaitUntilIdle();
    TSettings later;
    later.SettingsFileName = options.Window.SettingsFileName;
    TSettingsLocation location;
    location.SettingsFileName = options.Window.SettingsFileName;
    const TSettingsLoadResult load = LoadSettings(later, location);
    QVERIFY(load.LanguageStored);
    QCOMPARE(QString::fromStdString(later.Language), language);
  }
};

}  // namespace tidewick

QTEST_MAIN(tidewick::StartSelectionTest)
#include "start_selection_test.moc"
