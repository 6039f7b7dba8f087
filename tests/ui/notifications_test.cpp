#include <climits>

#include <QLabel>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>
#include <QTreeView>

#include "feeds/entry_title.h"
#include "feeds/feed_records.h"
#include "settings/settings.h"
#include "support/feed_builder.h"
#include "ui/dialogs/popup_window.h"
#include "ui/main/tray_notifier.h"
#include "ui/ui_test_support.h"

using namespace tidewick;

namespace {

void FillFeeds(int unread) {
  Feeds.clear();
  TFeed feed = test::MakeFeed("News");
  feed.Id = 7;
  for (int i = 0; i < unread; ++i) {
    feed.Entries.push_back(test::MakeEntry("Entry " + std::to_string(i)));
    feed.Entries.back().PublishedDate = 45000 + i;
  }
  Feeds.push_back(feed);
}

}  // namespace

class NotificationsTest : public QObject {
  Q_OBJECT

 private slots:
  void popupSitsInTheCornerOfAScreenAwayFromTheOrigin() {
    // A second monitor right of the first, with a panel at its top.
    const QRect available(1920, 32, 1280, 992);
    QCOMPARE(TPopupWindow::CornerPosition(available, QSize(250, 350)), QPoint(1920 + 1280 - 250, 32 + 992 - 350));
    TPopupWindow popup;  // regression: a stored size of the largest int made a window far beyond the screen
    popup.ShowRows({}, 0, QSize(INT_MAX, INT_MAX), available);
    QCOMPARE(popup.size(), available.size());
  }

  void minimisedProgramBlinksAndShowsThePopupWhichRemembersItsSize() {
    Settings().TrayBlink = true;
    Settings().ShowPopupWindow = true;
    Settings().PopupFormWidth = 250;
    Settings().PopupFormHeight = 350;
    FillFeeds(3);
    TPopupWindow popup;
    bool minimized = true;
    TTrayNotifier notifier(nullptr, &popup, [&] { return TTrayNotifier::TWindowState{minimized, !minimized}; });
    notifier.SetScreenSource([] { return QRect(100, 50, 800, 600); });

    notifier.UpdateTrayNotification();
    QVERIFY(popup.isVisible());
    QVERIFY(notifier.IsBlinking());
    QCOMPARE(popup.entryListView->model()->rowCount(), 3);
    QCOMPARE(notifier.LastDecision().Tip, std::string("Tidewick (3 neu)"));
    // The backlog is unread, not necessarily new.
    QCOMPARE(popup.sbItems->findChild<QLabel*>()->text(), QStringLiteral("Ungelesene Einträge: 3"));
    QCOMPARE(test::UnnamedControls(popup).join(QLatin1Char(',')), QString());
    QVERIFY(test::SaveScreenshot(popup, QStringLiteral("popup.png")));

    popup.resize(300, 200);
    QTest::keyClick(&popup, Qt::Key_Escape);
    QVERIFY(!popup.isVisible());
    QCOMPARE(Settings().PopupFormWidth, 300);
    QCOMPARE(Settings().PopupFormHeight, 200);

    minimized = false;  // the window is back: icon and tip only
    notifier.UpdateTrayNotification();
    QVERIFY(!popup.isVisible());

    minimized = true;
    notifier.UpdateTrayNotification();
    QCOMPARE(popup.size(), QSize(300, 200));
    FillFeeds(static_cast<int>(kPopupRowLimit) + 1);  // the newest rows, and the whole count
    notifier.UpdateTrayNotification();
    QCOMPARE(popup.entryListView->model()->rowCount(), static_cast<int>(kPopupRowLimit));
    QCOMPARE(popup.sbItems->findChild<QLabel*>()->text(), QStringLiteral("Ungelesene Einträge: 201"));
    FillFeeds(0);  // everything read: quiet, and the popup goes away
    notifier.UpdateTrayNotification();
    QVERIFY(!popup.isVisible());
    QVERIFY(!notifier.IsBlinking());
    QCOMPARE(notifier.LastDecision().Tip, std::string("Tidewick"));
  }

  // A long title is cut where it is shown, but the row still names its entry by the whole title.
  void doubleClickOnARowRestoresAndNamesItsEntry() {
    TPopupWindow popup;
    const QString second = QStringLiteral("Second ") + QString(1 << 20, u'x');
    popup.ShowRows({{7, "First", 45000, "News"}, {8, second.toStdString(), 44000, "Other"}}, 2, QSize(250, 350),
                   QRect(0, 0, 800, 600));
    QVERIFY(popup.entryListView->model()->index(1, 0).data().toString().size() <= qsizetype{kMaxShownTextBytes} + 1);
    QSignalSpy restore(&popup, &TPopupWindow::restoreRequested);
    QSignalSpy entry(&popup, &TPopupWindow::entryRequested);
    emit popup.entryListView->doubleClicked(popup.entryListView->model()->index(1, 0));
    QCOMPARE(restore.count(), 1);
    QCOMPARE(entry.count(), 1);
    QCOMPARE(entry.at(0).at(0).toULongLong(), 8ULL);
    QCOMPARE(entry.at(0).at(1).toString(), second);
    QVERIFY(!popup.isVisible());
  }
};

QTEST_MAIN(NotificationsTest)
#include "notifications_test.moc"
