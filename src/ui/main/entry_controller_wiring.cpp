// Connects the entry list and entry view to the window: the tree's selection fills the list, refreshes and read
// marks refill it, and the list's commands get their actions.

#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTextBrowser>

#include "entries/next_unread.h"
#include "lang/lang_text.h"
#include "settings/settings.h"
#include "tree/feed_tree.h"
#include "ui/dialogs/entry_export_command.h"
#include "ui/main/enclosure_saver.h"
#include "ui/main/entry_browser.h"
#include "ui/main/entry_controller.h"
#include "ui/main/entry_list_model.h"
#include "ui/main/feed_tree_actions.h"
#include "ui/main/feed_tree_view.h"
#include "ui/main/main_actions.h"
#include "ui/main/main_window.h"
#include "ui/main/read_on_key.h"
#include "ui/main/refresh_controller.h"

namespace tidewick {
namespace {

TListNode ListNodeOf(const TFeedTree& tree, const TTreeNode* node) {
  if (node == nullptr) {
    return {TListNodeKind::Folder, {}};  // nothing selected: nothing listed
  }
  switch (node->Kind()) {
    case TNodeKind::Root:
      return {TListNodeKind::Root, {}};
    case TNodeKind::Folder:
    case TNodeKind::Account:
      return {TListNodeKind::Folder, tree.FeedIdsUnder(node)};
    case TNodeKind::Feed:
      return {TListNodeKind::Feed, {node->FeedId()}};
    case TNodeKind::Starred:
      return {TListNodeKind::Starred, tree.FeedIdsUnder(tree.Root())};
  }
  return {};
}

}  // namespace

void TMainWindow::WireEntryController() {
  TEntryControllerHooks hooks;
  hooks.UpdateTreeCaptions = [this] { m_tree->UpdateTreeCaptions(); };
  hooks.ScheduleSave = [this] { ScheduleSave(TSaveDelay::ReadMarks); };
  hooks.SelectionChanged = [this] { UpdateActionStates(); };
  hooks.SearchTextChanged = [this](const QString& text) { SetSearchText(text); };
  hooks.ReportStatus = [this](TMakeText text) { SetStatusText(std::move(text)); };
  hooks.TurnOnGrouping = [this] {
    Settings().GroupInFolders = true;
    m_entryController->Refill();
    ScheduleSave();
  };
  TMainWidgets& w = m_widgets;
  m_entryController = new TEntryController({w.entryListView, w.titleLinkLabel, w.dateField, w.bylineLabel,
                                            w.entryTextView, qobject_cast<TEntryBrowser*>(w.entryHtmlView)},
                                           std::move(hooks), this);

  TMainActions& a = *m_actions;
  a.SetCommand(a.mnuFeedSearch, [this] { m_entryController->Search(); });
  a.SetCommand(a.mnuFeedSearchNext, [this] { m_entryController->FindNext(); });
  a.SetCommand(a.mnuFeedSearchPrev, [this] { m_entryController->FindPrevious(); });
  a.SetCommand(a.pmnuItemsLinkCopy, [this] { m_entryController->CopyLink(); });
  a.SetCommand(a.pmnuItemsLinkOpen, [this] { m_entryController->OpenShownLink(); });
  a.SetCommand(a.mnuFeedNextUnread, [this] { ReadOn(TUnreadDirection::Next); });
  a.SetCommand(a.mnuFeedPrevUnread, [this] { ReadOn(TUnreadDirection::Previous); });
  a.SetCommand(a.mnuFeedEntryToggleRead, [this] { m_entryController->ToggleRead(); });
  a.SetCommand(a.mnuFeedEntryToggleStar, [this] { m_entryController->ToggleStar(); });
  a.mnuFeedUnreadOnly->setChecked(Settings().UnreadOnly);
  a.SetCommand(a.mnuFeedUnreadOnly, [this] {
    m_entryController->SetUnreadOnly(m_actions->mnuFeedUnreadOnly->isChecked());
    ScheduleSave();
  });
  new TReadOnKey(
      w.entryListView, w.entryTabs, w.entryTextView, w.entryHtmlView, [this] { ReadOn(TUnreadDirection::Next); }, this);
  a.SetCommand(a.mnuFileFeedItemExport, [this] {
    const std::optional<int> row = m_entryController->SelectedRow();
    RunEntryExport(this, row ? m_entryController->Model().EntryAt(*row) : nullptr,
                   m_widgets.entryTabs->currentWidget() == m_widgets.htmlTab, Settings().TextFont);
  });

  a.SetCommand(a.mnuFileEnclosureSave, [this] {
    const std::optional<int> row = m_entryController->SelectedRow();
    if (const TEntry* entry = row ? m_entryController->Model().EntryAt(*row) : nullptr) {
      SaveEnclosureAs(this, *entry);
    }
  });

  auto showSelectedNode = [this] { m_entryController->ShowNode(ListNodeOf(*m_tree, m_tree->Selected())); };
  // The tree first announces its node at its first showing, once the start has chosen it; then at each change.
  connect(w.feedTreeView, &TFeedTreeView::currentNodeChanged, this, showSelectedNode);
  connect(m_feedTreeActions, &TFeedTreeActions::readMarksChanged, this, [this] {
    m_entryController->Refill();
    UpdateTrayNotification();
  });
  m_entryController->SetUpdateTray([this] { UpdateTrayNotification(); });
  connect(m_feedTreeActions, &TFeedTreeActions::feedsRemoved, this, [this] { m_entryController->Refill(); });
  connect(m_refresh, &TRefreshController::FeedsTakenIn, this,
          [this](const std::vector<uint64_t>& feedIds) { m_entryController->RefillForFeeds(feedIds); });
  connect(m_refresh, &TRefreshController::RunEnded, this, [this] {
    m_entryController->Refill();
    UpdateTrayNotification();
  });
}

void TMainWindow::ReadOn(TUnreadDirection direction) {
  if (m_entryController->SelectUnread(direction, false)) {
    return;
  }
  const std::optional<uint64_t> feed =
      FindUnreadFeed(m_tree->FeedIdsUnder(m_tree->Root()), m_entryController->CurrentFeedId(), direction);
  if (feed && m_tree->SelectFeed(*feed) && m_entryController->SelectUnread(direction, true)) {
    return;
  }
  SetStatusText(
      [] { return QString::fromStdString(GetLangText("Main|sbMainNoUnread", "Keine ungelesenen Einträge.")); });
}

}  // namespace tidewick
