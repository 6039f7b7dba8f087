// Routes each command of the window to the code that does the work, and keeps the enabled states current.

#include <QAction>
#include <QItemSelectionModel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QTabWidget>
#include <QTextBrowser>
#include <QToolButton>
#include <QTreeView>

#include "feeds/feed_records.h"
#include "lang/lang_text.h"
#include "settings/settings.h"
#include "tree/feed_tree.h"
#include "ui/dialogs/help_window.h"
#include "ui/dialogs/opml_commands.h"
#include "ui/dialogs/settings_window.h"
#include "ui/main/entry_controller.h"
#include "ui/main/entry_list_model.h"
#include "ui/main/feed_tree_actions.h"
#include "ui/main/feed_tree_view.h"
#include "ui/main/main_actions.h"
#include "ui/main/main_window.h"
#include "ui/main/refresh_controller.h"
#include "ui/main/sync_controller.h"
#include "ui/rules/command_states.h"

namespace tidewick {
namespace {

TSelectedNode KindOf(const TTreeNode* node) {
  if (node == nullptr) {
    return TSelectedNode::None;
  }
  switch (node->Kind()) {
    case TNodeKind::Root:
      return TSelectedNode::Root;
    case TNodeKind::Folder:
      return TSelectedNode::Folder;
    case TNodeKind::Feed:
      return TSelectedNode::Feed;
    case TNodeKind::Account:
      return TSelectedNode::Account;
    case TNodeKind::Starred:
      return TSelectedNode::Starred;
  }
  return TSelectedNode::None;
}

}  // namespace

void TMainWindow::WireCommands() {
  TMainActions& a = *m_actions;
  a.SetCommand(a.mnuFileExit, [this] { close(); });
  a.SetCommand(a.mnuExtrasWindowOnTop, [this] {
    SetWindowOnTop(m_actions->mnuExtrasWindowOnTop->isChecked());
    ScheduleSave();
  });
  a.SetCommand(a.mnuHelpHelp, [this] { ShowHelp(this, m_options.DataFolder); });
  a.SetCommand(a.mnuHelpWebsite, [this] { OpenHomePage(); });
  a.SetCommand(a.mnuHelpDonate, [this] { OpenDonatePage(); });
  a.SetCommand(a.mnuHelpEMail, [this] { WriteMail(); });
  a.SetCommand(a.pmnuTrayShow, [this] {
    showNormal();
    raise();
    activateWindow();
  });
  a.SetCommand(a.mnuFeedAdd, [this] { ShowAddFeedDialog(QString()); });
  a.SetCommand(a.mnuFeedEdit, [this] { ShowEditFeedDialog(); });
  a.SetCommand(a.mnuExtrasSettings, [this] { RunSettingsDialog(*this); });
  a.SetCommand(a.mnuHelpInfo, [this] { RunInfoDialog(*this); });

  WireTreeCommands();
  a.SetCommand(a.mnuFileExport, [this] { RunOpmlExport(this, *m_tree); });
  a.SetCommand(a.mnuFileImport, [this] {
    RunOpmlImport(
        this, *m_tree,
        [this] {
          ScheduleSave();
          UpdateActionStates();
        },
        [this](const std::vector<uint64_t>& feedIds) {
          std::vector<int> positions;
          for (const uint64_t id : feedIds) {
            if (const int position = FindFeedById(id); position >= 0) {
              positions.push_back(position);
            }
          }
          m_refresh->RefreshFeeds(positions);
        });
  });
  WireEntryController();

  // Keys of the window: each moves the focus to a pane.
  a.SetCommand(a.actFocusTree, [this] { m_widgets.feedTreeView->setFocus(Qt::ShortcutFocusReason); });
  a.SetCommand(a.actFocusList, [this] { FocusList(); });
  a.SetCommand(a.actShowTextView, [this] {
    m_widgets.entryTabs->setCurrentWidget(m_widgets.textTab);
    m_widgets.entryTextView->setFocus(Qt::ShortcutFocusReason);
  });
  a.SetCommand(a.actShowHtmlView, [this] { ShowHtmlView(); });

  m_widgets.feedTreeView->addAction(a.pmnuFeedRename);
  m_widgets.entryListView->addAction(a.pmnuItemsLinkCopy);
  m_widgets.entryListView->addAction(a.pmnuItemsLinkOpen);
  m_widgets.entryListView->setContextMenuPolicy(Qt::CustomContextMenu);
  m_widgets.entryListView->installEventFilter(this);  // the menu key: see eventFilter
  connect(m_widgets.entryListView, &QWidget::customContextMenuRequested, this, [this](const QPoint& position) {
    if (m_widgets.entryListView->indexAt(position).isValid()) {
      m_actions->pmnuItems->popup(m_widgets.entryListView->viewport()->mapToGlobal(position));
    }
  });
  WireRefreshCommands();
  WireSyncCommands();
}

void TMainWindow::WireTreeCommands() {
  TMainActions& a = *m_actions;
  m_feedTreeActions = new TFeedTreeActions(m_widgets.feedTreeView, this, this);
  a.SetCommand(a.pmnuFeedFolderAdd, [this] { m_feedTreeActions->NewFolder(); });
  a.SetCommand(a.pmnuFeedRename, [this] { m_feedTreeActions->Rename(); });
  a.SetCommand(a.mnuFeedMove, [this] { m_feedTreeActions->Move(); });
  a.SetCommand(a.mnuFeedRemove, [this] { m_feedTreeActions->Remove(); });
  a.SetCommand(a.mnuFeedMarkRead, [this] { m_feedTreeActions->MarkRead(); });
  a.SetCommand(a.mnuFeedMarkUnread, [this] { m_feedTreeActions->MarkUnread(); });
  connect(m_feedTreeActions, &TFeedTreeActions::saveRequested, this, [this] { ScheduleSave(); });
  connect(m_feedTreeActions, &TFeedTreeActions::readMarksChanged, this,
          [this] { ScheduleSave(TSaveDelay::ReadMarks); });
  connect(m_feedTreeActions, &TFeedTreeActions::feedsRemoved, this, [this] {
    UpdateActionStates();
    ScheduleSave();
  });
  TFeedTreeView* view = m_widgets.feedTreeView;
  connect(view, &TFeedTreeView::contextMenuRequested, this,
          [this](const QPoint& position) { m_actions->pmnuFeeds->popup(position); });
  connect(view, &TFeedTreeView::currentNodeChanged, this, [this] { UpdateActionStates(); });
  connect(view, &TFeedTreeView::arrangementChanged, this, [this] { ScheduleSave(); });
  connect(view, &TFeedTreeView::feedDoubleClicked, this, &TMainWindow::OnFeedDoubleClicked);
}

void TMainWindow::WireRefreshCommands() {
  TMainActions& a = *m_actions;
  a.SetCommand(a.mnuFeedRefresh, [this] { RefreshSelected(); });
  a.SetCommand(a.mnuFeedRefreshAll, [this] {
    m_refresh->RefreshAll();
    m_sync->SyncAll();
  });
  a.SetCommand(a.tbFeedStopRefresh, [this] { m_refresh->Stop(); });
  connect(m_refresh, &TRefreshController::RunningChanged, this, [this] { OnRefreshRunChanged(); });
  // Each result shows in the tree as it comes; the tray, the popup, the error report and the save (which copies
  // the whole store on this thread) wait for the run's end.
  // A run that only learnt refresh state (all 304s, say) saves into the state file beside the store.
  connect(m_refresh, &TRefreshController::FeedsTakenIn, this, [this] {
    m_tree->UpdateTreeCaptions();
    if (m_refresh->Scheduler().TakeStoreChanges() == TStoreChanges::All) {
      m_saver->NoteStoreChanged();
    }
  });
  connect(m_refresh, &TRefreshController::RunEnded, this, [this] {
    m_tree->UpdateTreeCaptions();
    UpdateActionStates();
    ScheduleSave(TSaveDelay::Soon, m_refresh->Scheduler().TakeStoreChanges());
  });
}

void TMainWindow::RefreshSelected() {
  const TTreeNode* node = m_tree->Selected();
  if (node == nullptr) {
    return;
  }
  // An account's feeds come from its server: refreshing any of it syncs the account.
  if (node->InAccount()) {
    m_sync->SyncAccount(node->AccountKey());
    return;
  }
  std::vector<int> positions;
  if (node->IsRoot()) {
    m_sync->SyncAll();
    for (int position = 0; position < FeedCount(); ++position) {
      positions.push_back(position);  // every feed of the store, also one the tree does not show
    }
  } else {
    for (const uint64_t id : m_tree->FeedIdsUnder(node)) {
      const int position = FindFeedById(id);
      if (position >= 0) {
        positions.push_back(position);
      }
    }
  }
  m_refresh->RefreshFeeds(positions);
}

void TMainWindow::OnFeedDoubleClicked(quint64 feedId) {
  const int position = FindFeedById(feedId);
  if (Settings().FeedsUpdateOnDblClick && position >= 0 &&
      Feeds[static_cast<size_t>(position)].Remote.IsAccountFeed()) {
    m_sync->SyncAccount(Feeds[static_cast<size_t>(position)].Remote.Account);
  } else if (Settings().FeedsUpdateOnDblClick && position >= 0) {
    m_refresh->RefreshFeeds({position});
  }
}

void TMainWindow::OnRefreshRunChanged() {
  m_actions->tbFeedStopRefresh->setVisible(m_refresh->IsRunning());
  UpdateActionStates();
}

void TMainWindow::FocusList() {
  QTreeView* list = m_widgets.entryListView;
  QItemSelectionModel* selection = list->selectionModel();
  if (list->model() != nullptr && selection != nullptr && !selection->hasSelection() && list->model()->rowCount() > 0) {
    const QModelIndex first = list->model()->index(0, 0);
    selection->setCurrentIndex(first, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  }
  list->setFocus(Qt::ShortcutFocusReason);
}

void TMainWindow::ShowHtmlView() {
  // The page takes the keyboard through the focus itself; no click is simulated.
  m_widgets.entryTabs->setCurrentWidget(m_widgets.htmlTab);
  m_widgets.entryHtmlView->setFocus(Qt::ShortcutFocusReason);
}

void TMainWindow::UpdateActionStates() {
  TCommandContext context;
  context.Node = KindOf(m_tree->Selected());
  context.InAccount = m_tree->Selected() != nullptr && m_tree->Selected()->InAccount();
  context.StoreHasFeeds = FeedCount() > 0;
  context.SearchTextSet = !m_searchText.isEmpty();
  const QItemSelectionModel* entries = m_widgets.entryListView->selectionModel();
  context.EntrySelected = entries != nullptr && entries->selectedRows().size() == 1;
  if (const std::optional<int> row =
          context.EntrySelected && m_entryController != nullptr ? m_entryController->SelectedRow() : std::nullopt) {
    const TEntry* entry = m_entryController->Model().EntryAt(*row);
    context.EntryHasEnclosures = entry != nullptr && !entry->Enclosures.empty();
  }
  context.Refreshing = m_refresh->IsRunning();
  const TCommandStates states = DecideCommandStates(context);

  TMainActions& a = *m_actions;
  const std::pair<QAction*, bool> decided[] = {
      {a.mnuFileExport, states.Export},
      {a.mnuFileImport, true},
      {a.mnuFileFeedItemExport, states.EntryExport},
      {a.mnuFileEnclosureSave, states.EnclosureSave},
      {a.mnuFileExit, true},
      {a.mnuFeedAdd, true},
      {a.mnuFeedAddAccount, true},
      {a.mnuFeedEdit, states.Edit},
      {a.mnuFeedMove, states.Move},
      {a.mnuFeedRemove, states.Remove},
      {a.mnuFeedMarkRead, states.MarkRead},
      {a.mnuFeedMarkUnread, states.MarkRead},
      {a.mnuFeedSearch, true},
      {a.mnuFeedSearchNext, true},
      {a.mnuFeedSearchPrev, states.SearchPrev},
      {a.mnuFeedRefresh, states.Refresh},
      {a.mnuFeedRefreshAll, states.RefreshAll},
      {a.mnuExtrasWindowOnTop, true},
      {a.mnuExtrasSettings, true},
      {a.mnuHelpHelp, true},
      {a.mnuHelpWebsite, true},
      {a.mnuHelpEMail, true},
      {a.mnuHelpDonate, true},
      {a.mnuHelpInfo, true},
      {a.tbFeedStopRefresh, states.StopRefresh},
      {a.pmnuFeedFolderAdd, states.FolderAdd},
      {a.pmnuFeedRename, states.Rename},
      {a.pmnuItemsLinkCopy, states.EntryExport},
      {a.pmnuItemsLinkOpen, states.EntryExport},
      {a.mnuFeedNextUnread, true},
      {a.mnuFeedPrevUnread, true},
      {a.mnuFeedEntryToggleRead, states.EntryMarks},
      {a.mnuFeedEntryToggleStar, states.EntryMarks},
      {a.mnuFeedUnreadOnly, true},
      {a.pmnuTrayShow, true},
      {a.actFocusTree, true},
      {a.actFocusList, true},
      {a.actShowTextView, true},
      {a.actShowHtmlView, true},
  };
  for (const auto& [action, enabled] : decided) {
    a.SetEnabledIfAvailable(action, enabled);
  }
  // Why an account's feeds and folders cannot be renamed or moved: their server decides.
  const QString serverArranges =
      states.ServerArranges ? QString::fromStdString(GetLangText(
                                  "Sync|HintServerArranges",
                                  "Der Server des Kontos kann Feeds und Ordner nicht umbenennen oder verschieben."))
                            : QString();
  for (QAction* action : {a.pmnuFeedRename, a.mnuFeedMove, a.pmnuFeedFolderAdd}) {
    action->setToolTip(serverArranges);
  }
}

}  // namespace tidewick
