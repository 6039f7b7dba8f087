#pragma once

// The entry list as a Qt table model over the core rows: title, date and feed name, unread entries in the user's
// colour (and bold when colour alone is not wanted), the manual order's mark in its header.

#include <QAbstractTableModel>
#include <QStyledItemDelegate>

#include "entries/entry_list.h"

namespace tidewick {

// True for an unread row that is drawn bold.
inline constexpr int kUnreadBoldRole = Qt::UserRole + 1;
// The star, after the core's columns (so a stored column number keeps its meaning) but shown first.
inline constexpr int kStarColumn = kItemColumnCount;
inline constexpr int kListColumnCount = kItemColumnCount + 1;

// Draws kUnreadBoldRole rows in the bold form of the list's font.
class TEntryListDelegate : public QStyledItemDelegate {
  Q_OBJECT

 public:
  using QStyledItemDelegate::QStyledItemDelegate;

 protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
};

class TEntryListModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  explicit TEntryListModel(QObject* parent = nullptr);

  // Lists the node's entries in the order the settings ask for.
  void Fill(const TListNode& node, const TListFilter& filter = {});
  void Clear();
  // Orders the listed rows again (after a header click or a settings change); rows keep referring to their entries.
  void Sort();
  // The header texts changed (sort mark, language).
  void UpdateColumnHeaders();
  // The row's entry changed its read mark.
  void RowChanged(int row);

  TEntryList& List() { return m_list; }
  // Null for a row outside the list or whose entry vanished.
  TEntry* EntryAt(int row);
  TFeed* FeedAt(int row);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

 private:
  static QVariant StarData(const TEntry& entry, int role);

  mutable TEntryList m_list;  // resolving a row refreshes its cached position
};

}  // namespace tidewick
