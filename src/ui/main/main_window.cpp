#include "ui/main/main_window.h"

#include <QLabel>

#include "ui/dialogs/feed_edit_window.h"

namespace tidewick {

void TfrmMain::SetSearchText(const QString& text) {
  m_searchText = text;
  UpdateActionStates();
}

void TfrmMain::SetStatusText(const QString& text) {
  m_widgets.sbMainText->setText(text);
}

void TfrmMain::UpdateTrayNotification() {
  if (m_updateTray)
    m_updateTray();
}

void TfrmMain::SetTrayNotification(std::function<void()> update) {
  m_updateTray = std::move(update);
}

QDialog* TfrmMain::ShowAddFeedDialog(const QString& address) {
  return RunAddFeedDialog(*this, address);
}

void TfrmMain::ShowEditFeedDialog() {
  RunEditFeedDialog(*this);
}

}  // namespace tidewick
