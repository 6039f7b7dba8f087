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

void TfrmMain::ShowAddFeedDialog(const QString& address) {
  RunAddFeedDialog(*this, address);
}

void TfrmMain::ShowEditFeedDialog() {
  RunEditFeedDialog(*this);
}

}  // namespace tidewick
