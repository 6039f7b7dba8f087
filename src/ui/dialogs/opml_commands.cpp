#include "ui/dialogs/opml_commands.h"

#include <QFileInfo>

#include "lang/export_file.h"
#include "lang/lang_text.h"
#include "tree/feed_tree.h"
#include "tree/opml_export.h"
#include "tree/opml_import.h"
#include "ui/dialogs/opml_file_dialog.h"
#include "ui/main/lang_qstring.h"
#include "ui/main/ui_prompts.h"

namespace tidewick {
namespace {

QString OpmlFilter() {
  return QtFileFilter(Text("General|FilterOpml", "OPML-Dateien (*.opml)"));
}

QString OpmlFilters() {
  return OpmlFilter() + QStringLiteral(";;") + QtFileFilter(Text("General|FilterAll", "Alle Dateien (*.*)"));
}

// ".opml" is added only with the OPML filter, and only to a name without any extension.
QString WithOpmlExtension(const QString& name, const QString& filter) {
  if (filter == OpmlFilter() && QFileInfo(name).suffix().isEmpty()) {
    return name + QStringLiteral(".opml");
  }
  return name;
}

}  // namespace

void RunOpmlExport(QWidget* parent, const TFeedTree& tree) {
  const TOpmlExportScope scope = OpmlExportScope(tree, tree.Selected());
  if (scope.Start == nullptr) {
    return;
  }
  QString selectedFilter = OpmlFilter();
  const QString fileName = AskSaveFileName(parent, QString::fromStdString(scope.DialogTitle), {}, OpmlFilters(),
                                           selectedFilter, WithOpmlExtension);
  if (fileName.isEmpty()) {
    return;
  }
  TFileWriteResult written;
  {
    const TBusyCursor busy;
    written = ExportOpmlFile(fileName.toStdString(), *scope.Start, scope.Title);
  }
  if (!written.Ok) {
    prompts::Message(parent, QMessageBox::Warning, Text("Main|MsgExportWriteErrTitle", "Export fehlgeschlagen"),
                     QString::fromStdString(ExportWriteErrorText(fileName.toStdString(), written)));
  }
}

void RunOpmlImport(QWidget* parent, TFeedTree& tree, const std::function<void()>& scheduleSave,
                   const std::function<void(const std::vector<uint64_t>&)>& refresh) {
  TTreeNode* target = tree.TargetFolder(tree.Selected());
  if (target == nullptr) {
    return;
  }
  const QString title = QString::fromStdString(
      LangTextWithValues("Main|DlgImportFeedsTitle", "Feeds importieren in \"%s1%\"", {target->Name()}));
  QString selectedFilter = OpmlFilter();
  const QString fileName = prompts::OpenFileName(parent, title, {}, OpmlFilters(), &selectedFilter);
  if (fileName.isEmpty()) {
    return;
  }
  TOpmlImportResult result;
  {
    const TBusyCursor busy;
    result = ImportOpmlFile(tree, target, fileName.toStdString());
  }
  const bool imported = result.Status == TOpmlReadStatus::Read;
  if (imported && scheduleSave) {
    scheduleSave();
  }
  // The new feeds download while the message is read; the status bar shows the progress.
  if (imported && refresh && !result.Report.FeedIds.empty()) {
    refresh(result.Report.FeedIds);
  }
  prompts::Message(parent, imported ? QMessageBox::Information : QMessageBox::Warning,
                   Text("Main|MsgImportOpmlTitle", "Feeds importieren"), QString::fromStdString(result.Message));
}

}  // namespace tidewick
