#include <QApplication>

#include "ui/main/main_window.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  tidewick::TfrmMain window;
  window.show();
  return QApplication::exec();
}
