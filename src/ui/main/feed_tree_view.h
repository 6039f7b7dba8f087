#pragma once

// The feed tree feedTreeView: shows TFeedTreeModel and keeps the core tree's selection and expanded states in step with
// the view, also for a selection the core made before the first showing or during a rebuild. Label editing starts only
// by F2 or the rename command, for folders and feeds (a double click belongs to the refresh); a node may be dragged
// onto a folder or the root, and the core model does the move.

#include <QPointer>
#include <QTreeView>

#include "tree/feed_tree.h"

class QMimeData;

namespace tidewick {

class TFeedTreeModel;

class TFeedTreeView : public QTreeView {
  Q_OBJECT

 public:
  explicit TFeedTreeView(TFeedTreeModel* model, QWidget* parent = nullptr);

  TFeedTreeModel* TreeModel() const { return m_model; }
  TTreeNode* SelectedNode() const;
  // Opens the label editor on a folder or a feed; false for the root.
  bool EditNode(const TTreeNode* node);
  // What a drag of node carries: this view and the node, so only this tree accepts it.
  QMimeData* MimeDataFor(const TTreeNode* node) const;

 signals:
  // Open the tree's context menu at this global position (right press on a node, or the menu key at the selected node).
  void contextMenuRequested(const QPoint& globalPos);
  // The core's selection moved (by the user or by a rebuild) or the tree around it changed: refill the list,
  // recompute enabled states. Sent once per change, and first at the first showing (for the node selected by then).
  void currentNodeChanged();
  // The arrangement changed (drop, rename, expand or collapse): worth saving.
  void arrangementChanged();
  // A feed node was double-clicked.
  void feedDoubleClicked(quint64 feedId);

 protected:
  void showEvent(QShowEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void startDrag(Qt::DropActions supportedActions) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void ApplyCoreState();
  void ApplyExpanded(const QModelIndex& parent);
  // Shows the core's selected node as current and selected; announces it when it is another node than the one
  // announced last, or always when the tree around it changed.
  void FollowCoreSelection(bool treeChanged);
  void OnCurrentChanged(const QModelIndex& current);
  void OnExpandedChanged(const QModelIndex& index, bool expanded);
  // The dragged node and the node under pos, when the drop is one the tree accepts.
  std::pair<TTreeNode*, TTreeNode*> AcceptedDrop(const QMimeData* mimeData, const QPoint& pos) const;

  TFeedTreeModel* m_model;
  bool m_applying = false;   // changes made to follow the core are not reported back to it
  bool m_shownOnce = false;  // nothing is announced before the first showing, so start-up fills the list once
  const TTreeNode* m_announcedNode = nullptr;  // forgotten at a reset, which replaces every node
};

}  // namespace tidewick
