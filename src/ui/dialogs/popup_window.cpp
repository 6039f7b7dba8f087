#include "ui/dialogs/popup_window.h"

#include <QCloseEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QStatusBar>
#include <QTreeView>
#include <QVBoxLayout>

#include "feeds/entry_title.h"
#include "lang/lang_text.h"
#include "ui/main/entry_date_text.h"
#include "ui/rules/window_placement.h"

namespace tidewick {

void TPopupRowsModel::SetRows(std::vector<TPopupRow> rows) {
  beginResetModel();
  m_rows = std::move(rows);
  endResetModel();
}

const TPopupRow* TPopupRowsModel::Row(int row) const {
  return row >= 0 && row < static_cast<int>(m_rows.size()) ? &m_rows[static_cast<std::size_t>(row)] : nullptr;
}

int TPopupRowsModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int TPopupRowsModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : 3;
}

QVariant TPopupRowsModel::data(const QModelIndex& index, int role) const {
  const TPopupRow* row = Row(index.row());
  if (row == nullptr || (role != Qt::DisplayRole && role != Qt::AccessibleTextRole))
    return {};
  switch (index.column()) {
    case 0:
      return QString::fromStdString(ShownText(row->Title));  // the row keeps the whole title to find its entry by
    case 1:
      return EntryDateText(row->PublishedDate);
    default:
      return QString::fromStdString(ShownText(row->FeedName));
  }
}

TPopupWindow::TPopupWindow(QWidget* parent) : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint) {
  setObjectName(QStringLiteral("frmPopUp"));
  setWindowTitle(QStringLiteral("Tidewick"));
  setAttribute(Qt::WA_ShowWithoutActivating);
  setWindowOpacity(200.0 / 255.0);

  m_model = new TPopupRowsModel(this);
  entryListView = new QTreeView(this);
  entryListView->setObjectName(QStringLiteral("lvItems"));
  entryListView->setModel(m_model);
  entryListView->setHeaderHidden(true);
  entryListView->setRootIsDecorated(false);
  entryListView->setUniformRowHeights(true);
  entryListView->setSelectionBehavior(QAbstractItemView::SelectRows);
  entryListView->setEditTriggers(QAbstractItemView::NoEditTriggers);
  // Only the title is readable; date and feed travel along for the double click.
  entryListView->header()->setStretchLastSection(false);
  entryListView->header()->setSectionResizeMode(0, QHeaderView::Stretch);
  entryListView->header()->setMinimumSectionSize(1);
  entryListView->header()->resizeSection(1, 1);
  entryListView->header()->resizeSection(2, 1);
  entryListView->viewport()->installEventFilter(this);
  connect(entryListView, &QTreeView::doubleClicked, this, &TPopupWindow::Activate);

  sbItems = new QStatusBar(this);
  sbItems->setObjectName(QStringLiteral("sbItems"));
  sbItems->setSizeGripEnabled(true);
  m_countLabel = new TTranslatedLabel(sbItems);
  m_countLabel->setTextFormat(Qt::PlainText);
  sbItems->addWidget(m_countLabel, 1);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(entryListView);
  layout->addWidget(sbItems);
  ApplyLanguage();
}

void TPopupWindow::ApplyLanguage() {
  entryListView->setAccessibleName(QString::fromStdString(GetLangText("PopUp|lvItemsUnread", "Ungelesene Einträge")));
  sbItems->setAccessibleName(QString::fromStdString(GetLangText("Main|sbMainAccessible", "Status")));
}

void TPopupWindow::changeEvent(QEvent* event) {
  if (event->type() == QEvent::LanguageChange) {
    ApplyLanguage();
  }
  QWidget::changeEvent(event);
}

QPoint TPopupWindow::CornerPosition(const QRect& available, const QSize& size) {
  return {available.x() + available.width() - size.width(), available.y() + available.height() - size.height()};
}

void TPopupWindow::ShowRows(std::vector<TPopupRow> rows, int unreadCount, const QSize& size, const QRect& available) {
  m_model->SetRows(std::move(rows));
  // Unread entries, not only those of the last refresh: calling them new would be wrong.
  m_countLabel->SetMadeText([unreadCount] {
    return QString::fromStdString(
        GetLangText("PopUp|sbItemsUnread", "Ungelesene Einträge: %s1%", std::to_string(unreadCount)));
  });
  // A stored size larger than the screen would put the window's top left off it.
  const TWindowRect fitted =
      FitWindowSize({0, 0, size.width(), size.height()}, {0, 0, available.width(), available.height()});
  const QSize shown(fitted.Width, fitted.Height);
  resize(shown);
  move(CornerPosition(available, shown));
  show();
  raise();
}

void TPopupWindow::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    close();
    return;
  }
  QWidget::keyPressEvent(event);
}

void TPopupWindow::closeEvent(QCloseEvent* event) {
  emit closedWithSize(size());
  QWidget::closeEvent(event);
}

void TPopupWindow::mouseDoubleClickEvent(QMouseEvent* event) {
  Activate({});
  event->accept();
}

bool TPopupWindow::eventFilter(QObject* watched, QEvent* event) {
  // A double click below the last row counts as one on the window's free area.
  if (watched == entryListView->viewport() && event->type() == QEvent::MouseButtonDblClick) {
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (!entryListView->indexAt(mouse->position().toPoint()).isValid()) {
      Activate({});
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void TPopupWindow::Activate(const QModelIndex& index) {
  const TPopupRow* row = index.isValid() ? m_model->Row(index.row()) : nullptr;
  const TPopupRow chosen = row != nullptr ? *row : TPopupRow{};
  close();
  emit restoreRequested();
  if (row != nullptr)
    emit entryRequested(chosen.FeedId, QString::fromStdString(chosen.Title));
}

}  // namespace tidewick
