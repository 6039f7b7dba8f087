#pragma once

// The small always-on-top window in the screen corner that lists the unread entries while the program runs in the
// background. It never takes the focus from what the user is doing.

#include <vector>

#include <QAbstractTableModel>
#include <QWidget>

#include "ui/main/translated_label.h"
#include "ui/rules/tray_state.h"

class QStatusBar;
class QTreeView;

namespace tidewick {

class TPopupRowsModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  using QAbstractTableModel::QAbstractTableModel;

  void SetRows(std::vector<TPopupRow> rows);
  const TPopupRow* Row(int row) const;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;

 private:
  std::vector<TPopupRow> m_rows;
};

class TPopupWindow : public QWidget {
  Q_OBJECT

 public:
  explicit TPopupWindow(QWidget* parent = nullptr);

  // Fills the list, counts unreadCount entries (the rows may be fewer), sizes the window (fitted into `available`)
  // and places it in the bottom-right corner of `available` (a screen's available geometry, whose origin need not be
  // 0,0), then shows it without activating it.
  void ShowRows(std::vector<TPopupRow> rows, int unreadCount, const QSize& size, const QRect& available);

  static QPoint CornerPosition(const QRect& available, const QSize& size);

  QTreeView* entryListView = nullptr;
  QStatusBar* sbItems = nullptr;

 signals:
  // A double click: the program should come back; with a row, its feed and entry should be selected.
  void restoreRequested();
  void entryRequested(quint64 feedId, const QString& title);
  // Every close, however it happened, with the size to remember.
  void closedWithSize(const QSize& size);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void Activate(const QModelIndex& index);
  void ApplyLanguage();

  TPopupRowsModel* m_model = nullptr;
  TTranslatedLabel* m_countLabel = nullptr;
};

}  // namespace tidewick
