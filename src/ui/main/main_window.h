#pragma once

#include <QMainWindow>

namespace tidewick {

// The main window: feed tree, entry list and entry view.
class TfrmMain : public QMainWindow {
  Q_OBJECT

 public:
  explicit TfrmMain(QWidget* parent = nullptr);
};

}  // namespace tidewick
