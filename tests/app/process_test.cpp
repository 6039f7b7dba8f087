// The program as a process: who becomes the first instance, what later starts do, and what ends up on disk.

#include <signal.h>

#include <filesystem>
#include <fstream>
#include <tuple>

#include <QLocalSocket>
#include <QTest>

#include "app/first_instance.h"
#include "app_test_support.h"
#include "feeds/feed_records.h"
#include "feeds/feed_store.h"

namespace tidewick {

using test::TProgramHome;
using test::TProgramRun;
using test::WaitForListening;

namespace {

TStoreLoadResult LoadStore(const std::string& file) {
  Feeds.clear();
  return LoadFeedStore(file);
}

}  // namespace

class ProcessTest : public QObject {
  Q_OBJECT

 private slots:
  void ofTwentySimultaneousStartsExactlyOneStaysAndTheOthersHandOver() {
    TProgramHome home;
    std::vector<std::unique_ptr<TProgramRun>> runs;
    for (int i = 0; i < 20; ++i) {
      runs.push_back(std::make_unique<TProgramRun>(home, QStringList{"/APPDATA"}));
    }
    QVERIFY(WaitForListening(home.SocketPath()));
    int handedOver = 0;
    TProgramRun* first = nullptr;
    for (auto& run : runs) {
      if (run->WaitForExit(test::kProcessWaitMs / 2) == 0) {
        ++handedOver;
      } else if (run->IsRunning()) {
        QVERIFY2(first == nullptr, "two instances kept running");
        first = run.get();
      }
    }
    QCOMPARE(handedOver, 19);
    QVERIFY(first != nullptr);
    QVERIFY(test::EndsOnSigterm(*first));
  }

  void afterTheFirstWasKilledANewStartBecomesFirstAndItsAddDialogHoldsTheLaterStart() {
    TProgramHome home;
    TProgramRun killed(home, {"/APPDATA"});
    QVERIFY(WaitForListening(home.SocketPath()));
    killed.Signal(SIGKILL);
    QCOMPARE(killed.WaitForExit(), -1);

    TProgramRun next(home, {"/APPDATA"});
    QVERIFY(WaitForListening(home.SocketPath()));
    // A browser's feed link: the later start ends only once the add dialog its address opened is closed (nobody
    // answers it offscreen), so a launcher waiting for it does not report success too early.
    TProgramRun later(home, {"/APPDATA", "feed:https://127.0.0.1:9/rss"});
    QVERIFY(!later.Process().waitForFinished(3000));
    QVERIFY(next.IsRunning());
    // Ending the first instance rejects the dialog first, which releases the later start.
    QVERIFY(test::EndsOnSigterm(next));
    QCOMPARE(later.WaitForExit(), 0);
  }

  void anOldLockAndGarbageOnTheSocketDoNotDisturbTheRunningInstance() {
    TProgramHome home;
    TProgramRun first(home, {"/APPDATA"});
    QVERIFY(WaitForListening(home.SocketPath()));
    // Older than the 30 s after which a lock counts as stale by default.
    std::filesystem::last_write_time(home.LockFile().toStdString(),
                                     std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));
    QLocalSocket garbage;
    garbage.connectToServer(home.SocketPath());
    QVERIFY(garbage.waitForConnected(1000));
    const QByteArray chunk(1024 * 1024, 'x');
    for (int i = 0; i < 10 && garbage.state() == QLocalSocket::ConnectedState; ++i) {
      garbage.write(chunk);
      garbage.waitForBytesWritten(1000);
    }
    QTRY_COMPARE_WITH_TIMEOUT(garbage.state(), QLocalSocket::UnconnectedState, test::kProcessWaitMs);

    TProgramRun later(home, {"/APPDATA", "two", "parameters"});
    QCOMPARE(later.WaitForExit(), 0);
    QVERIFY(first.IsRunning());
    QVERIFY(test::EndsOnSigterm(first));
  }

  void aFirstStartSubscribesTheWelcomeFeedOnceAndSigtermSavesIt() {
    TProgramHome home;
    QVERIFY(test::RunUntilSigterm(home, {"-APPDATA"}));
    QCOMPARE(LoadStore(home.StoreFile()).Status, TStoreLoadStatus::Loaded);
    QCOMPARE(FeedCount(), 1);
    QVERIFY(QString::fromStdString(Feeds[0].URL).endsWith("/welcome/welcome_de.atom"));
    QVERIFY(Feeds[0].URL.starts_with("file:///"));

    // The user removed it: a store without feeds is not a first start.
    Feeds.clear();
    QVERIFY(SaveFeeds(home.StoreFile()));
    QVERIFY(test::RunUntilSigterm(home, {"--appdata"}));
    QCOMPARE(LoadStore(home.StoreFile()).Status, TStoreLoadStatus::Loaded);
    QCOMPARE(FeedCount(), 0);
  }

  void theSwitchMinStartsMinimisedUnlessDontStartMinimized_data() {
    QTest::addColumn<QString>("switchText");
    QTest::addColumn<bool>("dontStartMinimized");
    QTest::addColumn<bool>("minimized");
    QTest::newRow("/min") << "/min" << false << true;  // its other spellings are the switch reader's
    QTest::newRow("/min, but never minimised") << "/min" << true << false;
    QTest::newRow("no switch") << "" << false << false;
  }
  void theSwitchMinStartsMinimisedUnlessDontStartMinimized() {
    QFETCH(QString, switchText);
    QFETCH(bool, dontStartMinimized);
    QFETCH(bool, minimized);
    TProgramHome home;
    home.WriteSettings([&](TSettingsValues& values) { values.DontStartMinimized = dontStartMinimized; });
    QStringList args{"/APPDATA"};
    if (!switchText.isEmpty()) {
      args << switchText;
    }
    QVERIFY(test::RunUntilSigterm(home, args));
    // A program that ends minimised starts minimised next time: the flag is saved as the start left it.
    QCOMPARE(home.ReadSettings().Minimized, minimized);
  }

  void endingWhileMaximisedKeepsTheNormalGeometry() {
    TProgramHome home;
    const std::tuple<int32_t, int32_t, int32_t, int32_t, int32_t> geometry{1, 31, 41, 517, 389};  // state 1: maximised
    home.WriteSettings([&](TSettingsValues& values) {
      std::tie(values.WindowState, values.FormLeft, values.FormTop, values.FormWidth, values.FormHeight) = geometry;
    });
    QVERIFY(test::RunUntilSigterm(home, {"/APPDATA"}));
    const TSettingsValues saved = home.ReadSettings();
    QCOMPARE(std::tuple(saved.WindowState, saved.FormLeft, saved.FormTop, saved.FormWidth, saved.FormHeight), geometry);
  }

  void withoutAppDataTheFilesLieBesideTheProgram() {
    TProgramHome home;
    test::TempDir programFolder;
    const std::filesystem::path copy = programFolder.Path() / "tidewick";
    const std::filesystem::path built(TIDEWICK_PROGRAM);
    std::filesystem::copy_file(built, copy);
    std::filesystem::copy(built.parent_path() / "welcome", programFolder.Path() / "welcome",
                          std::filesystem::copy_options::recursive);
    QVERIFY(test::RunUntilSigterm(home, {}, QString::fromStdString(copy.string())));
    QVERIFY(std::filesystem::exists(programFolder.Path() / "Feeds.xml"));
    QVERIFY(std::filesystem::exists(programFolder.Path() / "tidewick.ini"));
    QVERIFY(!std::filesystem::exists(home.StoreFile()));
  }

  // Fault guarded: with the store unwritable the program ended with status 0 and nothing saved.
  void aLastSaveThatFailsEndsWithItsOwnStatus() {
    TProgramHome home;
    std::filesystem::create_directories(home.StoreFile() + ".tmp");  // the store cannot be written
    TProgramRun run(home, {"/APPDATA"});
    QVERIFY(WaitForListening(home.SocketPath()));
    run.Signal(SIGTERM);
    QCOMPARE(run.WaitForExit(), kExitSaveFailed);
  }

  // Fault guarded: a kill in the middle of a save left its temporary files (a whole store's worth) until the next
  // save of that name. A start holding the store's lock removes every one the writers use; a temporary file of a
  // process still running, and files that only look alike, stay.
  void aStartRemovesTheTemporaryFilesOfAnInterruptedSave() {
    TProgramHome home;
    std::filesystem::create_directories(home.UserFolder());
    QProcess ended;
    ended.start(QStringLiteral("true"), {});
    QVERIFY(ended.waitForFinished());
    const std::string dead = std::to_string(ended.processId());
    const std::string alive = std::to_string(QCoreApplication::applicationPid());
    const std::string store = home.StoreFile();
    const std::string settings = home.SettingsFile();
    const std::vector<std::string> stale = {store + ".tmp", store + ".bak.new", settings + ".tmp-" + dead + "-0",
                                            settings + ".bak.tmp-" + dead + "-12",
                                            settings + ".damaged-20240101-000000.tmp-" + dead + "-3"};
    const std::vector<std::string> kept = {settings + ".tmp-" + alive + "-0", settings + ".tmp-notes",
                                           store + ".tmp.mine", home.UserFolder() + "/Other.ini.tmp-" + dead + "-0"};
    for (const std::string& file : stale) {
      std::ofstream(file) << std::string(1000, 'x');
    }
    for (const std::string& file : kept) {
      std::ofstream(file) << "x";
    }
    TProgramRun run(home, {"/APPDATA"});
    QVERIFY(WaitForListening(home.SocketPath()));
    for (const std::string& file : stale) {
      QVERIFY2(!std::filesystem::exists(file), file.c_str());
    }
    for (const std::string& file : kept) {
      QVERIFY2(std::filesystem::exists(file), file.c_str());
    }
    QVERIFY(test::EndsOnSigterm(run));
  }

  void waitsForACommandLineRefreshHoldingTheStore() {
    TProgramHome home;
    std::filesystem::create_directories(home.UserFolder());
    TFeedStoreLock cron;
    std::string message;
    QVERIFY(cron.Acquire(home.StoreFile(), message));
    TProgramRun run(home, {"/APPDATA"});
    QVERIFY(!WaitForListening(home.SocketPath(), 1500));
    QVERIFY(run.IsRunning());
    cron.Release();
    QVERIFY(WaitForListening(home.SocketPath()));
    QVERIFY(test::EndsOnSigterm(run));
  }
};

}  // namespace tidewick

QTEST_GUILESS_MAIN(tidewick::ProcessTest)
#include "process_test.moc"
