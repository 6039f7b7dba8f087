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
#include "ui/main/sync_controller.h"
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
  // An account or one of its folders: the account's Key and the category's id on its server.
  std::vector<std::pair<std::string, std::string>> accountPlaces;
  int chosen = 0;
  const TTreeNode* selected = tree.Selected();
  const TTreeNode* preferred = selected && selected->InAccount() ? (selected->IsFeed() ? selected->Parent() : selected)
                                                                 : tree.TargetFolder(tree.Selected());
  for (const TTreeNode* folder : tree.FolderNodes()) {
    chosen = folder == preferred ? static_cast<int>(paths.size()) : chosen;
    paths.push_back(tree.NodePath(folder, false));
    std::string categoryId;
    if (folder->InAccount() && folder->IsFolder()) {
      const std::vector<uint64_t> below = tree.FeedIdsUnder(folder);
      const int position = below.empty() ? -1 : FindFeedById(below.front());
      categoryId = position >= 0 ? Feeds[static_cast<size_t>(position)].Remote.CategoryId : std::string();
    }
    accountPlaces.emplace_back(folder->AccountKey(), categoryId);
    // An account shows by its title, never by the name its paths use.
    QString caption = QString::fromStdString(tree.NodePath(folder, true)).mid(1);
    if (folder->InAccount()) {
      const QString inside = QString::fromStdString(tree.NodePath(folder, false));
      const qsizetype afterAccount = inside.indexOf(QLatin1Char('\\'), 1);
      caption = QString::fromStdString(tree.Root()->Name() + "\\" + AccountTitle(folder->AccountKey())) +
                (afterAccount < 0 ? QString() : inside.mid(afterAccount));
    }
    shown << caption;
  }
  dialog->OfferFolders(shown, chosen);
  QObject::connect(dialog, &QDialog::accepted, &window, [&window, dialog, paths, accountPlaces] {
    // Under an account the server subscribes; the feed arrives with the account's next sync.
    if (const int folder = dialog->ChosenFolder(); folder >= 0 && static_cast<size_t>(folder) < accountPlaces.size() &&
                                                   !accountPlaces[static_cast<size_t>(folder)].first.empty()) {
      const auto& [key, categoryId] = accountPlaces[static_cast<size_t>(folder)];
      window.Sync().Subscribe(key, dialog->Result().URL, categoryId);
      return;
    }
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
