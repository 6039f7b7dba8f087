#include "ui/dialogs/entry_export_command.h"

#include "entries/entry_export.h"
#include "ui/dialogs/opml_file_dialog.h"
#include "ui/main/entry_date_text.h"
#include "ui/main/lang_qstring.h"
#include "ui/main/ui_prompts.h"

namespace tidewick {
namespace {

QString TextFilter() {
  return QtFileFilter(Text("General|FilterText", "Textdateien (*.txt)"));
}

QString HtmlFilter() {
  return QtFileFilter(Text("General|FilterHtml", "HTML-Dokument (*.html)"));
}

TEntryExportFormat FormatOf(const QString& filter) {
  return filter == HtmlFilter() ? TEntryExportFormat::Html : TEntryExportFormat::Text;
}

}  // namespace

void RunEntryExport(QWidget* parent, const TEntry* entry, bool htmlPageShown, const TFontRecord& font) {
  if (entry == nullptr) {
    return;
  }
  const TEntry item = *entry;  // the list may change while the dialog is open
  QString selectedFilter = htmlPageShown ? HtmlFilter() : TextFilter();
  const QString fileName = AskSaveFileName(
      parent, Text("Main|DlgExportFeedItemTitle", "Feed-Eintrag exportieren"),
      QString::fromStdString(ProposedExportFileName(item)), TextFilter() + QStringLiteral(";;") + HtmlFilter(),
      selectedFilter, [](const QString& name, const QString& filter) {
        return QString::fromStdString(WithExportExtension(name.toStdString(), FormatOf(filter)));
      });
  if (fileName.isEmpty()) {
    return;
  }
  TFileWriteResult written;
  {
    const TBusyCursor busy;
    written = ExportEntryFile(fileName.toStdString(), FormatOf(selectedFilter), item,
                              EntryDateText(item.PublishedDate).toStdString(), font);
  }
  if (!written.Ok) {
    prompts::Message(parent, QMessageBox::Warning, Text("Main|MsgExportWriteErrTitle", "Export fehlgeschlagen"),
                     QString::fromStdString(ExportWriteErrorText(fileName.toStdString(), written)));
  }
}

}  // namespace tidewick
