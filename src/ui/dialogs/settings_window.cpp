#include "ui/dialogs/settings_window.h"

#include <QPlainTextEdit>
#include <QTimer>

#include "settings/settings_apply.h"
#include "tree/feed_tree.h"
#include "ui/dialogs/info_dialog.h"
#include "ui/dialogs/settings_dialog.h"
#include "ui/main/entry_controller.h"
#include "ui/main/main_window.h"
#include "ui/main/refresh_controller.h"
#include "ui/main/text_font.h"

namespace tidewick {

void RunSettingsDialog(TMainWindow& window) {
  TFeedTree& tree = window.FeedTree();
  tree.SaveTreeStructureToSettings();
  Settings().LastSelectedPath = tree.NodePath(tree.Selected(), true);
  Settings().AutoReadList = NormalizedAutoReadList(Settings().AutoReadList);
  auto* dialog = new TSettingsDialog(Settings(), &window);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  QObject::connect(dialog, &QDialog::accepted, &window, [&window, dialog] {
    TFeedTree& tree = window.FeedTree();
    TSettingsApplySteps steps;
    steps.EnableAutoUpdate = [&window](bool on) {
      QTimer* timer = window.Refresh().tmrAutoUpdate;
      if (on && !timer->isActive())
        timer->start();
      else if (!on)
        timer->stop();
    };
    steps.UpdateTray = [&window] { window.UpdateTrayNotification(); };
    steps.ApplyListSort = [&window] {
      window.EntryController().ApplyListSortMode();
      window.EntryController().Refill();
    };
    steps.RebuildTree = [&tree] { tree.BuildFeedTree(); };
    steps.ApplyTextFont = [&window](const TFontRecord& font) { ApplyTextFont(*window.Widgets().entryTextView, font); };
    steps.ScheduleSave = [&window] { window.ScheduleSave(); };
    ApplySettingsChange(Settings(), dialog->Values(), steps);
    window.UpdateActionStates();
  });
  dialog->open();
}

void RunInfoDialog(TMainWindow& window) {
  auto* dialog = new TInfoDialog(Settings(), &window);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->open();
}

}  // namespace tidewick
