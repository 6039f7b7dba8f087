#include "ui/main/main_window.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>

#include <QAccessible>
#include <QAction>
#include <QActionGroup>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QShortcutEvent>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QThread>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>

#include "feeds/feed_store.h"
#include "feeds/sync_account.h"
#include "lang/lang_text.h"
#include "platform/file_io.h"
#include "settings/settings.h"
#include "support/feed_builder.h"
#include "support/http_test_server.h"
#include "sync/sync_run.h"
#include "tree/feed_tree.h"
#include "ui/dialogs/account_dialog.h"
#include "ui/main/enclosure_saver.h"
#include "ui/main/entry_controller.h"
#include "ui/main/entry_list_model.h"
#include "ui/main/feed_tree_model.h"
#include "ui/main/feed_tree_view.h"
#include "ui/main/link_opener.h"
#include "ui/main/main_actions.h"
#include "ui/main/refresh_controller.h"
#include "ui/main/sync_controller.h"
#include "ui/main/ui_prompts.h"
#include "ui/ui_test_support.h"

using namespace tidewick;

namespace {

// Records which action a shortcut reaches, and whether Qt found it ambiguous (two actions with one key: Qt then fires
// neither). The event is swallowed, so no command runs and no dialog opens.
class TShortcutCatcher : public QObject {
 public:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::Shortcut) {
      return false;
    }
    Reached << watched->objectName();
    Ambiguous = Ambiguous || static_cast<QShortcutEvent*>(event)->isAmbiguous();
    return true;
  }
  QStringList Reached;
  bool Ambiguous = false;
};

// A sync server that never answers.
class TUnreachableServer : public TSyncService {
 public:
  TSyncStatus Login() override { return {TSyncError::Unreachable, "connection refused"}; }
  TSyncStatus Categories(std::vector<TRemoteCategory>&) override { return Login(); }
  TSyncStatus Feeds(std::vector<TRemoteFeed>&) override { return Login(); }
  TSyncStatus NewArticles(const std::string&, const TArticlePageSink&, std::string&) override { return Login(); }
  TSyncStatus UnreadIds(const std::string&, std::vector<int64_t>&) override { return Login(); }
  TSyncStatus StarredIds(std::vector<int64_t>&) override { return Login(); }
  TSyncStatus SetRead(const std::vector<int64_t>&, bool) override { return Login(); }
  TSyncStatus SetStarred(const std::vector<int64_t>&, bool) override { return Login(); }
  TSyncStatus Subscribe(const std::string&, const std::string&, std::string&) override { return Login(); }
  TSyncStatus Unsubscribe(const std::string&) override { return Login(); }
  int64_t RequestCount() const override { return 0; }
};

std::string Rss(const std::string& title) {
  return "<?xml version=\"1.0\"?><rss version=\"2.0\"><channel><title>" + title +
         "</title><item><title>One</title><link>http://example.org/1</link></item>"
         "<item><title>Two</title><link>http://example.org/2</link></item></channel></rss>";
}

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

 private:
  // Writes a store with these feeds (name, address) and their entries, if given, and opens a window on it.
  void OpenWindow(const std::vector<std::pair<std::string, std::string>>& feeds = {},
                  const std::vector<TEntries>& entries = {}) {
    Feeds.clear();
    for (const auto& [name, url] : feeds) {
      TFeed feed = test::MakeFeed(name, url, Feeds.size() < entries.size() ? entries[Feeds.size()] : TEntries());
      feed.Interval = 60;
      AddFeed(std::move(feed));
    }
    const TMainWindowOptions options = test::WindowOptionsIn(m_folder->path());
    if (!feeds.empty()) {
      QVERIFY(SaveFeeds(options.FeedsFileName));
    }
    m_window = std::make_unique<TMainWindow>(options);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
  }

  QAction* Action(const QString& name) { return m_window->findChild<QAction*>(name); }

  // The shipped help pages in the temporary folder's "help/".
  void CopyHelpPages() {
    const QString helpFolder = InFolder(QStringLiteral("help"));
    QVERIFY(QDir().mkpath(helpFolder));
    for (const QFileInfo& page : QDir(QStringLiteral(TIDEWICK_SOURCE_DIR "/data/help")).entryInfoList(QDir::Files)) {
      QVERIFY(QFile::copy(page.filePath(), helpFolder + QLatin1Char('/') + page.fileName()));
    }
  }
  // A window with the temporary folder as its data folder, in the language of that file ("" for the built-in
  // German); F1 pressed in its entry list.
  void PressHelpKey(const QString& languageFile) {
    TMainWindowOptions options = test::WindowOptionsIn(m_folder->path());
    options.DataFolder = (m_folder->path() + QLatin1Char('/')).toStdString();
    m_window = std::make_unique<TMainWindow>(options);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    LoadLanguageFile(languageFile.isEmpty() ? std::string()
                                            : TIDEWICK_SOURCE_DIR "/Language/" + languageFile.toStdString());
    QTest::keyClick(m_window->Widgets().entryListView, Qt::Key_F1);
  }
  QTextBrowser* HelpView() const { return m_window->findChild<QTextBrowser*>(QStringLiteral("txtHelp")); }

  QString InFolder(const QString& name) const { return m_folder->filePath(name); }
  void WriteFile(const QString& name, const QByteArray& bytes) {
    QFile file(InFolder(name));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
  }
  QByteArray ReadFile(const QString& name) const {
    QFile file(InFolder(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }
  // The settings and the feeds as a new start would read them from the folder.
  TSettings SavedSettings() const {
    TSettings saved;
    TSettingsLocation location;
    location.SettingsFileName = InFolder(QStringLiteral("Tidewick.ini")).toStdString();
    LoadSettings(saved, location);
    return saved;
  }
  int ReloadStore() const {
    Feeds.clear();
    return LoadFeedStore(InFolder(QStringLiteral("Feeds.xml")).toStdString()).FeedCount;
  }
  // The kept copies of damaged files: "<name>.damaged-<time>".
  QStringList DamagedCopies(const QString& name) const {
    return QDir(m_folder->path()).entryList({name + QStringLiteral(".damaged*")}, QDir::Files, QDir::Name);
  }

  std::unique_ptr<QTemporaryDir> m_folder;
  std::unique_ptr<TMainWindow> m_window;

 private slots:
  void init() {
    prompts::SetScripted(true);
    m_folder = std::make_unique<QTemporaryDir>();
    Settings() = TSettings();
    LoadLanguageFile("");  // built-in German
  }

  void cleanup() {
    m_window.reset();
    m_folder.reset();
    prompts::SetScripted(false);
  }

  // A screen reader names every control, reads the entry's title as its name (not as "Title:"), meets the HTML
  // view as a document, and reads the texts of the tree, the list and both entry pages.
  void startsReadyAndEveryControlHasAnAccessibleName() {
    OpenWindow({{"Alpha", "http://127.0.0.1:1/a"}});
    const TMainWidgets& w = m_window->Widgets();
    QVERIFY(!w.statusProgress->isVisible());
    QCOMPARE(w.statusText->text(), QStringLiteral("Bereit."));
    QVERIFY(Action(QStringLiteral("mnuHelpHelp"))->isVisible() && Action(QStringLiteral("mnuHelpHelp"))->isEnabled());
    QVERIFY(!Action(QStringLiteral("tbFeedStopRefresh"))->isVisible());
    Feeds[0].Entries.push_back(
        test::MakeEntry("High <water>", "https://example.org/tides", "", "<p>At <b>noon</b> today</p>"));
    QVERIFY(m_window->FeedTree().SelectFeed(Feeds[0].Id));
    w.entryListView->setCurrentIndex(w.entryListView->model()->index(0, 0));

    QCOMPARE(test::UnnamedControls(*m_window).join(QLatin1Char(',')), QString());
    QCOMPARE(test::AccessibleName(w.statusText), QStringLiteral("Bereit."));
    QAccessibleInterface* title = QAccessible::queryAccessibleInterface(w.titleLinkLabel);
    QCOMPARE(title->text(QAccessible::Name), QStringLiteral("High <water>"));
    QCOMPARE(title->text(QAccessible::Description), QStringLiteral("https://example.org/tides"));
    QAccessibleInterface* tree = QAccessible::queryAccessibleInterface(w.feedTreeView);
    QCOMPARE(tree->child(0)->role(), QAccessible::ColumnHeader);
    QCOMPARE(tree->child(0)->text(QAccessible::Name), QStringLiteral("Feed-Baum"));
    QCOMPARE(tree->child(2)->text(QAccessible::Name), QStringLiteral("Alpha"));
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(w.entryListView);
    QCOMPARE(list->child(0)->text(QAccessible::Name), QStringLiteral("Titel"));
    QCOMPARE(list->child(kListColumnCount)->text(QAccessible::Name),
             QStringLiteral("High <water>"));  // after the headers
    w.entryTabs->setCurrentWidget(w.htmlTab);  // the HTML page is filled when it is shown
    for (QWidget* page : QList<QWidget*>{w.entryTextView, w.entryHtmlView}) {
      QAccessibleInterface* view = QAccessible::queryAccessibleInterface(page);
      QAccessibleTextInterface* text = view->textInterface();
      QVERIFY2(text != nullptr && text->text(0, text->characterCount()).contains(QLatin1String("At noon today")),
               qPrintable(page->objectName()));
      QVERIFY(view->state().readOnly);
    }
    QCOMPARE(QAccessible::queryAccessibleInterface(w.entryHtmlView)->role(), QAccessible::Document);
  }

  void everyShortcutReachesExactlyOneCommand_data() {
    QTest::addColumn<QKeySequence>("key");
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("focus");
    // Rows of "key command focus" (focus "frmMain": the window itself).
    const QString rows = QStringLiteral(
        "F1 mnuHelpHelp lvItems, Ctrl+Alt+E mnuFileExport tvNav, Ctrl+Alt+I mnuFileImport tvNav, "
        "Ctrl+S mnuFileFeedItemExport lvItems, Alt+X mnuFileExit tvNav, Ctrl+N mnuFeedAdd tvNav, "
        "Ctrl+E mnuFeedEdit lvItems, Ctrl+Del mnuFeedRemove tvNav, Ctrl+R mnuFeedMarkRead tvNav, "
        "Ctrl+U mnuFeedMarkUnread tvNav, Ctrl+F mnuFeedSearch lvItems, F3 mnuFeedSearchNext tvNav, "
        "Shift+F3 mnuFeedSearchPrev tvNav, F5 mnuFeedRefresh lvItems, Shift+F5 mnuFeedRefreshAll tvNav, "
        "F2 pmnuFeedRename tvNav, Ctrl+C pmnuItemsLinkCopy lvItems, Ctrl+B pmnuItemsLinkOpen lvItems, "
        "F9 actFocusTree lvItems, F10 actFocusList tvNav, F11 actShowTextView tvNav, "
        "F12 actShowHtmlView tvNav, Shift+F12 actShowHtmlView frmMain, N mnuFeedNextUnread lvItems, "
        "Shift+N mnuFeedPrevUnread tvNav, Ctrl+Shift+U mnuFeedEntryToggleRead lvItems, S mnuFeedEntryToggleStar "
        "lvItems, Ctrl+Shift+A mnuFeedUnreadOnly tvNav, Ctrl+Shift+M mnuFeedMove lvItems, "
        "Ctrl+Shift+S mnuFileEnclosureSave lvItems");
    for (const QString& row : rows.split(QStringLiteral(", "))) {
      const QStringList parts = row.split(u' ');
      QTest::addRow("%s", qPrintable(row)) << QKeySequence(parts[0]) << parts[1] << parts[2];
    }
  }

  void everyShortcutReachesExactlyOneCommand() {
    QFETCH(QKeySequence, key);
    QFETCH(QString, action);
    QFETCH(QString, focus);
    OpenWindow();
    // Later issues make some commands available; here every one must at least be reachable.
    TShortcutCatcher catcher;
    for (QAction* each : m_window->Actions().AllActions()) {
      each->setEnabled(true);
      each->installEventFilter(&catcher);
    }
    QWidget* target = focus == QLatin1String("frmMain") ? m_window.get() : m_window->findChild<QWidget*>(focus);
    target->setFocus();
    QTest::keySequence(target, key);
    QVERIFY(!catcher.Ambiguous);
    QCOMPARE(catcher.Reached, QStringList{action});
  }

  void f1OpensTheHelpPageOfTheLanguage_data() {
    QTest::addColumn<QString>("languageFile");
    QTest::addColumn<QString>("title");
    QTest::newRow("English") << QString("English.lng") << QString("Tidewick help");
    QTest::newRow("built-in German") << QString() << QString("Tidewick-Hilfe");
    QTest::newRow("French, which has no page") << QString("French.lng") << QString("Tidewick help");
  }

  void f1OpensTheHelpPageOfTheLanguage() {
    QFETCH(QString, languageFile);
    QFETCH(QString, title);
    CopyHelpPages();
    PressHelpKey(languageFile);
    QTextBrowser* view = HelpView();
    QVERIFY(view != nullptr);
    QCOMPARE(view->window()->windowTitle(), title);
    QVERIFY(view->window()->isVisible());
    QVERIFY(prompts::ShownPrompts().empty());
  }

  void aMissingHelpPageIsToldNotShown() {
    QVERIFY(QDir().mkpath(InFolder(QStringLiteral("help/help_en.html"))));  // not a file
    PressHelpKey(QStringLiteral("English.lng"));
    QCOMPARE(HelpView(), nullptr);
    QCOMPARE(prompts::ShownPrompts().size(), size_t{1});
    QCOMPARE(prompts::ShownPrompts().front().Icon, QMessageBox::Warning);
    QVERIFY2(prompts::ShownPrompts().front().Text.contains(InFolder(QStringLiteral("help/help_en.html"))),
             qPrintable(prompts::ShownPrompts().front().Text));
  }

  // The help window reads its own pages only: other local files are neither loaded as pictures nor opened as links,
  // and web addresses go to the browser.
  void helpLinksStayInTheHelpOrGoToTheBrowser() {
    QStringList launched;
    SetLauncherForTests([&launched](const TLaunchRequest& request) {
      launched << request.Url.toString();
      return true;
    });
    CopyHelpPages();
    PressHelpKey(QStringLiteral("English.lng"));
    QTextBrowser* view = HelpView();
    QVERIFY(view != nullptr);
    const QString secret = InFolder(QStringLiteral("Tidewick.ini"));
    WriteFile(QStringLiteral("Tidewick.ini"), "secret");
    QVERIFY(view->loadResource(QTextDocument::ImageResource, QUrl::fromLocalFile(secret)).isNull());
    emit view->anchorClicked(QUrl::fromLocalFile(secret));
    emit view->anchorClicked(QUrl(QStringLiteral("../Tidewick.ini")));
    emit view->anchorClicked(QUrl(QStringLiteral("https://example.org/guide")));
    QCOMPARE(view->window()->windowTitle(), QStringLiteral("Tidewick help"));
    emit view->anchorClicked(QUrl(QStringLiteral("help_de.html#keys")));
    QCOMPARE(view->window()->windowTitle(), QStringLiteral("Tidewick-Hilfe"));
    SetLauncherForTests({});
    QCOMPARE(launched, QStringList{QStringLiteral("https://example.org/guide")});
    QCOMPARE(test::PromptTitles().size(), qsizetype{2});  // both local files refused with a word
  }

  void windowKeysMoveTheFocus() {
    OpenWindow();
    const TMainWidgets& w = m_window->Widgets();
    w.entryListView->setFocus();
    QTest::keyClick(w.entryListView, Qt::Key_F9);
    QVERIFY(w.feedTreeView->hasFocus());
    QTest::keyClick(w.feedTreeView, Qt::Key_F11);
    QCOMPARE(w.entryTabs->currentWidget(), w.textTab);
    QVERIFY(w.entryTextView->hasFocus());
    QTest::keyClick(w.entryTextView, Qt::Key_F12, Qt::ControlModifier);  // nothing with Ctrl
    QCOMPARE(w.entryTabs->currentWidget(), w.textTab);
    QTest::keyClick(w.entryTextView, Qt::Key_F12);
    QCOMPARE(w.entryTabs->currentWidget(), w.htmlTab);
    QVERIFY(w.entryHtmlView->hasFocus());
    QTest::keyClick(w.entryHtmlView, Qt::Key_F10);  // an empty list only takes the focus
    QVERIFY(w.entryListView->hasFocus());
  }

  void switchingLanguageRecaptionsAtOnce() {
    OpenWindow();
    TMainActions& actions = m_window->Actions();
    QCOMPARE(actions.mnuFeedAdd->text(), QStringLiteral("&Hinzufügen..."));
    const QList<QAction*> languages = actions.languageGroup->actions();
    QCOMPARE(languages.first()->text(), QStringLiteral("Deutsch (intern)"));
    QVERIFY(languages.first()->isChecked());
    const auto language = [&languages](const char* name) {
      const auto found = std::find_if(languages.begin(), languages.end(),
                                      [name](const QAction* item) { return item->text() == QLatin1String(name); });
      return found != languages.end() ? *found : nullptr;
    };
    // Made before the switch: Qt's standard buttons, the status text, the tree's root.
    const QDialogButtonBox buttons(QDialogButtonBox::Cancel);
    QCOMPARE(buttons.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("Abbrechen"));
    QAction* english = language("English");
    QVERIFY(english != nullptr);
    english->trigger();
    QVERIFY(english->isChecked());
    QCOMPARE(QString::fromStdString(Settings().Language), QStringLiteral("English"));
    QCOMPARE(actions.mnuFeedAdd->text(), QStringLiteral("&Add..."));
    QCOMPARE(actions.mnuFeedAdd->toolTip(), QStringLiteral("Add feed..."));
    QCOMPARE(actions.ToolButton(actions.mnuFeedAdd)->accessibleName(), QStringLiteral("Add feed..."));
    QCOMPARE(actions.mnuFile->title(), QStringLiteral("&File"));
    QCOMPARE(m_window->Widgets().titleLabel->text(), QStringLiteral("Title:"));
    QCOMPARE(m_window->Widgets().entryTabs->tabText(1), QStringLiteral("HTML view"));
    // The tree's context menu shows its own captions while it is open, the main menu's afterwards.
    emit actions.pmnuFeeds->aboutToShow();
    QCOMPARE(actions.mnuFeedAdd->text(), QStringLiteral("&Add feed..."));
    emit actions.pmnuFeeds->aboutToHide();
    QCOMPARE(actions.mnuFeedAdd->text(), QStringLiteral("&Add..."));
    QCOMPARE(buttons.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("Cancel"));
    QCOMPARE(m_window->Widgets().statusText->text(), QStringLiteral("Ready."));

    language("French")->trigger();
    QCOMPARE(buttons.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("Annuler"));
    QCOMPARE(m_window->Widgets().statusText->text(), QStringLiteral("Prêt."));
    const TFeedTreeModel* tree = m_window->Widgets().feedTreeView->TreeModel();
    QCOMPARE(tree->IndexOf(m_window->FeedTree().Root()).data().toString(), QStringLiteral("Flux"));
  }

  void enabledStatesFollowTheSelection() {
    OpenWindow({{"Alpha", "http://127.0.0.1:1/a"}});
    TMainActions& actions = m_window->Actions();
    TFeedTree& tree = m_window->FeedTree();
    // The window hears of each selection; the root is never removed, renamed or edited, a feed holds no folder.
    tree.Select(tree.Root());
    QVERIFY(actions.pmnuFeedFolderAdd->isEnabled());
    QVERIFY(!actions.mnuFeedRemove->isEnabled() && !actions.pmnuFeedRename->isEnabled());
    QVERIFY(!actions.mnuFeedEdit->isEnabled() && !actions.mnuFeedMove->isEnabled());
    tree.Select(tree.FindFeedNode(Feeds[0].Id));
    QVERIFY(!actions.pmnuFeedFolderAdd->isEnabled());
    QVERIFY(actions.mnuFeedRemove->isEnabled() && actions.mnuFeedEdit->isEnabled());
    QVERIFY(actions.pmnuFeedRename->isEnabled() && actions.mnuFeedMove->isEnabled());
  }

  // An account's node holds its server's folder and feed; rename and move are off with the reason in a tool tip;
  // removing the account asks and removes it here only. The add-account dialog names its fields, says why a check
  // failed, and an account that passes joins the tree and is marked when its server cannot be reached.
  void syncAccountsInTheTreeAndTheAccountDialog() {
    SyncAccounts.clear();
    OpenWindow({{"Alpha", "http://127.0.0.1:1/a"}, {"Remote", "http://127.0.0.1:1/r"}});
    m_window->Sync().SetServiceMaker(
        [](const std::string&, TSyncConnection) { return std::make_unique<TUnreachableServer>(); });
    SyncAccounts.resize(1);
    SyncAccounts[0].Key = "ttrss1";
    SyncAccounts[0].Kind = "ttrss";
    SyncAccounts[0].Title = "rss.example";
    Feeds[1].Remote = {"ttrss1", "5", "2", "News"};
    TFeedTree& tree = m_window->FeedTree();
    tree.BuildFeedTree();
    TTreeNode* account = tree.FindAccountNode("ttrss1");
    QVERIFY(account != nullptr && account->Child(0)->Name() == "News");
    QCOMPARE(account->Row(), tree.Root()->ChildCount() - 2);  // the Starred node stays last
    TMainActions& actions = m_window->Actions();
    tree.Select(tree.FindFeedNode(Feeds[1].Id));
    QVERIFY(!actions.pmnuFeedRename->isEnabled() && !actions.mnuFeedMove->isEnabled());
    QVERIFY(!actions.mnuFeedEdit->isEnabled() && actions.mnuFeedRemove->isEnabled());
    QVERIFY(actions.mnuFeedMove->toolTip().contains(QLatin1String("nicht umbenennen oder verschieben")));
    tree.Select(tree.FindAccountNode("ttrss1"));
    QVERIFY(!actions.pmnuFeedFolderAdd->isEnabled() && actions.mnuFeedRemove->isEnabled());
    prompts::PrimeMessageAnswer(QMessageBox::No);
    actions.mnuFeedRemove->trigger();
    QVERIFY(tree.FindAccountNode("ttrss1") != nullptr);
    prompts::PrimeMessageAnswer(QMessageBox::Yes);
    actions.mnuFeedRemove->trigger();
    QVERIFY(tree.FindAccountNode("ttrss1") == nullptr && SyncAccounts.empty());
    QCOMPARE(FeedCount(), 1);
    QVERIFY(test::PromptTexts(prompts::TPromptKind::Message).back().contains(QLatin1String("bleiben auf dem Server")));
    tree.Select(tree.FindFeedNode(Feeds[0].Id));
    QVERIFY(actions.mnuFeedMove->isEnabled() && !actions.mnuFeedMove->toolTip().contains(QLatin1String("Server")));

    TSyncConnection checked;  // the connection the login check got (written by the dialog's thread)
    const auto openDialog = [&](TSyncStatus answer) -> TAccountDialog* {
      SetAccountDialogServicesForTests(TAccountDialogServices{[answer, &checked](TSyncConnection connection) {
                                                                checked = std::move(connection);
                                                                return answer;
                                                              },
                                                              [] { return false; }});
      actions.mnuFeedAddAccount->trigger();
      auto* dialog = m_window->findChild<TAccountDialog*>();
      if (dialog != nullptr) {
        dialog->edtServer->setText(QStringLiteral("rss.example/tt-rss/"));
        dialog->edtUser->setText(QStringLiteral("me"));
        dialog->edtPassword->setText(QStringLiteral("secret"));
      }
      return dialog;
    };
    TAccountDialog* dialog = openDialog({TSyncError::ApiDisabled, ""});
    QVERIFY(dialog != nullptr);
    QCOMPARE(dialog->edtPassword->echoMode(), QLineEdit::Password);
    QTRY_VERIFY(dialog->lblPasswordPlace->text().contains(QLatin1String("nur bis zum Ende des Programms")));
    QCOMPARE(test::UnnamedControls(*dialog).join(QLatin1Char(';')), QString());
    dialog->accept();
    QTRY_VERIFY(!dialog->lblError->isHidden());
    QVERIFY(dialog->lblError->text().contains(QLatin1String("\"Enable API access\"")));
    QVERIFY(dialog->isVisible() && SyncAccounts.empty());
    QVERIFY(test::SaveScreenshot(*dialog, "dialog-account.png"));
    dialog->reject();
    QTRY_VERIFY(m_window->findChild<TAccountDialog*>() == nullptr);

    // The check goes the way the syncs will: the user's proxy, the sync's time-out.
    Settings().ProxyMode = 2;
    Settings().ProxyServer = "proxy.example";
    Settings().ProxyPort = 3128;
    dialog = openDialog({});
    QVERIFY(dialog != nullptr);
    dialog->accept();
    QTRY_VERIFY(tree.FindAccountNode("ttrss1") != nullptr);
    QVERIFY(checked.Proxy.Mode == 2 && checked.Proxy.Server == "proxy.example" && checked.Proxy.Port == 3128);
    QVERIFY(checked.TimeoutMs >= kMinSyncTimeoutSeconds * 1000 && checked.UserName == "me");
    Settings().ProxyMode = 0;
    QCOMPARE(SyncAccounts[0].ServerUrl, std::string("https://rss.example/tt-rss/"));
    QCOMPARE(tree.FindAccountNode("ttrss1")->Caption(), std::string("rss.example"));
    QTRY_VERIFY(tree.FindAccountNode("ttrss1")->HasErrorMark());
    QVERIFY(tree.FindAccountNode("ttrss1")->ErrorText().find("connection refused") != std::string::npos);
    SetAccountDialogServicesForTests(std::nullopt);
    SyncAccounts.clear();
  }

  // An entry's files: marked in the list, listed on its page, saved from the loopback server where the user chose;
  // a failure is told, and neither it nor a cancel leaves a file (or a part of one) behind.
  void enclosuresAreListedAndSavedWholeOrNotAtAll() {
    test::THttpTestServer server;
    server.SetResponse("/ep1.mp3", {.Body = std::string(200000, 'x')});
    server.SetResponse("/slow.mp4", {.Body = std::string(4000, 's'), .DripIntervalMs = 20});
    OpenWindow({{"Cast", "http://127.0.0.1:1/feed"}});
    TEntry episode = test::MakeEntry("Episode", "https://example.org/1", "", "<p>Talk</p>");
    for (const char* path : {"/ep1.mp3", "/slow.mp4", "/missing.mp3"}) {
      AddEntryEnclosure(episode,
                        {.Url = server.Url(path), .Type = path[1] == 'e' ? "audio/mpeg" : "", .Length = 200000});
    }
    Feeds[0].Entries = {test::MakeEntry("Plain"), episode};
    QVERIFY(m_window->FeedTree().SelectFeed(Feeds[0].Id));
    const TMainWidgets& w = m_window->Widgets();
    QAbstractItemModel* model = w.entryListView->model();
    const int row = model->index(0, 0).data().toString() == QLatin1String("Episode") ? 0 : 1;
    QVERIFY(model->index(1 - row, 0).data(Qt::DecorationRole).isNull());
    QVERIFY(!model->index(row, 0).data(Qt::DecorationRole).isNull());
    QCOMPARE(model->index(row, 0).data(Qt::AccessibleTextRole).toString(), QStringLiteral("Episode, mit Anhang"));
    QAction* save = m_window->Actions().mnuFileEnclosureSave;
    QVERIFY(m_window->Actions().pmnuItems->actions().contains(save));
    w.entryListView->setCurrentIndex(model->index(1 - row, 0));
    QVERIFY(!save->isEnabled());
    w.entryListView->setCurrentIndex(model->index(row, 0));
    QVERIFY(save->isEnabled());
    w.entryTabs->setCurrentWidget(w.htmlTab);
    QVERIFY(w.entryHtmlView->toPlainText().contains(QLatin1String("ep1.mp3 (audio/mpeg, 200.0 kB)")));
    QVERIFY(test::SaveScreenshot(*m_window, "window-enclosures.png"));

    const auto saveAs = [&](int choice, const QString& name) {
      prompts::PrimeChoice(choice);
      prompts::PrimeFileName(InFolder(name));
      save->trigger();
    };
    const auto jobsEnded = [&] { return m_window->findChildren<TEnclosureSaveJob*>().isEmpty(); };
    saveAs(0, QStringLiteral("saved.mp3"));
    QVERIFY(prompts::ShownPrompts().back().Text.endsWith(QLatin1String("/ep1.mp3")));  // proposed where downloads go
    QTRY_VERIFY(jobsEnded());
    QCOMPARE(ReadFile(QStringLiteral("saved.mp3")), QByteArray(200000, 'x'));
    saveAs(2, QStringLiteral("missing.mp3"));
    QTRY_VERIFY(jobsEnded());
    QVERIFY(prompts::ShownPrompts().back().Text.contains(QLatin1String("404")));
    saveAs(1, QStringLiteral("slow.mp4"));
    auto* progress = m_window->findChild<QProgressDialog*>(QStringLiteral("dlgEnclosureProgress"));
    QVERIFY(progress != nullptr && progress->isVisible());
    QTRY_VERIFY(progress->labelText().contains(QLatin1String(" B")));  // bytes arrive before the cancel
    QTest::mouseClick(progress->findChild<QPushButton*>(), Qt::LeftButton);
    QTRY_VERIFY(jobsEnded());
    QCOMPARE(QDir(m_folder->path())
                 .entryList({QStringLiteral("*.part-*"), QStringLiteral("slow*"), QStringLiteral("missing*")}),
             QStringList());
  }

  // The keyboard reaches what dragging and the mouse do: Ctrl+Shift+M moves a feed, F2 renames it, the menu key opens
  // the menu at the feed; the add dialog offers the selected folder; an empty list says why and turns grouping on.
  void feedsAreManagedFromTheKeyboard() {
    OpenWindow({{"Alpha", "http://127.0.0.1:1/a"}, {"Beta", "http://127.0.0.1:1/b"}});
    TFeedTree& tree = m_window->FeedTree();
    TFeedTreeView* view = m_window->Widgets().feedTreeView;
    tree.AddFolderNode(tree.Root(), "News");
    tree.SelectFeed(Feeds[0].Id);
    view->setFocus();
    prompts::PrimeChoice(0);
    QTest::keyClick(view, Qt::Key_M, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(prompts::ShownPrompts().back().Items, QStringList{QStringLiteral("Feeds\\News")});
    QCOMPARE(tree.NodePath(tree.FindFeedNode(Feeds[0].Id), false), std::string("\\News\\Alpha"));

    QTest::keyClick(view, Qt::Key_F2);
    auto* editor = view->findChild<QLineEdit*>();
    QVERIFY(editor != nullptr && editor->isVisible());
    editor->setText(QStringLiteral(" Gamma [1] "));
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_COMPARE(Feeds[0].Name, std::string("Gamma (1)"));  // the editor commits from the event loop
    tree.SaveTreeStructureToSettings();
    QCOMPARE(Settings().PathList, std::string("\\News\\Gamma (1)\r\n\\Beta\r\n"));

    QTest::keyClick(view, Qt::Key_Menu);
    QMenu* menu = m_window->Actions().pmnuFeeds;
    QTRY_VERIFY(menu->isVisible());
    const QRect item = view->visualRect(view->currentIndex());
    QCOMPARE(menu->pos(), view->viewport()->mapToGlobal(item.bottomLeft()));  // not the tree's corner
    menu->close();

    tree.Select(tree.FindFolderPath("\\News"));
    auto* dialog = m_window->ShowAddFeedDialog(QString());
    auto* folders = dialog->findChild<QComboBox*>(QStringLiteral("cmbFolder"));
    QCOMPARE(folders->currentText(), QStringLiteral("Feeds\\News"));
    QCOMPARE(folders->count(), 2);
    dialog->reject();

    auto* empty = m_window->findChild<QLabel*>(QStringLiteral("lblItemsEmpty"));
    auto* group = m_window->findChild<QPushButton*>(QStringLiteral("btnItemsGroupInFolders"));
    QVERIFY(empty->isVisible() && group->isVisible() && !group->accessibleName().isEmpty());
    QVERIFY(empty->text().contains(QStringLiteral("gruppiert")));
    QTest::mouseClick(group, Qt::LeftButton);
    QVERIFY(Settings().GroupInFolders && !group->isVisible());
    QCOMPARE(empty->text(), QStringLiteral("Die Feeds in diesem Ordner enthalten keine Einträge."));
  }

  // N and Shift+N read on through the list and the feeds, Ctrl+Shift+U and S mark one entry, the Starred node lists
  // the starred entries of every feed, the unread-only view keeps what is read while listed, Space reads on.
  void readingOnMarksAndStars() {
    OpenWindow(
        {{"Alpha", "http://127.0.0.1:1/a"}, {"Beta", "http://127.0.0.1:1/b"}, {"Gamma", "http://127.0.0.1:1/c"}},
        {test::NumberedEntries(3, [](int i) { return i == 1; }), test::NumberedEntries(2, [](int i) { return i == 0; }),
         test::NumberedEntries(1, [](int) { return true; })});
    TFeedTree& tree = m_window->FeedTree();
    TEntryController& entries = m_window->EntryController();
    QTreeView* list = m_window->Widgets().entryListView;
    auto shown = [&] {
      const std::optional<int> row = entries.SelectedRow();
      const TEntry* entry = row ? entries.Model().EntryAt(*row) : nullptr;
      return entry != nullptr ? QString::fromStdString(tree.Selected()->Name() + "/" + entry->Title) : QString();
    };
    auto press = [&](QKeySequence key) {
      list->setFocus();
      QTest::keySequence(list, key);
    };
    tree.SelectFeed(Feeds[0].Id);
    for (const char* expected : {"Alpha/entry 0", "Alpha/entry 2", "Beta/entry 1"}) {
      press(QKeySequence(Qt::Key_N));
      QCOMPARE(shown(), QString::fromLatin1(expected));
    }
    press(QKeySequence(Qt::Key_N));
    QCOMPARE(m_window->Widgets().statusText->text(), QStringLiteral("Keine ungelesenen Einträge."));
    press(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_U));  // this entry alone, and the tree's mark follows
    QVERIFY(!Feeds[1].Entries[1].IsRead && Feeds[0].Entries[0].IsRead);
    QCOMPARE(tree.FindFeedNode(Feeds[1].Id)->Image(), kImageFeedUnread);
    press(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_U));
    QVERIFY(Feeds[1].Entries[1].IsRead);

    Feeds[0].Entries[2].IsRead = false;
    press(QKeySequence(Qt::SHIFT | Qt::Key_N));  // back past the start of Beta's list into Alpha
    QCOMPARE(shown(), QStringLiteral("Alpha/entry 2"));
    press(QKeySequence(Qt::Key_S));
    QVERIFY(Feeds[0].Entries[2].Starred);
    QCOMPARE(entries.Model().index(*entries.SelectedRow(), kStarColumn).data().toString(), QString(QChar(0x2605)));

    tree.Select(tree.StarredNode());  // the starred entries of every feed, named by their feed
    QCOMPARE(entries.Model().rowCount(), 1);
    QCOMPARE(entries.Model().index(0, kFeedColumn).data().toString(), QStringLiteral("Alpha"));

    Feeds[1].Entries[0].IsRead = false;
    tree.SelectFeed(Feeds[1].Id);
    press(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_A));
    QVERIFY(Settings().UnreadOnly);
    QCOMPARE(entries.Model().rowCount(), 1);
    press(QKeySequence(Qt::Key_N));  // read now, and still listed
    QCOMPARE(shown(), QStringLiteral("Beta/entry 0"));
    QCOMPARE(entries.Model().rowCount(), 1);
    Feeds[2].Entries[0].IsRead = false;
    press(QKeySequence(Qt::Key_Space));  // a short entry is at its end at once
    QCOMPARE(shown(), QStringLiteral("Gamma/entry 0"));
  }

  void stayOnTopFollowsTheMenuItem() {
    OpenWindow();
    TMainActions& actions = m_window->Actions();
    actions.mnuExtrasWindowOnTop->trigger();
    QVERIFY(m_window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(actions.ToolButton(actions.mnuExtrasWindowOnTop)->isChecked());
    QVERIFY(m_window->isVisible());
    actions.mnuExtrasWindowOnTop->trigger();
    QVERIFY(!m_window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(!actions.ToolButton(actions.mnuExtrasWindowOnTop)->isChecked());
  }

  void refreshAllShowsProgressAndMarksFailures() {
    test::THttpTestServer server;
    for (const char* path : {"/a", "/b", "/c"}) {
      server.SetResponse(path, {.Body = Rss(path), .DelayMs = 200});
    }
    OpenWindow({{"Alpha", server.Url("/a")},
                {"Beta", server.Url("/b")},
                {"Gamma", server.Url("/c")},
                {"Broken", server.Url("/missing")}});
    TRefreshController& refresh = m_window->Refresh();
    QProgressBar* progress = m_window->Widgets().statusProgress;
    QSignalSpy positions(progress, &QProgressBar::valueChanged);
    QSignalSpy ended(&refresh, &TRefreshController::RunEnded);
    m_window->Actions().mnuFeedRefreshAll->trigger();
    QVERIFY(refresh.IsRunning());
    QVERIFY(progress->isVisible());
    QVERIFY(m_window->Actions().tbFeedStopRefresh->isVisible());
    QVERIFY(m_window->Actions().tbFeedStopRefresh->isEnabled());
    QTRY_COMPARE_WITH_TIMEOUT(ended.count(), 1, 15000);
    QVERIFY(!progress->isVisible());
    QCOMPARE(progress->value(), 0);
    QVERIFY(!m_window->Actions().tbFeedStopRefresh->isVisible());
    QCOMPARE(m_window->Widgets().statusText->text(), QStringLiteral("Bereit."));
    // The bar moved during the run (how many steps it shows depends on how the results arrive between polls).
    QVERIFY(
        std::any_of(positions.begin(), positions.end(), [](const auto& value) { return value.first().toInt() > 0; }));
    // Captions and error marks are refreshed, and one message names the failed feed.
    TFeedTree& tree = m_window->FeedTree();
    const TFeed& broken = Feeds[FindFeed("Broken")];
    QVERIFY(broken.Error);
    QVERIFY(tree.FindFeedNode(broken.Id)->HasErrorMark());
    QVERIFY(tree.Root()->HasErrorMark());
    QCOMPARE(Feeds[FindFeed("Alpha")].Entries.size(), size_t{2});
    QVERIFY(!tree.FindFeedNode(Feeds[FindFeed("Alpha")].Id)->HasErrorMark());
    QCOMPARE(prompts::ShownPrompts().size(), size_t{1});
    QCOMPARE(prompts::ShownPrompts().front().Title, QStringLiteral("Feeds aktualisieren"));
    QVERIFY(prompts::ShownPrompts().front().Text.contains(QLatin1String("Broken")));
    // Asked again within the minute: no request goes out, and the status bar says why.
    const int requests = server.RequestCount();
    m_window->Actions().mnuFeedRefreshAll->trigger();
    QVERIFY(!refresh.IsRunning());
    QVERIFY(m_window->Widgets().statusText->text().startsWith(QStringLiteral("Keine neue Abfrage")));
    QCOMPARE(server.RequestCount(), requests);
  }

  // A run answered by 304s changes only refresh state: the store file stays as it is (a store of many megabytes
  // was rewritten for a few validators), the state file beside it takes the news, and the validators go out again.
  void aRunAnsweredBy304sSavesOnlyTheRefreshState() {
    test::THttpTestServer server;
    server.SetHandler([](const test::TTestRequest& request) {
      return test::ConditionalAnswer(request, "\"v1\"", Rss(request.Target));
    });
    OpenWindow({{"Alpha", server.Url("/a")}});
    TRefreshController& refresh = m_window->Refresh();
    QSignalSpy ended(&refresh, &TRefreshController::RunEnded);
    const auto runAndSave = [&](int runs) {
      m_window->Actions().mnuFeedRefreshAll->trigger();
      QTRY_COMPARE_WITH_TIMEOUT(ended.count(), runs, 15000);
      m_window->Saver().WaitUntilIdle();
      Feeds[0].Refresh.LastTime -= 2.0 / (24 * 60);  // a minute later
    };
    runAndSave(1);
    const std::string store = InFolder(QStringLiteral("Feeds.xml")).toStdString();
    const QByteArray stored = ReadFile(QStringLiteral("Feeds.xml"));
    const std::optional<TFileVersion> version = FileVersionOf(store);
    QVERIFY(stored.contains("<Item2>"));
    runAndSave(2);
    QCOMPARE(Feeds[0].Refresh.LastStatus, 304);
    QCOMPARE(FileVersionOf(store), version);
    QCOMPARE(ReadFile(QStringLiteral("Feeds.xml")), stored);
    QVERIFY(ReadFile(QStringLiteral("Feeds.xml.state")).contains("<LastStatus>304</LastStatus>"));
    Feeds[0].Refresh.LastStatus = 0;
    QCOMPARE(ReloadStore(), 1);
    QCOMPARE(Feeds[0].Refresh.LastStatus, 304);
  }

  // Regression: a stored size of the largest int made a window of 32767 x 32767 pixels, and saved it back.
  void storedGeometryIsShownWithinTheDesktopAndOnAScreen() {
    OpenWindow();
    const QRect desktop = m_window->screen()->virtualGeometry();
    TSettings& settings = Settings();
    settings.FormLeft = desktop.right() + 1000;  // a screen that is gone
    settings.FormTop = -20;
    settings.FormWidth = INT_MAX;
    settings.FormHeight = INT_MAX;
    m_window->ApplyStoredGeometry();
    QCOMPARE(m_window->size(), desktop.size());
    QVERIFY(desktop.contains(m_window->pos()));
    QVERIFY(m_window->SaveAllNow());
    QCOMPARE(settings.FormLeft, desktop.right() + 1000);  // the place stays as stored
    QCOMPARE(settings.FormTop, -20);
    QCOMPARE(QSize(settings.FormWidth, settings.FormHeight), desktop.size());
  }

  // Fault guarded: one slow feed held every result back; a fast feed's new entries showed only once the slowest feed
  // of the run was done (32 s later beside a feed served at 150 bytes/s). A feed dripping its body ends as too slow.
  void eachResultShowsAsItComesAndADrippingFeedEndsAsTooSlow() {
    test::THttpTestServer server;
    server.SetResponse("/fast", {.Body = Rss("Fast")});
    server.SetResponse("/slow", {.Body = Rss("Slow"), .DripIntervalMs = 200});  // 5 bytes a second
    OpenWindow({{"Fast", server.Url("/fast")}, {"Slow", server.Url("/slow")}});
    TRefreshController& refresh = m_window->Refresh();
    refresh.Scheduler().SetLowSpeedWindowMs(1500);
    TFeed& fast = Feeds[FindFeed("Fast")];
    fast.Entries.push_back(test::MakeEntry("One", "http://example.org/1"));
    TFeedTree& tree = m_window->FeedTree();
    QVERIFY(tree.SelectFeed(fast.Id));
    QTreeView* list = m_window->Widgets().entryListView;
    QTRY_COMPARE(list->model()->rowCount(), 1);
    list->setCurrentIndex(list->model()->index(0, 0));  // the entry being read
    QVERIFY(fast.Entries.front().IsRead);
    QSignalSpy ended(&refresh, &TRefreshController::RunEnded);
    m_window->Actions().mnuFeedRefreshAll->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(list->model()->rowCount(), 2, 10000);
    QVERIFY(refresh.IsRunning());  // the slow feed is still on its way
    QCOMPARE(ended.count(), 0);
    QCOMPARE(list->selectionModel()->selectedRows().size(), 1);
    QCOMPARE(list->selectionModel()->selectedRows().front().data().toString(), QStringLiteral("One"));
    QCOMPARE(tree.FindFeedNode(fast.Id)->Image(), kImageFeedUnread);  // the tree shows the new unread entry
    QTRY_COMPARE_WITH_TIMEOUT(ended.count(), 1, 15000);
    const TFeed& slow = Feeds[FindFeed("Slow")];
    QVERIFY(slow.Error);
    QCOMPARE(slow.Refresh.LastFailure, std::string("too-slow"));
    QVERIFY(prompts::ShownPrompts().back().Text.contains(QStringLiteral("zu langsam")));
  }

  void scheduledSaveWritesBothFilesOffTheMainThread() {
    OpenWindow({{"Alpha", "http://127.0.0.1:1/a"}});
    TFeedTree& tree = m_window->FeedTree();
    m_window->Actions().pmnuFeedFolderAdd->trigger();  // a new folder under the root, selected
    QVERIFY(tree.Selected() != nullptr && tree.Selected()->IsFolder());
    Feeds[0].Entries.push_back(test::MakeEntry("Kept"));
    std::atomic<bool> onMainThread = true;
    SetStoreSaveTestHook([&](const std::string&) { onMainThread = QThread::currentThread() == qApp->thread(); });
    m_window->ScheduleSave();
    m_window->ScheduleSave();  // a burst is one save
    m_window->Saver().WaitUntilIdle();
    SetStoreSaveTestHook(nullptr);
    QCOMPARE(m_window->Saver().CompletedSaves(), 1);
    QVERIFY(!onMainThread);

    const TSettings reloaded = SavedSettings();
    QVERIFY(reloaded.Structure.find("Neuer Ordner 1") != std::string::npos);
    QVERIFY(reloaded.LastSelectedPath.find("Neuer Ordner 1") != std::string::npos);
    QCOMPARE(ReloadStore(), 1);
    QVERIFY(Feeds[0].Entries.size() == 1 && Feeds[0].Entries[0].Title == "Kept");
    // The background save keeps the previous complete store as its backup, as a save at exit does.
    QVERIFY(QFile::exists(InFolder(QStringLiteral("Feeds.xml.bak"))));
  }

  // The store is copied a few feeds at a time while the window goes on; feeds removed or renamed between two slices
  // must leave a saved store that agrees with itself and with the arrangement saved with it (the arrangement names
  // the feeds), whatever happens before the next save.
  void feedsRemovedOrRenamedWhileTheStoreIsCopiedAreSavedAsOneState() {
    OpenWindow({{"A", "http://127.0.0.1:1/a"},
                {"B", "http://127.0.0.1:1/b"},
                {"C", "http://127.0.0.1:1/c"},
                {"D", "http://127.0.0.1:1/d"},
                {"E", "http://127.0.0.1:1/e"}});
    bool changed = false;
    m_window->Saver().SetSlicingForTests(1, [&] {
      if (!changed) {
        changed = true;
        Feeds[0].Name = "Z";  // A, already copied, is renamed, and B takes its name
        Feeds[1].Name = "A";
        Feeds.erase(Feeds.begin() + 3);  // D goes
      }
    });
    m_window->ScheduleSave();
    m_window->Saver().WaitUntilIdle();
    QVERIFY(changed);
    const TSettings saved = SavedSettings();
    const TFeeds now = Feeds;
    QCOMPARE(ReloadStore(), 4);
    QStringList names;
    for (const TFeed& feed : Feeds) {
      names << QString::fromStdString(feed.Name);
      QVERIFY2(saved.PathList.find(feed.Name) != std::string::npos, feed.Name.c_str());
    }
    QCOMPARE(names, (QStringList{"A", "B", "C", "E"}));  // as the arrangement of that save knew them
    Feeds = now;
  }

  // Fault guarded: a save that failed (a full disk, a read-only file, a folder in the way) was told nowhere: the
  // status bar said "Bereit.", no message came, and nothing tried again unless something changed.
  void aFailingSaveIsToldOncePerEpisodeAndTriedAgain_data() {
    QTest::addColumn<QString>("obstacle");  // a folder where the save writes
    QTest::addColumn<QString>("file");      // the file the user is told of
    QTest::addColumn<bool>("minimised");    // told by a tray message instead of a message box
    QTest::newRow("store") << QString("Feeds.xml.tmp") << QString("Feeds.xml") << false;
    QTest::newRow("settings, minimised to the tray") << QString("Tidewick.ini") << QString("Tidewick.ini") << true;
  }
  void aFailingSaveIsToldOncePerEpisodeAndTriedAgain() {
    QFETCH(QString, obstacle);
    QFETCH(QString, file);
    QFETCH(bool, minimised);
    OpenWindow({{"Alpha", "http://127.0.0.1:1/a"}});
    QStringList trayMessages;
    m_window->SetTrayMessage([&](const QString&, const QString& text) {
      if (minimised) {
        trayMessages << text;
      }
      return minimised;
    });
    const auto* problem = test::Child<QLabel>(*m_window, "lblSaveProblem");
    const QString reason = QString::fromLocal8Bit(std::strerror(EISDIR));
    const auto told = [&] { return minimised ? trayMessages : test::PromptTexts(prompts::TPromptKind::Notice); };
    for (int episode = 1; episode <= 2; ++episode) {
      QFile::remove(InFolder(obstacle));
      QVERIFY(QDir(m_folder->path()).mkdir(obstacle));
      m_window->ScheduleSave();
      for (int save = 0; save < 2; ++save) {
        m_window->Saver().WaitUntilIdle();
        QVERIFY(problem->isVisible());
        QVERIFY2(problem->text().contains(InFolder(file)) && problem->text().contains(reason),
                 qPrintable(problem->text()));
        QVERIFY(m_window->Saver().IsPending());  // tried again without a new change
      }
      QCOMPARE(told().size(), episode);  // once per episode
      QVERIFY(told().back().contains(InFolder(file)) && told().back().contains(reason));
      QCOMPARE(test::PromptTexts(prompts::TPromptKind::Notice).size(), minimised ? 0 : episode);
      // The next save that succeeds ends the episode.
      QVERIFY(QDir(m_folder->path()).rmdir(obstacle));
      m_window->Saver().WaitUntilIdle();
      QVERIFY(!problem->isVisible());
      QVERIFY(!m_window->Saver().IsPending());
    }
  }

  // Fault guarded: the damaged state reached each save's snapshot and was reset only by the queued completion, so
  // a second snapshot (or the save at exit) copied the new file over the kept damaged one.
  void aDamagedSettingsFileIsKeptOnceHoweverTheSavesOverlap() {
    const QByteArray damaged = "<?xml version=\"1.0\"?>\r\n<Feeds>\r\n  <Structure>Work\tno";
    WriteFile(QStringLiteral("Tidewick.ini"), damaged);
    OpenWindow();
    const TSaveSnapshot first = TakeSaveSnapshot(true);
    const TSaveSnapshot second = TakeSaveSnapshot(true);
    QVERIFY(WriteSaveSnapshot(first).SettingsWritten());
    QVERIFY(WriteSaveSnapshot(second).SettingsWritten());
    QVERIFY(m_window->SaveAllNow());
    const QStringList copies = DamagedCopies(QStringLiteral("Tidewick.ini"));
    QCOMPARE(copies.size(), 1);
    QCOMPARE(ReadFile(copies.front()), damaged);
  }

  // Fault guarded: a damaged settings file with a damaged backup gave a flat feed list and the default language
  // without a word, and the backup was written over by the next save.
  void aDamagedSettingsFileAndBackupAreKeptAndTheUserIsTold() {
    const QByteArray damaged = "<?xml version=\"1.0\"?>\r\n<Lang";
    const QByteArray damagedBackup = "<?xml version=\"1.0\"?>\r\n<Feeds><Structure>Wo";
    WriteFile(QStringLiteral("Tidewick.ini"), damaged);
    WriteFile(QStringLiteral("Tidewick.ini.bak"), damagedBackup);
    OpenWindow();
    QTRY_COMPARE(prompts::ShownPrompts().size(), size_t{1});
    const QString text = prompts::ShownPrompts().front().Text;
    const QStringList copies = DamagedCopies(QStringLiteral("Tidewick.ini"));
    const QStringList backupCopies = DamagedCopies(QStringLiteral("Tidewick.ini.bak"));
    QCOMPARE(copies.size(), 1);
    QCOMPARE(backupCopies.size(), 1);
    QVERIFY2(text.contains(copies.front()) && text.contains(backupCopies.front()), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("Sprache")), qPrintable(text));  // what was lost
    QVERIFY(m_window->SaveAllNow());
    QVERIFY(m_window->SaveAllNow());
    QCOMPARE(ReadFile(copies.front()), damaged);
    QCOMPARE(ReadFile(backupCopies.front()), damagedBackup);
  }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
