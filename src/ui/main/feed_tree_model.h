#pragma once

// The feed tree as a Qt item model: one column over the core TFeedTree, whose nodes are the index pointers. The core
// tells the model of every change through its hooks; the model never changes the tree on its own except for a
// rename committed by the label editor.

#include <array>

#include <QAbstractItemModel>
#include <QIcon>

#include "tree/feed_tree.h"

namespace tidewick {

class TFeedTreeModel : public QAbstractItemModel {
  Q_OBJECT

 public:
  // The mime type of a node dragged inside the tree.
  static constexpr const char* kNodeMimeType = "application/x-tidewick-tree-node";
  // The unread count the caption ends with (" [12]"), empty when it shows none: the view elides the name, never it.
  static constexpr int kCountSuffixRole = Qt::UserRole + 1;

  // Takes the tree's hooks and orders its names with the user's collation (case-insensitive, numbers by value).
  explicit TFeedTreeModel(TFeedTree& tree, QObject* parent = nullptr);
  ~TFeedTreeModel() override;

  TFeedTree& Tree() const { return m_tree; }
  TTreeNode* NodeOf(const QModelIndex& index) const;
  QModelIndex IndexOf(const TTreeNode* node) const;
  // The picture for an image number (0-5) with or without the error mark.
  QIcon NodeIcon(int image, bool errorMark) const;

  QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
  QModelIndex parent(const QModelIndex& child) const override;
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  QStringList mimeTypes() const override;
  Qt::DropActions supportedDropActions() const override;
  Qt::DropActions supportedDragActions() const override;

 signals:
  // After a rebuild or after nodes were added, moved or re-sorted: the view re-applies the expanded states.
  void structureChanged();
  void selectedNodeChanged();
  // A folder or a feed was renamed through the label editor.
  void folderRenamed();
  // The label editor's text was refused; oldName and newName for the message, feed when a feed was renamed.
  void renameRefused(const QString& oldName, const QString& newName, tidewick::TRenameResult result, bool feed);

 private:
  void BeginReset();
  void EndReset();
  void EmitAllCaptionsChanged();
  void BeforeLayoutChange();
  void AfterLayoutChange();
  void EmitCaptionsChanged(const TTreeNode* parent);

  TFeedTree& m_tree;
  QModelIndexList m_layoutIndexes;
  std::vector<const TTreeNode*> m_layoutNodes;
  mutable std::array<QIcon, 2 * (kImageStarredUnread + 1)> m_icons;
};

}  // namespace tidewick
