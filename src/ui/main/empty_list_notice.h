#pragma once

// One line over an empty entry list that says why it is empty, with a button that turns GroupInFolders on when that
// is the reason: a folder or the root that lists nothing looked like a fault to users. Plain text, named for screen
// readers, made again when the language changes.

#include <functional>

#include <QWidget>

#include "entries/entry_list.h"

class QAbstractScrollArea;
class QLabel;
class QPushButton;

namespace tidewick {

class TEmptyListNotice : public QWidget {
  Q_OBJECT

 public:
  // Lies over list's viewport; turnOnGrouping is what the button does.
  TEmptyListNotice(QAbstractScrollArea* list, std::function<void()> turnOnGrouping);

  // Hidden for TEmptyListReason::None.
  void Show(TEmptyListReason reason);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void ApplyTexts();
  void Place();

  QLabel* m_text;
  QPushButton* m_button;
  TEmptyListReason m_reason = TEmptyListReason::None;
};

}  // namespace tidewick
