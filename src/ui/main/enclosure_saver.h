#pragma once

// "Save enclosure as...": the user picks one of the entry's files (when it has several) and a place, and the file is
// downloaded off the window's thread with a progress dialog whose Cancel stops it and leaves no file behind. Each
// download is its own object, owned by the window, so several may run and closing the window stops them.

#include <atomic>
#include <cstdint>
#include <thread>

#include <QObject>
#include <QPointer>
#include <QString>

#include "feeds/feed_records.h"

class QProgressDialog;
class QTimer;
class QWidget;

namespace tidewick {

struct TEnclosureDownloadResult;

// Asks which file and where, then starts its download; nothing happens when the user cancels either question.
void SaveEnclosureAs(QWidget* window, const TEntry& entry);

class TEnclosureSaveJob : public QObject {
  Q_OBJECT

 public:
  TEnclosureSaveJob(QWidget* window, const TEnclosure& enclosure, const QString& target);
  ~TEnclosureSaveJob() override;  // stops the download and waits for it (a fraction of a second)
  TEnclosureSaveJob(const TEnclosureSaveJob&) = delete;
  TEnclosureSaveJob& operator=(const TEnclosureSaveJob&) = delete;

 private:
  void ShowProgress();
  void Finish(const TEnclosureDownloadResult& result);

  QPointer<QWidget> m_window;
  QString m_target;
  QPointer<QProgressDialog> m_progress;  // a child of the window, which may outlive this job
  QTimer* m_timer;
  std::atomic<bool> m_stop{false};
  std::atomic<int64_t> m_received{0};
  std::atomic<int64_t> m_total{-1};
  std::jthread m_thread;  // last: joined before the members it uses go
};

}  // namespace tidewick
