#pragma once

// The tree commands the window's actions call: new folder, rename, move to a folder, remove, mark read and unread.
// Questions and messages go through the prompts; the work is the core tree's. The window connects the signals to its
// save, its entry list and its tray.

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
};

}  // namespace tidewick
