#include "ui/main/main_window.h"

#include <QTest>

class MainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void opensAndClosesWithItsName() {
    tidewick::TfrmMain window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(window.objectName(), QStringLiteral("frmMain"));
    QCOMPARE(window.windowTitle(), QStringLiteral("Tidewick"));
    QVERIFY(window.close());
    QVERIFY(!window.isVisible());
  }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
