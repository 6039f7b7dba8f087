// SIGKILL at random moments while feeds are added and entries marked read: the store on disk is always complete and
// holds every feed added longer ago than the short save delay and every read mark older than the (here shortened)
// read-mark delay. TIDEWICK_CRASH_ROUNDS sets the number of kills
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
#include "support/feed_builder.h"
#include "support/temp_dir.h"
#include "tree/feed_tree.h"
#include "ui/main/main_window.h"

namespace tidewick {
namespace {

constexpr const char* kChildVariable = "TIDEWICK_CRASH_CHILD_FOLDER";
// A change older than this must be on disk: the coalescing delay plus a write.
constexpr qint64 kSoonOnDiskMs = kSaveSoonMs + 1000;
constexpr int kReadMarksDelayMs = 3000;
constexpr qint64 kMarkOnDiskMs = kReadMarksDelayMs + 1000;
// The child adds this many feeds, then only marks entries read, so the marks reach the disk by their own delay.
constexpr int kFeedsPerRun = 12;

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
  options.ReadMarksSaveDelayMs = kReadMarksDelayMs;
  TMainWindow window(options);
  window.show();
  std::ofstream journal(folder + "/journal.txt", std::ios::app);
  int next = FeedCount();
  int added = 0;
  std::mt19937 random(static_cast<unsigned>(QCoreApplication::applicationPid()));
  QTimer work;
  QObject::connect(&work, &QTimer::timeout, &window, [&] {
    if (added >= kFeedsPerRun) {
      // An unread (odd) entry of any feed, marked as selecting it in the list does.
      TFeed& feed = Feeds[std::uniform_int_distribution<size_t>(0, Feeds.size() - 1)(random)];
      const size_t item = 2 * std::uniform_int_distribution<size_t>(0, feed.Entries.size() / 2 - 1)(random) + 1;
      feed.Entries[item].IsRead = true;
      window.ScheduleSave(TSaveDelay::ReadMarks);
      journal << NowMs() << " mark " << feed.Name << ' ' << item << std::endl;
      return;
    }
    ++added;
    const std::string name =
        "feed-" + std::to_string(QCoreApplication::applicationPid()) + "-" + std::to_string(next++);
    AddFeed(test::MakeFeed(name, "http://127.0.0.1:9/" + name,
                           test::NumberedEntries(20, [](int i) { return i % 2 == 0; })));
    window.FeedTree().BuildFeedTree();
    window.ScheduleSave();
    journal << NowMs() << " feed " << Feeds.back().Name << " 0" << std::endl;  // flushed: kept past a kill
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
    // Every other run lasts long enough for read marks to be saved by their own delay.
    std::uniform_int_distribution<int> shortRunMs(1500, kSoonOnDiskMs + 1500);
    std::uniform_int_distribution<int> longRunMs(kMarkOnDiskMs + 1500, kMarkOnDiskMs + 3000);
    std::vector<std::pair<qint64, qint64>> runs;  // start and kill of each round
    int checked = 0;
    int marksChecked = 0;
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
      QTest::qSleep(round % 2 == 0 ? shortRunMs(random) : longRunMs(random));
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
      std::string kind;
      std::string name;
      size_t item = 0;
      while (journal >> at >> kind >> name >> item) {
        // Expected on disk when it was made longer than its save delay before its own run was killed.
        const bool isMark = kind == "mark";
        const auto run =
            std::find_if(runs.begin(), runs.end(), [at](const auto& r) { return at >= r.first && at <= r.second; });
        if (run == runs.end() || run->second - at <= (isMark ? kMarkOnDiskMs : kSoonOnDiskMs)) {
          continue;
        }
        const int index = FindFeed(name);
        QVERIFY2(index >= 0, qPrintable(QString::fromStdString(name + " lost in round ") + QString::number(round)));
        const TFeed& feed = Feeds[static_cast<size_t>(index)];
        QCOMPARE(feed.Entries.size(), size_t{20});
        QVERIFY(feed.Entries[0].IsRead);
        QVERIFY2(feed.Entries[item].IsRead,
                 qPrintable(QString::fromStdString(name + " lost its read mark " + std::to_string(item))));
        ++checked;
        marksChecked += isMark ? 1 : 0;
      }
    }
    QVERIFY(checked > 0 && marksChecked > 0);  // some runs lasted long enough to prove something
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
