#include "ui/main/main_window.h"

namespace tidewick {

TfrmMain::TfrmMain(QWidget* parent) : QMainWindow(parent) {
  setObjectName(QStringLiteral("frmMain"));
  setWindowTitle(QStringLiteral("Tidewick"));
  resize(800, 600);
}

}  // namespace tidewick
