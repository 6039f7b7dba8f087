#include "ui/dialogs/feed_edit_window.h"

#include <string>
#include <vector>

#include <QMetaObject>
#include <QStringList>

#include "feeds/feed_merge.h"
#include "settings/settings.h"
#include "tree/feed_tree.h"
#include "ui/dialogs/feed_edit_dialog.h"
#include "ui/main/main_window.h"
#include "ui/rules/feed_edit_rules.h"

namespace tidewick {
namespace {

// A feed: link in the details opens a dialog of its own once the current one has closed.
void OfferFeedLinks(TFeedEditDialog& dialog, TMainWindow& window) {
  dialog.SetFeedLinkHandler([&window, &dialog](const QString& address) {
    dialog.reject();
    QMetaObject::invokeMethod(
        &window, [&window, address] { RunAddFeedDialog(window, address); }, Qt::QueuedConnection);
  });
}

// The store changed under the tree: keep the arrangement, rebuild, select the feed and save.
void ShowInTree(TMainWindow& window, uint64_t feedId) {
  TFeedTree& tree = window.FeedTree();
  tree.SaveTreeStructureToSettings();
  tree.BuildFeedTree();
  tree.SelectFeed(feedId);
  window.UpdateActionStates();
  window.ScheduleSave();
}

// Window-modal without a nested event loop; the dialog deletes itself when it closes.
TFeedEditDialog* OpenDialog(TMainWindow& window) {
  auto* dialog = new TFeedEditDialog(Settings(), &window);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  OfferFeedLinks(*dialog, window);
  return dialog;
}

}  // namespace

QDialog* RunAddFeedDialog(TMainWindow& window, const QString& address) {
  auto* dialog = OpenDialog(window);
  dialog->PrepareAdd(address);
  // The folders as paths: the tree may be rebuilt (a refresh ending) while the dialog is open.
  TFeedTree& tree = window.FeedTree();
  QStringList shown;
  std::vector<std::string> paths;
  int chosen = 0;
  for (const TTreeNode* folder : tree.FolderNodes()) {
    chosen = folder == tree.TargetFolder(tree.Selected()) ? static_cast<int>(paths.size()) : chosen;
    paths.push_back(tree.NodePath(folder, false));
    shown << QString::fromStdString(tree.NodePath(folder, true)).mid(1);
  }
  dialog->OfferFolders(shown, chosen);
  QObject::connect(dialog, &QDialog::accepted, &window, [&window, dialog, paths] {
    const int index = AddFeed(NewFeedFromEdit(dialog->Result(), TAutoReadTerms(Settings().AutoReadList), NowUtc()));
    const uint64_t id = Feeds[static_cast<size_t>(index)].Id;
    TFeedTree& tree = window.FeedTree();
    const int folder = dialog->ChosenFolder();
    TTreeNode* target = folder == 0 ? tree.Root()  // the first offered
                        : folder > 0 && static_cast<size_t>(folder) < paths.size()
                            ? tree.FindFolderPath(paths[static_cast<size_t>(folder)])
                            : nullptr;
    tree.AddFeedNode(target ? target : tree.TargetFolder(tree.Selected()), id);
    ShowInTree(window, id);
  });
  dialog->open();
  return dialog;
}

void RunEditFeedDialog(TMainWindow& window) {
  const TTreeNode* node = window.FeedTree().Selected();
  if (node == nullptr || !node->IsFeed())
    return;
  const int index = FindFeedById(node->FeedId());
  if (index < 0)
    return;
  const uint64_t id = Feeds[static_cast<size_t>(index)].Id;
  auto* dialog = OpenDialog(window);
  dialog->PrepareEdit(Feeds[static_cast<size_t>(index)]);
  QObject::connect(dialog, &QDialog::accepted, &window, [&window, dialog, id] {
    if (ApplyFeedEdit(Feeds, id, dialog->Result(), TAutoReadTerms(Settings().AutoReadList), NowUtc()))
      ShowInTree(window, id);
  });
  dialog->open();
}

}  // namespace tidewick
