#include "ui/main/main_window.h"

#include <QLabel>

namespace tidewick {

void TfrmMain::SetSearchText(const QString& text) {
  m_searchText = text;
  UpdateActionStates();
}

void TfrmMain::SetStatusText(const QString& text) {
  m_widgets.sbMainText->setText(text);
}

void TfrmMain::ShowAddFeedDialog(const QString& address) {
  Q_UNUSED(address);
}

void TfrmMain::ShowEditFeedDialog() {}

}  // namespace tidewick
