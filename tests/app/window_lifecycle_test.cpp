#include "app/window_lifecycle.h"

#include <QDialog>
#include <QEventLoop>
#include <QTest>
#include <QTimer>

#include "settings/settings.h"

namespace tidewick {

class WindowLifecycleTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    static_cast<TSettingsValues&>(Settings()) = TSettingsValues{};
    m_window = std::make_unique<QMainWindow>();
    m_shutdowns = 0;
    m_lifecycle = std::make_unique<TWindowLifecycle>(m_window.get(), [this] { ++m_shutdowns; });
    m_lifecycle->SetTrayAvailable(false);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
  }
  void cleanup() {
    m_lifecycle.reset();
    m_window.reset();
  }

  void closeButtonFollowsMinOnCloseAndCtrl_data() {
    QTest::addColumn<bool>("minOnClose");
    QTest::addColumn<bool>("ctrl");
    QTest::addColumn<bool>("ends");
    QTest::newRow("minimise on close") << true << false << false;
    QTest::newRow("minimise on close, Ctrl ends") << true << true << true;
    QTest::newRow("close ends") << false << false << true;
    QTest::newRow("close, Ctrl minimises") << false << true << false;
  }
  void closeButtonFollowsMinOnCloseAndCtrl() {
    QFETCH(bool, minOnClose);
    QFETCH(bool, ctrl);
    QFETCH(bool, ends);
    Settings().MinOnClose = minOnClose;
    m_lifecycle->SetModifierSource([ctrl] { return ctrl ? Qt::ControlModifier : Qt::NoModifier; });

    m_window->close();  // what the window frame's close button does
    if (ends) {
      QTRY_COMPARE(m_shutdowns, 1);
      QVERIFY(!m_window->isVisible());
    } else {
      QTRY_VERIFY(m_window->isMinimized());
      QVERIFY(Settings().Minimized);
      QTest::qWait(50);
      QCOMPARE(m_shutdowns, 0);
    }
  }

  void exitCommandEndsWhateverMinOnCloseSaysAndOnlyOnce() {
    Settings().MinOnClose = true;
    m_lifecycle->Exit();
    m_lifecycle->Exit();
    QTRY_COMPARE(m_shutdowns, 1);
    QVERIFY(!m_window->isVisible());
    QTest::qWait(50);
    QCOMPARE(m_shutdowns, 1);
  }

  void exitWhileADialogIsOpenClosesItAndEndsFromTheMainLoop() {
    // The test's own loop stands for the main loop; the dialog runs a nested one inside it.
    QEventLoop mainLoop;
    bool dialogReturned = false;
    bool shutdownAfterDialog = false;
    m_lifecycle = std::make_unique<TWindowLifecycle>(m_window.get(), [&] {
      shutdownAfterDialog = dialogReturned;
      ++m_shutdowns;
      QTimer::singleShot(0, &mainLoop, &QEventLoop::quit);
    });
    QDialog dialog(m_window.get());
    int dialogResult = -1;
    QTimer::singleShot(0, &mainLoop, [&] {
      QTimer::singleShot(50, m_lifecycle.get(), &TWindowLifecycle::Exit);
      dialogResult = dialog.exec();
      dialogReturned = true;
    });
    QTimer::singleShot(5000, &mainLoop, &QEventLoop::quit);  // a safety net, never reached when all is well
    mainLoop.exec();
    QCOMPARE(dialogResult, static_cast<int>(QDialog::Rejected));
    QCOMPARE(m_shutdowns, 1);
    QVERIFY(shutdownAfterDialog);
  }

  void minimiseHidesToTheTrayAndRestoreKeepsMaximised() {
    m_lifecycle->SetTrayAvailable(true);
    Settings().MinToSysTray = true;
    m_window->showMaximized();
    m_lifecycle->Minimize();
    QTRY_VERIFY(!m_window->isVisible());
    QVERIFY(Settings().Minimized);

    m_lifecycle->Restore();
    QVERIFY(m_window->isVisible());
    QVERIFY(m_window->isMaximized());
    QVERIFY(!m_window->isMinimized());
    QVERIFY(!Settings().Minimized);
  }

  void withoutMinToSysTrayOrWithoutATrayAMinimisedWindowStaysOnTheTaskBar_data() {
    QTest::addColumn<bool>("trayAvailable");
    QTest::addColumn<bool>("minToSysTray");
    QTest::newRow("MinToSysTray off") << true << false;
    QTest::newRow("no tray on this desktop") << false << true;  // else the window could never come back
  }

  void withoutMinToSysTrayOrWithoutATrayAMinimisedWindowStaysOnTheTaskBar() {
    QFETCH(bool, trayAvailable);
    QFETCH(bool, minToSysTray);
    m_lifecycle->SetTrayAvailable(trayAvailable);
    Settings().MinToSysTray = minToSysTray;
    m_lifecycle->Minimize();
    QTest::qWait(50);
    QVERIFY(m_window->isVisible());
    QVERIFY(m_window->isMinimized());
  }

 private:
  std::unique_ptr<QMainWindow> m_window;
  std::unique_ptr<TWindowLifecycle> m_lifecycle;
  int m_shutdowns = 0;
};

}  // namespace tidewick

QTEST_MAIN(tidewick::WindowLifecycleTest)
#include "window_lifecycle_test.moc"
