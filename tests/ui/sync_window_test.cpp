// The window syncing an account with the real Tiny Tiny RSS server of the fixture "ttrss": the server's entries
// arrive, a star made here reaches the server through the queue file, a star made there arrives here, and a sync that
// brings nothing writes no store; the first sync of a run compares the marks of every feed with unread entries.

#include <algorithm>
#include <memory>
#include <optional>

#include <QAction>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "feeds/feed_store.h"
#include "feeds/sync_account.h"
#include "platform/file_io.h"
#include "settings/settings.h"
#include "support/ttrss_server.h"
#include "sync/sync_download.h"
#include "sync/sync_run.h"
#include "sync/sync_service.h"
#include "tree/feed_tree.h"
#include "ui/main/entry_controller.h"
#include "ui/main/main_actions.h"
#include "ui/main/main_window.h"
#include "ui/main/save_scheduler.h"
#include "ui/main/sync_controller.h"
#include "ui/main/ui_prompts.h"
#include "ui_test_support.h"

namespace tidewick {
namespace {

const TEntry* EntryWithArticle(int64_t id) {
  for (const TFeed& feed : Feeds) {
    for (const TEntry& entry : feed.Entries) {
      if (entry.ArticleId == id) {
        return &entry;
      }
    }
  }
  return nullptr;
}

bool Listed(const std::vector<int64_t>& ids, int64_t id) {
  return std::find(ids.begin(), ids.end(), id) != ids.end();
}

}  // namespace

class SyncWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void marksAndStarsFollowThroughTheServer() {
    const std::optional<test::TTtrssServer> server = test::RunningTtrssServer();
    QVERIFY2(server.has_value(), "the ttrss fixture is not running");
    const test::TTtrssSeed seed(*server);
    seed.Reset();
    const std::vector<int64_t> articles = seed.AddArticles(seed.AddFeeds(2, 0), 5);

    QTemporaryDir folder;
    const TMainWindowOptions options = test::WindowOptionsIn(folder.path());
    Feeds.clear();
    SyncAccounts.assign(1, {});
    SyncAccounts[0].Key = "ttrss1";
    SyncAccounts[0].Kind = "ttrss";
    SyncAccounts[0].Title = "Home";
    SyncAccounts[0].ServerUrl = server->Url;
    SyncAccounts[0].UserName = server->User;
    QVERIFY(SaveFeeds(options.FeedsFileName));
    // No Secret Service here: the window asks for the password once, at its start.
    prompts::SetScripted(true);
    prompts::PrimeInput(QString::fromStdString(server->Password));
    TMainWindow window(options);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));

    window.Actions().mnuFeedRefreshAll->trigger();  // F5 syncs the accounts too
    QTRY_VERIFY_WITH_TIMEOUT(EntryWithArticle(articles.back()) != nullptr, 30000);
    QVERIFY(window.FeedTree().FindAccountNode("ttrss1") != nullptr);

    // Marks made here: queued, written beside the store soon (a kill after that loses nothing), then sent.
    const QString queueFile = QString::fromStdString(options.FeedsFileName) + QStringLiteral(".sync-queue");
    const TEntry* first = EntryWithArticle(articles[0]);
    QVERIFY(window.FeedTree().SelectFeed(Feeds[static_cast<size_t>(first->FeedIndex)].Id));
    QVERIFY(window.EntryController().SelectByDisplayTitle(first->Title));
    window.Actions().mnuFeedEntryToggleStar->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(queueFile), 5000);
    window.Actions().mnuFeedRefreshAll->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(Listed(seed.MarkedIds("marked"), articles[0]), 30000);
    QTRY_VERIFY_WITH_TIMEOUT(!QFile::exists(queueFile), 5000);

    // A star made on the server arrives with the next sync.
    seed.SetMark({articles[3]}, "marked", true);
    window.Actions().mnuFeedRefreshAll->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(EntryWithArticle(articles[3])->Starred, 30000);

    // A sync that brings nothing leaves the store file alone: a large store is not written again for nothing.
    window.Saver().WaitUntilIdle();
    const std::optional<TFileVersion> saved = FileVersionOf(options.FeedsFileName);
    QVERIFY(saved.has_value());
    window.Actions().mnuFeedRefreshAll->trigger();
    QVERIFY(window.Sync().IsSyncing());
    QTRY_VERIFY_WITH_TIMEOUT(!window.Sync().IsSyncing(), 30000);
    window.Saver().WaitUntilIdle();
    QVERIFY(FileVersionOf(options.FeedsFileName) == saved);
    SyncAccounts.clear();
  }

  // The window's first sync compares the marks of every feed with unread entries, so marks made on the server that
  // left a feed's unread count as it was (one article read, another unread again) arrive too.
  void firstSyncBringsMarksThatLeftTheCountsAsTheyWere() {
    const std::optional<test::TTtrssServer> server = test::RunningTtrssServer();
    QVERIFY2(server.has_value(), "the ttrss fixture is not running");
    const test::TTtrssSeed seed(*server);
    seed.Reset();
    const std::vector<int64_t> articles = seed.AddArticles(seed.AddFeeds(2, 0), 3);  // the first feed's first
    seed.SetMark({articles[1]}, "unread", false);

    // A store synced before, as an earlier run of the window or the command line left it.
    QTemporaryDir folder;
    const TMainWindowOptions options = test::WindowOptionsIn(folder.path());
    Feeds.clear();
    TSyncAccount account;
    account.Key = "ttrss1";
    account.Kind = "ttrss";
    account.Title = "Home";
    account.ServerUrl = server->Url;
    account.UserName = server->User;
    const std::unique_ptr<TSyncService> service =
        MakeSyncService(account.Kind, SyncConnectionFor(account, TSettingsValues(), server->Password));
    const TSyncRunResult earlier = FetchSyncDownload(*service, MakeSyncSnapshot(Feeds, account, TSyncQueue()));
    QVERIFY(earlier.Status.Ok());
    ApplySyncDownload(Feeds, account, earlier.Download, TSyncQueue());
    SyncAccounts = {account};
    QVERIFY(SaveFeeds(options.FeedsFileName));
    QVERIFY(EntryWithArticle(articles[1]) != nullptr && EntryWithArticle(articles[1])->IsRead);

    seed.SetMark({articles[0]}, "unread", false);
    seed.SetMark({articles[1]}, "unread", true);
    prompts::SetScripted(true);
    prompts::PrimeInput(QString::fromStdString(server->Password));
    TMainWindow window(options);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    window.Actions().mnuFeedRefreshAll->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(!window.Sync().IsSyncing() && EntryWithArticle(articles[0])->IsRead, 30000);
    QVERIFY(!EntryWithArticle(articles[1])->IsRead);
    QVERIFY(!EntryWithArticle(articles[2])->IsRead);
    SyncAccounts.clear();
  }
};

}  // namespace tidewick

QTEST_MAIN(tidewick::SyncWindowTest)
#include "sync_window_test.moc"
