#pragma once

// Refresh from the window: the one-minute timer tmrAutoUpdate, the polling timer tmrThreads, the progress bar and
// status text of a run, the stop command, and the end of a run with at most one error message at a time. The
// scheduling itself is TRefreshScheduler's; results come back through the hand-back queue, whose wake hook posts a
// drain into the event loop, so the window never blocks on a refresh.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QObject>
#include <QPointer>

#include "ui/main/translated_label.h"
#include "update/hand_back_queue.h"
#include "update/refresh_scheduler.h"

class QProgressBar;
class QTimer;
class QWidget;

namespace tidewick {

// Width of status panel 0 while a run shows its progress.
inline constexpr int kProgressPanelWidth = 100;
// After results were announced, further ones wait this long and go out together: a large store's tree and list are
// not rebuilt for every one of hundreds of feeds.
inline constexpr int kTakenInQuietMs = 250;

class TRefreshController : public QObject {
  Q_OBJECT

 public:
  // progress and status live in the window's status bar; owner parents the error message.
  TRefreshController(QProgressBar* progress, TTranslatedLabel* status, QWidget* owner);
  ~TRefreshController() override;

  // Refreshes the feeds at these store positions (a tree node), below-normal priority.
  void RefreshFeeds(const std::vector<int>& positions);
  // Every feed, lowest priority (menu, tool bar, tray).
  void RefreshAll();
  // The feeds marked for a refresh at start, idle priority.
  void RefreshAtStartup();
  // Ends the run at once; results already downloaded are still taken in. No error message.
  void Stop();

  bool IsRunning() const { return m_scheduler->IsRunning(); }
  TRefreshScheduler& Scheduler() { return *m_scheduler; }

  QTimer* tmrAutoUpdate;
  QTimer* tmrThreads;

 signals:
  // A run started or ended (enabled states, the stop button).
  void RunningChanged(bool running);
  // Results were taken in during a run (the feeds' ids, in the order they came): their captions and, when listed,
  // their entries can show at once, instead of when the slowest feed of the run is done.
  void FeedsTakenIn(const std::vector<uint64_t>& feedIds);
  // A run ended: tree captions, entry list and tray show the new state; the store is worth saving.
  void RunEnded();

 private:
  void OnMinuteTick();
  void OnPoll();
  // Collects the results taken in and announces them at once, or when the quiet period after the last
  // announcement is over.
  void AnnounceTakenIn();
  void EmitTakenIn();
  void AfterRequest(int started);
  // A refresh the user asked for: when nothing could start, the status bar says why.
  void AfterUserRequest(int started, bool askedForFeeds);
  void ShowProgress(const TRefreshPoll& poll);
  void FinishRun();  // the run ended: "Ready." in whatever language is chosen by then
  void ReportErrors(const TRefreshErrorReport& report);
  void SetStatus(const std::string& text);
  // A text made again when the language changes.
  void SetStatus(std::function<std::string()> make);

  QPointer<QProgressBar> m_progress;
  QPointer<TTranslatedLabel> m_status;
  QPointer<QWidget> m_owner;
  THandBackQueue m_queue;
  std::unique_ptr<TRefreshScheduler> m_scheduler;  // after the queue its workers use
  QTimer* m_takenInQuiet;
  std::vector<uint64_t> m_takenIn;  // waiting for the quiet period to end
  bool m_wasRunning = false;
  bool m_errorBoxOpen = false;
};

}  // namespace tidewick
