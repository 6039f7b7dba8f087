#include "app/store_lock_wait.h"

#include <fcntl.h>
#include <unistd.h>

#include <QEventLoop>
#include <QProgressDialog>
#include <QTimer>

#include "lang/lang_text.h"

namespace tidewick {
namespace {

bool CanCreateLockFile(const std::string& storeFileName) {
  const int fd = ::open((storeFileName + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) {
    return false;
  }
  ::close(fd);
  return true;
}

}  // namespace

TStoreLockOutcome TakeStoreLockWaiting(TFeedStoreLock& lock, const std::string& storeFileName, int pollMs) {
  std::string ignored;
  if (lock.Acquire(storeFileName, ignored)) {
    return TStoreLockOutcome::Taken;
  }
  if (!CanCreateLockFile(storeFileName)) {
    return TStoreLockOutcome::Unusable;
  }
  QProgressDialog wait(QString::fromStdString(GetLangText(
                           "Main|MsgStoreLockWait",
                           "Ein anderer Tidewick-Prozess (etwa eine Aktualisierung durch cron) bearbeitet gerade die "
                           "Feed-Datei \"%s1%\". Tidewick startet, sobald er fertig ist.",
                           storeFileName)),
                       QString::fromStdString(GetLangText("General|btnCancel", "Abbrechen")), 0, 0);
  wait.setWindowTitle(QStringLiteral("Tidewick"));
  wait.setObjectName(QStringLiteral("dlgStoreLockWait"));
  wait.setAccessibleName(wait.windowTitle());
  wait.setMinimumDuration(0);
  wait.setAutoClose(false);
  wait.setAutoReset(false);

  QEventLoop loop;
  TStoreLockOutcome outcome = TStoreLockOutcome::Cancelled;
  QTimer poll;
  poll.setInterval(pollMs);
  QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
    std::string message;
    if (lock.Acquire(storeFileName, message)) {
      outcome = TStoreLockOutcome::Taken;
      loop.quit();
    }
  });
  QObject::connect(&wait, &QProgressDialog::canceled, &loop, &QEventLoop::quit);
  poll.start();
  wait.show();
  loop.exec();
  return outcome;
}

}  // namespace tidewick
