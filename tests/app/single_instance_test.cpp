#include "app/single_instance.h"

#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <future>
#include <sys/wait.h>

#include <QDialog>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include "support/env_guard.h"
#include "support/temp_dir.h"

namespace tidewick {
namespace {

constexpr int kWaitMs = 10000;

std::future<THandOverResult> HandOverInThread(const QString& socketPath, THandOver handOver) {
  return std::async(std::launch::async, [socketPath, handOver] {
    return HandOverToFirstInstance(socketPath, handOver, [] { return false; });
  });
}

bool IsReady(const std::future<THandOverResult>& future) {
  return future.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
}

}  // namespace

class SingleInstanceTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    m_dir = std::make_unique<test::TempDir>();
    m_socketPath = QString::fromStdString(m_dir->File("tidewick.socket"));
    m_received.clear();
  }
  void cleanup() { m_dir.reset(); }

  void laterStartsWaitUntilTheDialogTheyOpenedIsClosed() {
    std::future<THandOverResult> first;
    std::future<THandOverResult> second;
    size_t handledWhileOpen = 0;
    bool anyAnsweredWhileOpen = true;
    THandOverServer server(m_socketPath, [&](const THandOver& handOver) {
      m_received.push_back(handOver);
      if (m_received.size() > 1) {
        return;
      }
      QDialog addFeed;  // what the add-feed dialog does: a modal loop until the user closes it
      // A second start while the dialog is open is queued, not handled inside the dialog's loop.
      QTimer::singleShot(0, &addFeed, [&] { second = HandOverInThread(m_socketPath, {"", {"www.example.org/2"}}); });
      QTimer::singleShot(600, &addFeed, [&] {
        handledWhileOpen = m_received.size();
        anyAnsweredWhileOpen = IsReady(first) || IsReady(second);
        addFeed.reject();
      });
      addFeed.exec();
    });
    QVERIFY(server.Listen());

    first = HandOverInThread(m_socketPath, THandOver{"tok", {"feed://example.org/rss"}});
    QTRY_VERIFY_WITH_TIMEOUT(first.valid() && IsReady(first) && second.valid() && IsReady(second), kWaitMs);
    QCOMPARE(handledWhileOpen, size_t{1});
    QVERIFY(!anyAnsweredWhileOpen);
    QCOMPARE(first.get(), THandOverResult::Handled);
    QCOMPARE(second.get(), THandOverResult::Handled);
    QCOMPARE(m_received.size(), size_t{2});
    QCOMPARE(m_received[0].ActivationToken, std::string("tok"));
    QCOMPARE(m_received[1].Params, std::vector<std::string>{"www.example.org/2"});
  }

  // Regression: a later start that ended while the dialog its address opened was still open had its connection
  // freed inside that dialog's loop, under the signal that had started it; the window crashed once the dialog closed.
  void aLaterStartThatEndsLeavesItsConnectionToTheServerUntilHandled() {
    QLocalSocket laterStart;
    QPointer<QLocalSocket> connection;
    bool keptWhileHandled = false;
    THandOverServer server(m_socketPath, [&](const THandOver& handOver) {
      m_received.push_back(handOver);
      QDialog addFeed;
      QTimer::singleShot(0, &addFeed, [&] {
        connection = server.findChild<QLocalSocket*>();
        QVERIFY(connection != nullptr);
        laterStart.abort();
        QTRY_VERIFY_WITH_TIMEOUT(!connection || connection->state() == QLocalSocket::UnconnectedState, kWaitMs);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        keptWhileHandled = connection != nullptr;
        addFeed.reject();
      });
      addFeed.exec();
    });
    QVERIFY(server.Listen());
    laterStart.connectToServer(m_socketPath);
    QVERIFY(laterStart.waitForConnected(kWaitMs));
    laterStart.write(QByteArray::fromStdString(*EncodeHandOver(THandOver{"", {"feed://example.org/rss"}})));
    QTRY_COMPARE_WITH_TIMEOUT(m_received.size(), size_t{1}, kWaitMs);
    QVERIFY(keptWhileHandled);
    QTRY_VERIFY_WITH_TIMEOUT(connection == nullptr, kWaitMs);  // released once handled
    QCOMPARE(server.OpenConnectionCount(), 0);
  }

  void garbageAndSilentConnectionsAreClosedWithoutHarm() {
    THandOverServer server(m_socketPath, [&](const THandOver& handOver) { m_received.push_back(handOver); });
    server.SetConnectionTimeoutMs(300);
    QVERIFY(server.Listen());

    QLocalSocket garbage;
    garbage.connectToServer(m_socketPath);
    QVERIFY(garbage.waitForConnected(kWaitMs));
    const QByteArray chunk(64 * 1024, '\xAB');
    for (int i = 0; i < 160 && garbage.state() == QLocalSocket::ConnectedState; ++i) {  // 10 MiB
      garbage.write(chunk);
      QTest::qWait(0);
    }
    QLocalSocket silent;
    silent.connectToServer(m_socketPath);
    QVERIFY(silent.waitForConnected(kWaitMs));
    QTRY_COMPARE_WITH_TIMEOUT(garbage.state(), QLocalSocket::UnconnectedState, kWaitMs);
    QTRY_COMPARE_WITH_TIMEOUT(silent.state(), QLocalSocket::UnconnectedState, kWaitMs);
    QTRY_COMPARE_WITH_TIMEOUT(server.OpenConnectionCount(), 0, kWaitMs);
    QVERIFY(m_received.empty());

    auto later = HandOverInThread(m_socketPath, THandOver{"", {"www.example.org"}});
    QTRY_VERIFY_WITH_TIMEOUT(IsReady(later), kWaitMs);
    QCOMPARE(later.get(), THandOverResult::Handled);
    QCOMPARE(m_received.size(), size_t{1});
  }

  void theSocketIsTheUsersAloneAndReplacesOneLeftByACrash() {
    std::ofstream(m_socketPath.toStdString()) << "left behind";
    THandOverServer server(m_socketPath, [](const THandOver&) {});
    QVERIFY(server.Listen());
    const QFile::Permissions perms = QFile::permissions(m_socketPath);
    QVERIFY(perms.testFlag(QFile::ReadOwner));
    QVERIFY(!(perms & (QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther)));
  }

  void nobodyListeningEndsTheWaitOrLetsTheLaterStartBecomeFirst() {
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(HandOverToFirstInstance(
                 m_socketPath, THandOver{}, [] { return false; }, 500),
             THandOverResult::NoAnswer);
    QVERIFY(clock.elapsed() >= 500);
    int asked = 0;
    QCOMPARE(HandOverToFirstInstance(
                 m_socketPath, THandOver{}, [&asked] { return ++asked == 3; }, kWaitMs),
             THandOverResult::BecameFirst);
  }

  // Fault guarded: a missing, relative or shared XDG_RUNTIME_DIR put the lock and the socket below the current
  // folder (with a relative home) or into a folder every user may write to, where another user could take them.
  void theInstancePlaceIsAlwaysPrivateToTheUser_data() {
    QTest::addColumn<QString>("runtime");  // "-": unset
    QTest::newRow("unset") << "-";
    QTest::newRow("relative") << "runtime";
    QTest::newRow("shared") << "shared";
  }
  void theInstancePlaceIsAlwaysPrivateToTheUser() {
    QFETCH(QString, runtime);
    namespace fs = std::filesystem;
    fs::create_directories(m_dir->Path() / "cwd" / runtime.toStdString());
    fs::permissions(m_dir->Path() / "cwd" / runtime.toStdString(), fs::perms::owner_all);
    fs::create_directories(m_dir->Path() / "shared");
    fs::permissions(m_dir->Path() / "shared", fs::perms::all);
    fs::create_directories(m_dir->Path() / "tmp");
    const fs::path before = fs::current_path();
    fs::current_path(m_dir->Path() / "cwd");
    const test::EnvGuard home("HOME", "home");
    const test::EnvGuard config("XDG_CONFIG_HOME", std::nullopt);
    const test::EnvGuard temp("TMPDIR", m_dir->File("tmp"));
    const test::EnvGuard xdg("XDG_RUNTIME_DIR", runtime == "-"        ? std::nullopt
                                                : runtime == "shared" ? std::optional(m_dir->File("shared"))
                                                                      : std::optional(runtime.toStdString()));
    const TInstancePlace place = InstancePlace();
    fs::current_path(before);
    const QFileInfo folder(place.Folder);
    QVERIFY2(folder.isAbsolute() && !place.Folder.startsWith(QString::fromStdString(m_dir->File("cwd"))),
             qPrintable(place.Folder));
    QVERIFY(folder.isDir());
    QCOMPARE(folder.permissions() & ~(QFile::ReadUser | QFile::WriteUser | QFile::ExeUser),
             QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QCOMPARE(place.SocketPath, place.Folder + "/tidewick.socket");
  }

  void aLiveHoldersLockHoldsHoweverOldItIs() {
    const QString lockFile = QString::fromStdString(m_dir->File("tidewick.lock"));
    TInstanceLock first(lockFile);
    QVERIFY(first.TryTake());
    std::filesystem::last_write_time(lockFile.toStdString(),
                                     std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));
    TInstanceLock later(lockFile);
    QVERIFY(!later.TryTake());
  }

  void aDeadHoldersLockIsTakenOver() {
    const pid_t child = ::fork();
    if (child == 0) {
      ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    const std::string lockFile = m_dir->File("tidewick.lock");
    std::ofstream(lockFile) << child << "\napp_single_instance_test\n\n";
    TInstanceLock lock(QString::fromStdString(lockFile));
    QVERIFY(lock.TryTake());
  }

 private:
  std::unique_ptr<test::TempDir> m_dir;
  QString m_socketPath;
  std::vector<THandOver> m_received;
};

}  // namespace tidewick

QTEST_MAIN(tidewick::SingleInstanceTest)
#include "single_instance_test.moc"
