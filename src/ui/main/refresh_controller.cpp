#include "ui/main/refresh_controller.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QTimer>

#include "lang/lang_text.h"
#include "settings/settings.h"
#include "ui/main/ui_prompts.h"

namespace tidewick {

TRefreshController::TRefreshController(QProgressBar* progress, TTranslatedLabel* status, QWidget* owner)
    : QObject(owner),
      tmrAutoUpdate(new QTimer(this)),
      tmrThreads(new QTimer(this)),
      m_progress(progress),
      m_status(status),
      m_owner(owner),
      m_takenInQuiet(new QTimer(this)) {
  m_takenInQuiet->setSingleShot(true);
  m_takenInQuiet->setInterval(kTakenInQuietMs);
  connect(m_takenInQuiet, &QTimer::timeout, this, &TRefreshController::EmitTakenIn);
  tmrAutoUpdate->setObjectName(QStringLiteral("tmrAutoUpdate"));
  tmrAutoUpdate->setInterval(60000);
  tmrThreads->setObjectName(QStringLiteral("tmrThreads"));
  tmrThreads->setInterval(1000);
  connect(tmrAutoUpdate, &QTimer::timeout, this, &TRefreshController::OnMinuteTick);
  connect(tmrThreads, &QTimer::timeout, this, &TRefreshController::OnPoll);
  m_scheduler = std::make_unique<TRefreshScheduler>(Feeds, m_queue, [] { return RefreshSettingsFrom(Settings()); });
  // Workers post their hand-backs from their own threads; the drain runs in the event loop and each result shows
  // at once, followed by a poll so the progress moves with each result instead of once a second.
  m_queue.SetWakeHook([this] {
    QMetaObject::invokeMethod(
        this,
        [this] {
          if (m_queue.Drain() == 0) {
            return;
          }
          AnnounceTakenIn();
          if (tmrThreads->isActive()) {
            OnPoll();
          }
        },
        Qt::QueuedConnection);
  });
}

TRefreshController::~TRefreshController() {
  m_scheduler->StopAll();
}

void TRefreshController::RefreshFeeds(const std::vector<int>& positions) {
  const int started = m_scheduler->RefreshFeeds(positions, TThreadPriority::BelowNormal);
  AfterUserRequest(started, !positions.empty());
}

void TRefreshController::RefreshAll() {
  AfterUserRequest(m_scheduler->RefreshAll(TThreadPriority::Lowest), !Feeds.empty());
}

void TRefreshController::AfterUserRequest(int started, bool askedForFeeds) {
  if (started == 0 && askedForFeeds && !m_scheduler->IsRunning()) {
    // Every feed asked for was asked moments ago (or its server wants a pause): say why nothing happens.
    SetStatus([] {
      return GetLangText("Main|sbMainRefreshNone",
                         "Keine neue Abfrage: die Feeds wurden eben erst abgefragt, oder ihr Server bittet zu warten.");
    });
    return;
  }
  AfterRequest(started);
}

void TRefreshController::RefreshAtStartup() {
  AfterRequest(m_scheduler->RefreshAtStartup());
}

void TRefreshController::OnMinuteTick() {
  const int started = m_scheduler->MinuteTick();
  if (started > 0) {
    AfterRequest(started);
  }
}

void TRefreshController::AfterRequest(int started) {
  if (started > 0 || m_scheduler->IsRunning()) {
    SetStatus(m_scheduler->StatusText());  // made again by the next pass
    tmrThreads->start();
    OnPoll();  // one pass at once, so the progress shows without waiting a second
  }
}

void TRefreshController::OnPoll() {
  const TRefreshPoll poll = m_scheduler->Poll();
  if (!poll.Active) {
    return;
  }
  if (!poll.RunEnded) {
    AnnounceTakenIn();
    ShowProgress(poll);
    return;
  }
  FinishRun();
  if (poll.ErrorReport) {
    ReportErrors(*poll.ErrorReport);
  }
}

void TRefreshController::AnnounceTakenIn() {
  const std::vector<uint64_t> taken = m_scheduler->TakeTakenIn();
  m_takenIn.insert(m_takenIn.end(), taken.begin(), taken.end());
  if (!m_takenInQuiet->isActive()) {
    EmitTakenIn();
  }
}

void TRefreshController::EmitTakenIn() {
  if (m_takenIn.empty()) {
    return;
  }
  std::vector<uint64_t> taken;
  taken.swap(m_takenIn);
  m_takenInQuiet->start();
  emit FeedsTakenIn(taken);
}

void TRefreshController::ShowProgress(const TRefreshPoll& poll) {
  if (m_progress && m_progress->maximumWidth() == 0) {
    m_progress->setMaximumWidth(kProgressPanelWidth);
    m_progress->setMinimumWidth(kProgressPanelWidth);
    m_progress->setVisible(true);
  }
  if (m_progress) {
    m_progress->setValue(poll.Position);
  }
  SetStatus(poll.StatusText);
  if (!m_wasRunning) {
    m_wasRunning = true;
    emit RunningChanged(true);
  }
}

void TRefreshController::FinishRun() {
  tmrThreads->stop();
  m_takenInQuiet->stop();
  m_takenIn.clear();  // the end of the run shows every result
  if (m_progress) {
    m_progress->setValue(0);
    m_progress->setMinimumWidth(0);
    m_progress->setMaximumWidth(0);
    m_progress->setVisible(false);
  }
  SetStatus([] { return GetLangText("Main|sbMainReady", "Bereit."); });
  m_wasRunning = false;
  emit RunningChanged(false);
  emit RunEnded();
}

void TRefreshController::ReportErrors(const TRefreshErrorReport& report) {
  if (m_errorBoxOpen) {
    return;  // the open box already tells of failed feeds; a second run's report never stacks another
  }
  m_errorBoxOpen = true;
  prompts::Message(m_owner, QMessageBox::Warning, QString::fromStdString(report.Title),
                   QString::fromStdString(report.Text));
  m_errorBoxOpen = false;
}

void TRefreshController::Stop() {
  if (!m_scheduler->IsRunning()) {
    return;
  }
  QApplication::setOverrideCursor(Qt::WaitCursor);
  SetStatus([] { return GetLangText("Main|sbMainStopRefresh", "Beende alle Aktualisierungen..."); });
  m_scheduler->StopAll();
  FinishRun();
  QApplication::restoreOverrideCursor();
}

void TRefreshController::SetStatus(const std::string& text) {
  if (m_status) {
    m_status->SetMadeText(FixedText(QString::fromStdString(text)));
  }
}

void TRefreshController::SetStatus(std::function<std::string()> make) {
  if (m_status) {
    m_status->SetMadeText([make = std::move(make)] { return QString::fromStdString(make()); });
  }
}

}  // namespace tidewick
