#include "ui/main/feed_tree_view.h"

#include <algorithm>

#include <QApplication>
#include <QCoreApplication>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QShowEvent>
#include <QStyledItemDelegate>

#include "lang/lang_text.h"
#include "ui/main/feed_tree_model.h"

namespace tidewick {

namespace {

// Names the view a drag comes from: the process and the view, so a drag from elsewhere is never taken for ours.
QByteArray DragSourceToken(const TFeedTreeView* view) {
  return QByteArray::number(QCoreApplication::applicationPid()) + ':' +
         QByteArray::number(reinterpret_cast<quintptr>(view));
}

// A narrow tree cuts the name and keeps the unread count whole: the count is what the user looks for.
class TCaptionDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

 protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
    QStyledItemDelegate::initStyleOption(option, index);
    const QString count = index.data(TFeedTreeModel::kCountSuffixRole).toString();
    if (count.isEmpty() || !option->text.endsWith(count)) {
      return;
    }
    const QWidget* widget = option->widget;
    const QStyle* style = widget != nullptr ? widget->style() : QApplication::style();
    const int margins = 2 * (style->pixelMetric(QStyle::PM_FocusFrameHMargin, option, widget) + 1);
    const int room = style->subElementRect(QStyle::SE_ItemViewItemText, option, widget).width() - margins;
    const QFontMetrics metrics(option->font);
    if (metrics.horizontalAdvance(option->text) <= room) {
      return;
    }
    const QString name = option->text.chopped(count.size());
    option->text =
        metrics.elidedText(name, Qt::ElideRight, std::max(0, room - metrics.horizontalAdvance(count))) + count;
    option->textElideMode = Qt::ElideNone;
  }
};

}  // namespace

TFeedTreeView::TFeedTreeView(TFeedTreeModel* model, QWidget* parent) : QTreeView(parent), m_model(model) {
  setObjectName(QStringLiteral("tvNav"));
  setAccessibleName(QString::fromUtf8(GetLangText("Main|tvNavRootName", "Feeds")));
  setModel(model);
  setItemDelegate(new TCaptionDelegate(this));
  setHeaderHidden(true);
  setUniformRowHeights(true);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);  // a double click refreshes; F2 renames
  setDragEnabled(true);
  setAcceptDrops(true);
  setDropIndicatorShown(false);
  setDragDropMode(QAbstractItemView::DragDrop);
  setDefaultDropAction(Qt::MoveAction);
  setContextMenuPolicy(Qt::PreventContextMenu);  // opened on the right press and the menu key instead

  connect(model, &TFeedTreeModel::structureChanged, this, &TFeedTreeView::ApplyCoreState);
  connect(model, &TFeedTreeModel::selectedNodeChanged, this, [this] { FollowCoreSelection(false); });
  connect(model, &QAbstractItemModel::modelAboutToBeReset, this, [this] { m_announcedNode = nullptr; });
  connect(model, &TFeedTreeModel::folderRenamed, this, &TFeedTreeView::arrangementChanged);
  connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& current) { OnCurrentChanged(current); });
  connect(this, &QTreeView::expanded, this, [this](const QModelIndex& index) { OnExpandedChanged(index, true); });
  connect(this, &QTreeView::collapsed, this, [this](const QModelIndex& index) { OnExpandedChanged(index, false); });
  ApplyCoreState();
}

TTreeNode* TFeedTreeView::SelectedNode() const {
  return m_model->Tree().Selected();
}

bool TFeedTreeView::EditNode(const TTreeNode* node) {
  if (!m_model->Tree().CanRename(node)) {
    return false;
  }
  const QModelIndex index = m_model->IndexOf(node);
  scrollTo(index);
  return edit(index, QAbstractItemView::AllEditTriggers, nullptr);
}

void TFeedTreeView::ApplyCoreState() {
  const bool wasApplying = m_applying;
  m_applying = true;
  ApplyExpanded(QModelIndex());
  m_applying = wasApplying;
  FollowCoreSelection(true);
}

void TFeedTreeView::ApplyExpanded(const QModelIndex& parent) {
  for (int row = 0; row < m_model->rowCount(parent); ++row) {
    const QModelIndex index = m_model->index(row, 0, parent);
    const TTreeNode* node = m_model->NodeOf(index);
    if (node->ChildCount() > 0) {
      setExpanded(index, node->Expanded());
      ApplyExpanded(index);
    }
  }
}

void TFeedTreeView::FollowCoreSelection(bool treeChanged) {
  const TTreeNode* node = SelectedNode();
  const bool wasApplying = m_applying;
  m_applying = true;
  // The core expands the ancestors of a selected node; show that.
  for (const TTreeNode* above = node ? node->Parent() : nullptr; above; above = above->Parent()) {
    setExpanded(m_model->IndexOf(above), above->Expanded());
  }
  // Current and selected both: a current index alone is not highlighted.
  const QModelIndex index = m_model->IndexOf(node);
  if (currentIndex() != index || (index.isValid() && !selectionModel()->isSelected(index))) {
    selectionModel()->setCurrentIndex(
        index, index.isValid() ? QItemSelectionModel::ClearAndSelect : QItemSelectionModel::Clear);
  }
  if (index.isValid()) {
    scrollTo(index);
  }
  m_applying = wasApplying;
  // A rebuild reports its structure and then its selection: the list hears of it once.
  if (!m_shownOnce || (!treeChanged && node == m_announcedNode)) {
    return;
  }
  m_announcedNode = node;
  emit currentNodeChanged();
}

void TFeedTreeView::OnCurrentChanged(const QModelIndex& current) {
  if (!m_applying && current.isValid()) {
    m_model->Tree().Select(m_model->NodeOf(current));  // comes back through FollowCoreSelection
  }
}

void TFeedTreeView::OnExpandedChanged(const QModelIndex& index, bool expanded) {
  TTreeNode* node = m_model->NodeOf(index);
  if (m_applying || !node || node->Expanded() == expanded) {
    return;
  }
  m_model->Tree().SetExpanded(node, expanded);
  emit arrangementChanged();
}

void TFeedTreeView::showEvent(QShowEvent* event) {
  QTreeView::showEvent(event);
  if (!m_shownOnce) {
    // Whatever the start selected (the stored node, the welcome feed) is shown and listed from here on.
    m_shownOnce = true;
    FollowCoreSelection(true);
  }
}

void TFeedTreeView::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_F2 && event->modifiers() == Qt::NoModifier) {
    EditNode(SelectedNode());
    event->accept();
    return;
  }
  if (event->key() == Qt::Key_Menu) {
    if (const QModelIndex index = m_model->IndexOf(SelectedNode()); index.isValid()) {
      scrollTo(index);
      emit contextMenuRequested(viewport()->mapToGlobal(visualRect(index).bottomLeft()));
    }
    event->accept();
    return;
  }
  QTreeView::keyPressEvent(event);
}

void TFeedTreeView::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::RightButton) {
    QTreeView::mousePressEvent(event);
    return;
  }
  const QModelIndex index = indexAt(event->position().toPoint());
  if (index.isValid()) {
    setCurrentIndex(index);
    emit contextMenuRequested(event->globalPosition().toPoint());
  }
  event->accept();
}

void TFeedTreeView::mouseDoubleClickEvent(QMouseEvent* event) {
  QTreeView::mouseDoubleClickEvent(event);
  const TTreeNode* node = m_model->NodeOf(indexAt(event->position().toPoint()));
  if (event->button() == Qt::LeftButton && node && node->IsFeed()) {
    emit feedDoubleClicked(node->FeedId());
  }
}

QMimeData* TFeedTreeView::MimeDataFor(const TTreeNode* node) const {
  auto* mimeData = new QMimeData;  // owned by the drag (or the caller) that takes it
  if (node) {
    const std::string path = m_model->Tree().NodePath(node, false);
    mimeData->setData(QString::fromLatin1(TFeedTreeModel::kNodeMimeType),
                      DragSourceToken(this) + '\n' + QByteArray::number(node->FeedId()) + '\n' +
                          QByteArray(path.data(), static_cast<qsizetype>(path.size())));
  }
  return mimeData;
}

std::pair<TTreeNode*, TTreeNode*> TFeedTreeView::AcceptedDrop(const QMimeData* mimeData, const QPoint& pos) const {
  const QString format = QString::fromLatin1(TFeedTreeModel::kNodeMimeType);
  if (!mimeData || !mimeData->hasFormat(format)) {
    return {};
  }
  const QByteArray payload = mimeData->data(format);
  const qsizetype firstBreak = payload.indexOf('\n');
  const qsizetype secondBreak = payload.indexOf('\n', firstBreak + 1);
  if (firstBreak < 0 || secondBreak < 0 || payload.left(firstBreak) != DragSourceToken(this)) {
    return {};
  }
  // Found again by feed or by path, so a tree rebuilt during the drag cannot leave a stale node behind.
  const TFeedTree& tree = m_model->Tree();
  const quint64 feedId = payload.mid(firstBreak + 1, secondBreak - firstBreak - 1).toULongLong();
  const QByteArray path = payload.mid(secondBreak + 1);
  TTreeNode* dragged =
      feedId != 0 ? tree.FindFeedNode(feedId) : tree.FindFolderPath(std::string_view(path.constData(), path.size()));
  TTreeNode* target = m_model->NodeOf(indexAt(pos));
  if (!tree.CanDrop(dragged, target)) {
    return {};
  }
  return {dragged, target};
}

void TFeedTreeView::startDrag(Qt::DropActions /*supportedActions*/) {
  const TTreeNode* node = SelectedNode();
  if (!node || node->IsRoot() || node->IsStarred() || node->InAccount()) {
    return;
  }
  auto* drag = new QDrag(this);
  drag->setMimeData(MimeDataFor(node));
  drag->setPixmap(m_model->NodeIcon(node->Image(), node->HasErrorMark()).pixmap(16, 16));
  // The drop itself moves the node in the core model; nothing is left to remove here.
  drag->exec(Qt::MoveAction);
  drag->deleteLater();
}

void TFeedTreeView::dragEnterEvent(QDragEnterEvent* event) {
  const QByteArray payload = event->mimeData()->data(QString::fromLatin1(TFeedTreeModel::kNodeMimeType));
  if (payload.startsWith(DragSourceToken(this) + '\n')) {
    event->acceptProposedAction();
  } else {
    event->ignore();
  }
}

void TFeedTreeView::dragMoveEvent(QDragMoveEvent* event) {
  if (AcceptedDrop(event->mimeData(), event->position().toPoint()).first) {
    event->setDropAction(Qt::MoveAction);
    event->accept();
  } else {
    event->ignore();
  }
}

void TFeedTreeView::dropEvent(QDropEvent* event) {
  const auto [dragged, target] = AcceptedDrop(event->mimeData(), event->position().toPoint());
  if (!dragged || !m_model->Tree().DropNode(dragged, target)) {
    event->ignore();
    return;
  }
  event->setDropAction(Qt::MoveAction);
  event->accept();
  emit arrangementChanged();
}

}  // namespace tidewick
