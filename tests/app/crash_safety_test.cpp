// SIGKILL at random moments while feeds are added and entries marked: the store on disk is always complete and
// holds everything that was changed longer ago than the save delay. TIDEWICK_CRASH_ROUNDS sets the number of kills
// (tests/stress/crash_stress.sh runs 100).

#include <signal.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <random>
#include <sstream>

#include <QTest>
#include <QTimer>

#include "app_test_support.h"
#include "feeds/feed_records.h"
#include "feeds/feed_store.h"
#include "shell/feed_tree.h"
#include "support/temp_dir.h"
#include "ui/main/main_window.h"

namespace tidewick {
namespace {

constexpr const char* kChildVariable = "TIDEWICK_CRASH_CHILD_FOLDER";
// A change older than this must be on disk: the coalescing delay plus a write.
constexpr qint64 kSoonOnDiskMs = kSaveSoonMs + 1000;

qint64 NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
      .count();
}

// The child: a real window saving through its scheduler while a timer keeps subscribing feeds and marking entries.
int RunChild(int argc, char* argv[], const std::string& folder) {
  QApplication app(argc, argv);
  TMainWindowOptions options;
  options.SettingsFileName = folder + "/Tidewick.ini";
  options.FeedsFileName = folder + "/Feeds.xml";
  TfrmMain window(options);
  window.show();
  std::ofstream journal(folder + "/journal.txt", std::ios::app);
  int next = FeedCount();
  QTimer work;
  QObject::connect(&work, &QTimer::timeout, &window, [&] {
    TFeed feed;
    feed.Name = "feed-" + std::to_string(QCoreApplication::applicationPid()) + "-" + std::to_string(next++);
    feed.URL = "http://127.0.0.1:9/" + feed.Name;
    for (int i = 0; i < 20; ++i) {
      TFeedItem item;
      item.Title = "entry " + std::to_string(i);
      item.Readed = i % 2 == 0;
      feed.Items.push_back(item);
    }
    AddFeed(std::move(feed));
    window.FeedTree().BuildFeedTree();
    window.ScheduleSave();
    journal << NowMs() << ' ' << Feeds.back().Name << std::endl;  // flushed: the kernel keeps it past a kill
  });
  work.start(25);
  return QApplication::exec();
}

}  // namespace

class CrashSafetyTest : public QObject {
  Q_OBJECT

 private slots:
  void killedAtRandomTheStoreIsCompleteAndHoldsEveryOlderChange() {
    const int rounds = qEnvironmentVariableIntValue("TIDEWICK_CRASH_ROUNDS") > 0
                           ? qEnvironmentVariableIntValue("TIDEWICK_CRASH_ROUNDS")
                           : 10;
    test::TempDir folder;
    std::mt19937 random(static_cast<unsigned>(NowMs()));
    // Short runs too: the journal grows over the rounds, so each load checks every earlier change again.
    std::uniform_int_distribution<int> runMs(1500, kSoonOnDiskMs + 1500);
    std::vector<std::pair<qint64, qint64>> runs;  // start and kill of each round
    int checked = 0;
    for (int round = 0; round < rounds; ++round) {
      QProcess child;
      QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
      env.insert(kChildVariable, QString::fromStdString(folder.Path().string()));
      env.insert("QT_QPA_PLATFORM", "offscreen");
      child.setProcessEnvironment(env);
      child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
      child.setStandardOutputFile(QProcess::nullDevice());
      const qint64 startedAt = NowMs();
      child.start(QCoreApplication::applicationFilePath(), {});
      QVERIFY(child.waitForStarted());
      QTest::qSleep(runMs(random));
      const qint64 killedAt = NowMs();
      ::kill(static_cast<pid_t>(child.processId()), SIGKILL);
      QVERIFY(child.waitForFinished());
      runs.emplace_back(startedAt, killedAt);

      Feeds.clear();
      const TStoreLoadResult loaded = LoadFeedStore(folder.File("Feeds.xml"));
      QVERIFY2(loaded.Status == TStoreLoadStatus::Loaded || loaded.Status == TStoreLoadStatus::Missing,
               qPrintable(QString::fromStdString(loaded.Message)));
      std::ifstream journal(folder.File("journal.txt"));
      qint64 at = 0;
      std::string name;
      while (journal >> at >> name) {
        // Expected on disk when it was made longer than the save delay before its own run was killed.
        const auto run =
            std::find_if(runs.begin(), runs.end(), [at](const auto& r) { return at >= r.first && at <= r.second; });
        if (run == runs.end() || run->second - at <= kSoonOnDiskMs) {
          continue;
        }
        const int index = FindFeed(name);
        QVERIFY2(index >= 0, qPrintable(QString::fromStdString(name + " lost in round ") + QString::number(round)));
        const TFeed& feed = Feeds[static_cast<size_t>(index)];
        QCOMPARE(feed.Items.size(), size_t{20});
        QVERIFY(feed.Items[0].Readed && !feed.Items[1].Readed);
        ++checked;
      }
    }
    QVERIFY(checked > 0);  // some runs lasted long enough to prove something
  }
};

}  // namespace tidewick

int main(int argc, char* argv[]) {
  const QByteArray childFolder = qgetenv(tidewick::kChildVariable);
  if (!childFolder.isEmpty()) {
    return tidewick::RunChild(argc, argv, childFolder.toStdString());
  }
  QCoreApplication app(argc, argv);
  tidewick::CrashSafetyTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "crash_safety_test.moc"
