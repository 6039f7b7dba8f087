#pragma once

// Tells the user when saving fails, once per failure episode of a file (from its first failed save to the next one
// that succeeds): the file and the reason stay in a status bar panel of their own while any save fails, and one
// notice says so without blocking the window (a tray message while the window is minimised to the tray).

#include <functional>

#include <QObject>
#include <QPointer>

#include "ui/main/save_scheduler.h"
#include "ui/rules/save_problems.h"

class QLabel;
class QMessageBox;
class QStatusBar;
class QWidget;

namespace tidewick {

class TSaveProblemReport : public QObject {
  Q_OBJECT

 public:
  // Shows a tray message; false when there is none to show it in (no tray, the window not minimised to it).
  using TTrayMessage = std::function<bool(const QString& title, const QString& text)>;

  TSaveProblemReport(QStatusBar* statusBar, QWidget* window);

  void SetTrayMessage(TTrayMessage trayMessage) { m_trayMessage = std::move(trayMessage); }
  void Take(const TSaveOutcome& outcome);

 protected:
  // The panel speaks the new language when it changes.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void ShowFailing();
  void Announce(const std::vector<TFileSaveProblem>& begun);

  QWidget* m_window;
  QLabel* lblSaveProblem;  // child of the status bar
  QPointer<QMessageBox> m_notice;
  TTrayMessage m_trayMessage;
  TSaveProblems m_problems;
};

}  // namespace tidewick
