#include "app/signal_saver.h"

#include <signal.h>

#include <QTest>

namespace tidewick {

class SignalSaverTest : public QObject {
  Q_OBJECT

 private slots:
  void endingSignalsSaveFirstThenEndOnTheEventLoop_data() {
    QTest::addColumn<int>("signalNumber");
    QTest::newRow("SIGTERM") << SIGTERM;
    QTest::newRow("SIGHUP") << SIGHUP;
    QTest::newRow("SIGINT") << SIGINT;
  }
  void endingSignalsSaveFirstThenEndOnTheEventLoop() {
    QFETCH(int, signalNumber);
    std::vector<std::string> calls;
    TSignalSaver saver([&calls] { calls.push_back("save"); }, [&calls] { calls.push_back("end"); });
    QVERIFY(saver.Installed());
    ::raise(signalNumber);
    QVERIFY(calls.empty());  // nothing happens inside the handler
    QTRY_COMPARE(calls.size(), size_t{2});
    QCOMPARE(calls, (std::vector<std::string>{"save", "end"}));
    QCOMPARE(saver.LastSignal(), signalNumber);
  }

  void theSessionManagersRequestsSave() {
    int saves = 0;
    TSignalSaver saver([&saves] { ++saves; }, [] {});
    QVERIFY(QMetaObject::invokeMethod(QCoreApplication::instance(), "aboutToQuit", Qt::DirectConnection));
    QCOMPARE(saves, 1);
  }
};

}  // namespace tidewick

QTEST_MAIN(tidewick::SignalSaverTest)
#include "signal_saver_test.moc"
