#pragma once

// The tree commands the window's actions call: new folder, rename, move to a folder, remove, mark read and unread.
// Questions and messages go through the prompts; the work is the core tree's. The window connects the signals to its
// save, its entry list and its tray.

#include <functional>
#include <string>

#include <QObject>
#include <QPointer>

#include "tree/feed_tree.h"

class QWidget;

namespace tidewick {

class TFeedTreeView;

class TFeedTreeActions : public QObject {
  Q_OBJECT

 public:
  // dialogParent owns the message boxes (the main window).
  TFeedTreeActions(TFeedTreeView* view, QWidget* dialogParent, QObject* parent = nullptr);

  // What the sync side does for the tree: each entry whose read mark a tree command changed, the unsubscribe of an
  // account feed (it leaves the store only when its server confirmed), an account removed here.
  struct TSyncHooks {
    TFeedTree::TEntryMarked EntryMarked;
    std::function<void(uint64_t feedId)> Unsubscribe;
    std::function<void(const std::string& key)> AccountRemoved;
  };
  void SetSyncHooks(TSyncHooks hooks) { m_sync = std::move(hooks); }

 public slots:
  void NewFolder();   // pmnuFeedFolderAdd
  void Rename();      // pmnuFeedRename (F2)
  void Move();        // mnuFeedMove (Ctrl+Shift+M): the keyboard's way to drag a node onto a folder
  void Remove();      // mnuFeedRemove, tbFeedRemove, pmnuFeedRemove
  void MarkRead();    // mnuFeedMarkRead and its twins
  void MarkUnread();  // mnuFeedMarkUnread and its twins

 signals:
  // The arrangement or the store changed: schedule a save.
  void saveRequested();
  // Read marks changed: refill the entry list and update the tray.
  void readMarksChanged();
  // Feeds left the store: refill the entry list, update the tray and the enabled states.
  void feedsRemoved();

 private:
  void ShowRenameRefused(const QString& oldName, const QString& newName, TRenameResult result, bool feed);
  void Mark(bool read);
  TFeedTree& Tree() const;

  QPointer<TFeedTreeView> m_view;
  QPointer<QWidget> m_dialogParent;
  TSyncHooks m_sync;
};

}  // namespace tidewick
