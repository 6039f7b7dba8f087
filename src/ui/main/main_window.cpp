#include "ui/main/main_window.h"

#include <QLabel>

#include "ui/dialogs/feed_edit_window.h"
#include "ui/main/save_problem_report.h"

namespace tidewick {

void TMainWindow::SetSearchText(const QString& text) {
  m_searchText = text;
  UpdateActionStates();
}

void TMainWindow::SetStatusText(TMakeText text) {
  m_widgets.statusText->SetMadeText(std::move(text));
}

void TMainWindow::SetStatusNotice(TMakeText text) {
  m_widgets.statusNotice->SetMadeText(std::move(text));
  m_widgets.statusNotice->setVisible(!m_widgets.statusNotice->text().isEmpty());
}

void TMainWindow::UpdateTrayNotification() {
  if (m_updateTray)
    m_updateTray();
}

void TMainWindow::SetTrayNotification(std::function<void()> update) {
  m_updateTray = std::move(update);
}

void TMainWindow::SetTrayMessage(std::function<bool(const QString& title, const QString& text)> trayMessage) {
  m_saveProblems->SetTrayMessage(std::move(trayMessage));
}

QDialog* TMainWindow::ShowAddFeedDialog(const QString& address) {
  return RunAddFeedDialog(*this, address);
}

void TMainWindow::ShowEditFeedDialog() {
  RunEditFeedDialog(*this);
}

}  // namespace tidewick
