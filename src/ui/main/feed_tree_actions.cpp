#include "ui/main/feed_tree_actions.h"

#include <optional>
#include <vector>

#include <QApplication>
#include <QCursor>

#include "lang/lang_text.h"
#include "ui/main/feed_tree_model.h"
#include "ui/main/feed_tree_view.h"
#include "ui/main/lang_qstring.h"
#include "ui/main/ui_prompts.h"

namespace tidewick {
namespace {

std::string Utf8(const QString& text) {
  return text.toUtf8().toStdString();
}

// The hourglass while a command works; never while a question waits for the user.
class TWaitCursor {
 public:
  TWaitCursor() { QApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); }
  ~TWaitCursor() { QApplication::restoreOverrideCursor(); }
  TWaitCursor(const TWaitCursor&) = delete;
  TWaitCursor& operator=(const TWaitCursor&) = delete;
};

}  // namespace

TFeedTreeActions::TFeedTreeActions(TFeedTreeView* view, QWidget* dialogParent, QObject* parent)
    : QObject(parent), m_view(view), m_dialogParent(dialogParent) {
  connect(view, &TFeedTreeView::arrangementChanged, this, &TFeedTreeActions::saveRequested);
  // Queued: the message waits until the label editor has closed.
  connect(view->TreeModel(), &TFeedTreeModel::renameRefused, this, &TFeedTreeActions::ShowRenameRefused,
          Qt::QueuedConnection);
}

TFeedTree& TFeedTreeActions::Tree() const {
  return m_view->TreeModel()->Tree();
}

void TFeedTreeActions::NewFolder() {
  TTreeNode* selected = Tree().Selected();
  if (!m_view || !selected || selected->IsFeed()) {
    return;
  }
  TTreeNode* folder = Tree().AddNewFolder(selected);
  if (folder) {
    m_view->EditNode(folder);
    emit saveRequested();
  }
}

void TFeedTreeActions::Rename() {
  if (m_view) {
    m_view->EditNode(Tree().Selected());
  }
}

void TFeedTreeActions::Move() {
  TTreeNode* node = m_view ? Tree().Selected() : nullptr;
  if (!node || node->IsRoot()) {
    return;
  }
  const std::vector<TTreeNode*> targets = Tree().MoveTargets(node);
  const std::string name = node->Name();
  const QString title = Text("Main|DlgMoveToFolderTitle", "In Ordner verschieben");
  if (targets.empty()) {
    prompts::Message(
        m_dialogParent, QMessageBox::Information, title,
        Text("Main|MsgMoveNoFolder", "Für \"%s1%\" gibt es keinen Ordner, in den es verschoben werden kann.", name));
    return;
  }
  QStringList paths;
  for (const TTreeNode* target : targets) {
    paths << QString::fromStdString(Tree().NodePath(target, true)).mid(1);
  }
  const std::optional<int> chosen = prompts::ChooseItem(
      m_dialogParent, title, Text("Main|DlgMoveToFolderLabel", "\"%s1%\" verschieben nach:", name), paths);
  // The tree may have been rebuilt while the list was open (a refresh ending): look everything up again.
  if (!chosen || m_view.isNull()) {
    return;
  }
  const std::vector<TTreeNode*> now = Tree().MoveTargets(Tree().Selected());
  const QString wanted = paths.value(*chosen);
  for (TTreeNode* target : now) {
    if (Tree().Selected() && QString::fromStdString(Tree().NodePath(target, true)).mid(1) == wanted &&
        Tree().DropNode(Tree().Selected(), target)) {
      emit saveRequested();
      return;
    }
  }
}

void TFeedTreeActions::ShowRenameRefused(const QString& oldName, const QString& newName, TRenameResult result,
                                         bool feed) {
  const std::string params = JoinLangParams({Utf8(oldName), Utf8(newName)});
  if (feed) {
    // The feed dialog's own messages: the same rules, the same words.
    if (result == TRenameResult::NameTaken) {
      prompts::Message(m_dialogParent, QMessageBox::Critical,
                       Text("FeedEdit|MsgCaptionNotUniqueTitle", "Bezeichnung bereits vergeben"),
                       Text("FeedEdit|MsgCaptionNotUniqueText",
                            "Die Bezeichnung muss eindeutig sein.%w%\"%s1%\" wurde bereits vergeben.", Utf8(newName)));
    } else {
      prompts::Message(m_dialogParent, QMessageBox::Critical, Text("FeedEdit|MsgNameEmptyTitle", "Bezeichnung fehlt"),
                       Text("FeedEdit|MsgNameEmptyText", "Bitte geben Sie eine Bezeichnung für das Feed ein."));
    }
    return;
  }
  if (result == TRenameResult::NameTaken) {
    prompts::Message(m_dialogParent, QMessageBox::Warning,
                     Text("Main|MsgRenameFolderErrTitle", "Name bereits vergeben"),
                     Text("Main|MsgRenameFolderErrText",
                          "Der Ordner \"%s1%\" konnte nicht umbenannt werden,%w%da der Name \"%s2%\" bereits "
                          "vergeben ist.",
                          params));
  } else {
    prompts::Message(m_dialogParent, QMessageBox::Warning,
                     Text("Main|MsgFolderNameInvalidTitle", "Ungültiger Ordnername"),
                     Text("Main|MsgFolderNameInvalidText",
                          "Der Ordner \"%s1%\" konnte nicht in \"%s2%\" umbenannt werden.%w%Ein Ordnername darf "
                          "nicht leer sein und weder einen Backslash noch Tabulatoren oder Zeilenumbrüche enthalten.",
                          params));
  }
}

void TFeedTreeActions::Remove() {
  TTreeNode* node = m_view ? Tree().Selected() : nullptr;
  const TRemoveKind kind = Tree().RemoveKindOf(node);
  const std::string name = node ? node->Name() : std::string();
  std::vector<std::string> failed;
  if (kind == TRemoveKind::Feed && node->InAccount()) {
    const auto answer = prompts::Message(
        m_dialogParent, QMessageBox::Question, Text("Main|MsgRemoveFeedTitle", "Feed entfernen"),
        Text("Sync|MsgUnsubscribeText", "Soll das Feed \"%s1%\" auf dem Server des Kontos abbestellt werden?", name),
        QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    if (answer == QMessageBox::Yes && m_sync.Unsubscribe) {
      m_sync.Unsubscribe(node->FeedId());  // the feed leaves here once the server confirmed
    }
    return;
  }
  if (kind == TRemoveKind::Account) {
    const auto answer = prompts::Message(
        m_dialogParent, QMessageBox::Question, Text("Sync|MsgRemoveAccountTitle", "Konto entfernen"),
        Text("Sync|MsgRemoveAccountText",
             "Soll das Konto \"%s1%\" entfernt werden?%w%Seine Feeds werden hier entfernt und bleiben auf dem Server.",
             AccountTitle(node->AccountKey())),
        QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    if (answer != QMessageBox::Yes) {
      return;
    }
    const std::string key = node->AccountKey();
    {
      const TWaitCursor wait;
      failed = Tree().RemoveAccountNode(node);
    }
    if (m_sync.AccountRemoved) {
      m_sync.AccountRemoved(key);
    }
  } else if (kind == TRemoveKind::Feed) {
    const auto answer =
        prompts::Message(m_dialogParent, QMessageBox::Question, Text("Main|MsgRemoveFeedTitle", "Feed entfernen"),
                         Text("Main|MsgRemoveFeedText", "Soll das Feed \"%s1%\" entfernt werden?", name),
                         QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    if (answer != QMessageBox::Yes) {
      return;
    }
    const TWaitCursor wait;
    if (auto notDeleted = Tree().RemoveFeedNode(node)) {
      failed.push_back(*notDeleted);
    }
  } else if (kind == TRemoveKind::Folder) {
    const auto answer = prompts::Message(
        m_dialogParent, QMessageBox::Question, Text("Main|MsgRemoveFolderTitle", "Ordner löschen"),
        Text("Main|MsgRemoveFolderText",
             "Der Ordner \"%s1%\" wird gelöscht.%w%Sollen auch alle enthaltenen Feeds entfernt werden?", name),
        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Cancel);
    if (answer != QMessageBox::Yes && answer != QMessageBox::No) {
      return;
    }
    const TWaitCursor wait;
    failed = Tree().RemoveFolderNode(node, answer == QMessageBox::Yes);
  } else {
    return;
  }
  for (const std::string& feedName : failed) {
    prompts::Message(m_dialogParent, QMessageBox::Critical, Text("Main|MsgRemoveFeedErrTitle", "Feed entfernen"),
                     Text("Main|MsgRemoveFeedErrText", "Das Feed \"%s1%\" konnte nicht entfernt werden.", feedName));
  }
  emit feedsRemoved();
  emit saveRequested();
}

void TFeedTreeActions::MarkRead() {
  Mark(true);
}

void TFeedTreeActions::MarkUnread() {
  Mark(false);
}

void TFeedTreeActions::Mark(bool read) {
  if (!m_view) {
    return;
  }
  {
    const TWaitCursor wait;
    Tree().MarkNodeRead(Tree().Selected() ? Tree().Selected() : Tree().Root(), read, m_sync.EntryMarked);
  }
  emit readMarksChanged();
  emit saveRequested();
}

}  // namespace tidewick
