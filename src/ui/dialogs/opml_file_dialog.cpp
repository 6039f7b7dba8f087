#include "ui/dialogs/opml_file_dialog.h"

#include <QCursor>
#include <QFileInfo>
#include <QGuiApplication>

#include "lang/export_file.h"
#include "lang/lang_text.h"
#include "ui/main/ui_prompts.h"

namespace tidewick {

TBusyCursor::TBusyCursor() {
  QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
}

TBusyCursor::~TBusyCursor() {
  QGuiApplication::restoreOverrideCursor();
}

QString QtFileFilter(const QString& text) {
  QString filter = text;
  return filter.replace(QStringLiteral("(*.*)"), QStringLiteral("(*)"));
}

QString AskSaveFileName(QWidget* parent, const QString& title, const QString& proposed, const QString& filters,
                        QString& selectedFilter,
                        const std::function<QString(const QString& name, const QString& filter)>& withExtension) {
  QString path = proposed;
  for (;;) {
    // Qt would ask about the name as typed; we ask once, about the name with its extension.
    const QString chosen =
        prompts::SaveFileName(parent, title, path, filters, &selectedFilter, QFileDialog::DontConfirmOverwrite);
    if (chosen.isEmpty()) {
      return {};
    }
    path = withExtension(chosen, selectedFilter);
    if (!QFileInfo::exists(path)) {
      return path;
    }
    const std::string text = LangTextWithValues(
        "Main|MsgFileExistText", "Die Datei \"%s1%\" existiert bereits.%w%Soll diese Datei überschrieben werden?",
        {path.toStdString()});
    const auto answer =
        prompts::Message(parent, QMessageBox::Question,
                         QString::fromStdString(GetLangText("Main|MsgFileExistTitle", "Datei überschreiben")),
                         QString::fromStdString(text), QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    if (answer == QMessageBox::Yes) {
      return path;
    }
    if (answer != QMessageBox::No) {
      return {};
    }
  }
}

}  // namespace tidewick
