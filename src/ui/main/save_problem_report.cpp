#include "ui/main/save_problem_report.h"

#include <QEvent>
#include <QLabel>
#include <QMessageBox>
#include <QStatusBar>

#include "ui/main/ui_prompts.h"

namespace tidewick {

TSaveProblemReport::TSaveProblemReport(QStatusBar* statusBar, QWidget* window)
    : QObject(window), m_window(window), lblSaveProblem(new QLabel(statusBar)) {
  lblSaveProblem->setObjectName(QStringLiteral("lblSaveProblem"));
  lblSaveProblem->setTextFormat(Qt::PlainText);
  lblSaveProblem->setStyleSheet(QStringLiteral("color: #b00000"));
  lblSaveProblem->setVisible(false);
  lblSaveProblem->installEventFilter(this);
  statusBar->addPermanentWidget(lblSaveProblem);
}

void TSaveProblemReport::Take(const TSaveOutcome& outcome) {
  std::vector<TFileSaveProblem> results{{outcome.SettingsFileName, outcome.SettingsError}};
  if (!outcome.FeedsFileName.empty()) {
    results.push_back({outcome.FeedsFileName, outcome.StoreError});
  }
  const std::vector<TFileSaveProblem> begun = m_problems.Take(results);
  ShowFailing();
  if (!begun.empty()) {
    Announce(begun);
  }
}

void TSaveProblemReport::ShowFailing() {
  const std::vector<TFileSaveProblem>& failing = m_problems.Failing();
  const QString status = QString::fromStdString(SaveProblemStatusText(failing));
  lblSaveProblem->setText(status);
  lblSaveProblem->setToolTip(status.toHtmlEscaped());
  lblSaveProblem->setAccessibleName(status);
  lblSaveProblem->setVisible(!failing.empty());
}

bool TSaveProblemReport::eventFilter(QObject* watched, QEvent* event) {
  if (watched == lblSaveProblem && event->type() == QEvent::LanguageChange) {
    ShowFailing();
  }
  return QObject::eventFilter(watched, event);
}

void TSaveProblemReport::Announce(const std::vector<TFileSaveProblem>& begun) {
  const QString title = QString::fromStdString(SaveProblemNoticeTitle());
  const QString text = QString::fromStdString(SaveProblemNoticeText(begun));
  if (m_trayMessage && m_trayMessage(title, text)) {
    return;
  }
  if (m_notice) {
    m_notice->close();  // one notice at a time: the newer one says all that still matters
  }
  m_notice = prompts::Notice(m_window, QMessageBox::Warning, title, text);
}

}  // namespace tidewick
