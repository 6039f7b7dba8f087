#include "ui/main/enclosure_saver.h"

#include <QDir>
#include <QLabel>
#include <QProgressDialog>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>

#include "entries/enclosure_list.h"
#include "lang/export_file.h"
#include "lang/lang_text.h"
#include "settings/settings.h"
#include "ui/main/lang_qstring.h"
#include "ui/main/ui_prompts.h"
#include "update/enclosure_download.h"

namespace tidewick {
namespace {

QString FromUtf8(const std::string& text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The proposed name: the address's file name decoded, without anything that would lead into another folder.
QString ProposedName(const TEnclosure& enclosure) {
  QString name = QUrl::fromPercentEncoding(QByteArray::fromStdString(EnclosureFileName(enclosure.Url)));
  name.replace(QLatin1Char('/'), QLatin1Char('_')).remove(QChar());
  return name.startsWith(QLatin1Char('.')) ? QLatin1Char('_') + name : name;
}

// "ep1.mp3 (audio/mpeg, 12.3 MB)": a row of the choice, plain text.
QString ChoiceRow(const TEnclosure& enclosure) {
  const std::string details = EnclosureDetails(enclosure);
  return FromUtf8(EnclosureFileName(enclosure.Url)) +
         (details.empty() ? QString() : QStringLiteral(" (") + FromUtf8(details) + QLatin1Char(')'));
}

}  // namespace

void SaveEnclosureAs(QWidget* window, const TEntry& entry) {
  if (entry.Enclosures.empty()) {
    return;
  }
  int chosen = 0;
  if (entry.Enclosures.size() > 1) {
    QStringList rows;
    for (const TEnclosure& enclosure : entry.Enclosures) {
      rows << ChoiceRow(enclosure);
    }
    const std::optional<int> row =
        prompts::ChooseItem(window, Text("Main|MsgEnclosureChooseTitle", "Anhang wählen"),
                            Text("Main|MsgEnclosureChoose", "Welchen Anhang speichern?"), rows);
    if (!row || *row < 0 || *row >= rows.size()) {
      return;
    }
    chosen = *row;
  }
  const TEnclosure enclosure = entry.Enclosures[static_cast<size_t>(chosen)];
  const QString folder = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
  const QString target =
      prompts::SaveFileName(window, Text("Main|mnuFileEnclosureSave", "&Anhang speichern unter...").remove('&'),
                            QDir(folder).filePath(ProposedName(enclosure)), QString());
  if (!target.isEmpty()) {
    new TEnclosureSaveJob(window, enclosure, target);  // owned by the window; deletes itself when done
  }
}

TEnclosureSaveJob::TEnclosureSaveJob(QWidget* window, const TEnclosure& enclosure, const QString& target)
    : QObject(window),
      m_window(window),
      m_target(target),
      m_progress(new QProgressDialog(window)),
      m_timer(new QTimer(this)) {
  m_progress->setObjectName(QStringLiteral("dlgEnclosureProgress"));
  m_progress->setWindowTitle(Text("Main|dlgEnclosureProgress", "Anhang wird gespeichert"));
  auto* label = new QLabel(m_progress);  // the chosen path, never read as markup
  label->setTextFormat(Qt::PlainText);
  m_progress->setLabel(label);
  m_progress->setLabelText(target);
  m_progress->setCancelButtonText(Text("General|btnCancel", "Abbrechen"));
  m_progress->setAccessibleName(m_progress->windowTitle());
  m_progress->setAutoClose(false);
  m_progress->setAutoReset(false);
  m_progress->setMinimumDuration(0);
  m_progress->setRange(0, 0);
  connect(m_progress, &QProgressDialog::canceled, this, [this] { m_stop = true; });
  connect(m_timer, &QTimer::timeout, this, &TEnclosureSaveJob::ShowProgress);
  m_timer->start(100);
  m_progress->show();

  TEnclosureDownload download;
  download.Url = enclosure.Url;
  download.Target = target.toStdString();
  download.TimeoutMs = Settings().Timeout * 1000;
  download.Options.Proxy = ProxyFrom(Settings());
  download.Stop = &m_stop;
  download.Progress = [this](int64_t received, int64_t total) {
    m_received = received;
    m_total = total;
  };
  m_thread = std::jthread([this, download = std::move(download)]() mutable {
    const TEnclosureDownloadResult result = DownloadEnclosure(std::move(download));
    QMetaObject::invokeMethod(
        this, [this, result] { Finish(result); }, Qt::QueuedConnection);
  });
}

TEnclosureSaveJob::~TEnclosureSaveJob() {
  m_stop = true;
  if (m_thread.joinable()) {
    m_thread.join();
  }
  delete m_progress.data();
}

void TEnclosureSaveJob::ShowProgress() {
  if (!m_progress) {
    return;
  }
  const int64_t total = m_total;
  const int64_t received = m_received;
  if (total > 0) {
    m_progress->setRange(0, 1000);
    m_progress->setValue(static_cast<int>(std::min<int64_t>(received, total) * 1000 / total));
  }
  const std::string size = HumanSize(received);
  m_progress->setLabelText(m_target + QStringLiteral("\n") + FromUtf8(size) +
                           (total > 0 ? QStringLiteral(" / ") + FromUtf8(HumanSize(total)) : QString()));
}

void TEnclosureSaveJob::Finish(const TEnclosureDownloadResult& result) {
  m_timer->stop();
  if (m_progress) {
    m_progress->hide();
  }
  if (!result.Ok && !result.Stopped && m_window) {
    prompts::Message(
        m_window, QMessageBox::Warning, Text("Main|dlgEnclosureProgress", "Anhang wird gespeichert"),
        FromUtf8(LangTextWithValues("Main|MsgEnclosureSaveFailed", "Der Anhang konnte nicht gespeichert werden:%w%%s1%",
                                    {result.Reason})));
  }
  deleteLater();
}

}  // namespace tidewick
