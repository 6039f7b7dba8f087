#include "ui/main/feed_tree_model.h"

#include <QApplication>
#include <QCollator>
#include <QFont>
#include <QPainter>
#include <QPixmap>
#include <QPointer>
#include <QStyle>

#include "feeds/entry_title.h"
#include "feeds/feed_records.h"
#include "lang/lang_text.h"
#include "update/refresh_policy.h"

namespace tidewick {

namespace {

QString ToQString(const std::string& text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QStyle::StandardPixmap BasePicture(int image) {
  switch (image) {
    case kImageRoot:
    case kImageRootUnread:
      return QStyle::SP_DriveNetIcon;
    case kImageFeed:
    case kImageFeedUnread:
      return QStyle::SP_FileIcon;
    default:
      return QStyle::SP_DirClosedIcon;
  }
}

// The style's picture (for the Starred node a drawn star), with a blue dot for unread entries (odd image numbers) and
// a red "!" badge for the error mark.
QIcon PaintIcon(int image, bool errorMark) {
  constexpr int kSize = 16;
  const bool starred = image == kImageStarred || image == kImageStarredUnread;
  QPixmap pixmap = starred ? QPixmap() : QApplication::style()->standardIcon(BasePicture(image)).pixmap(kSize, kSize);
  if (pixmap.isNull()) {
    pixmap = QPixmap(kSize, kSize);
    pixmap.fill(Qt::transparent);
  }
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  if (starred) {
    painter.setPen(QColor(0xd8, 0x9c, 0x00));
    QFont font = painter.font();
    font.setPixelSize(kSize - 2);
    painter.setFont(font);
    painter.drawText(QRectF(0, 0, kSize, kSize), Qt::AlignCenter, QString(QChar(0x2605)));
    painter.setPen(Qt::NoPen);
  }
  painter.setPen(Qt::NoPen);
  if (image % 2 == 1) {
    painter.setBrush(QColor(0x1e, 0x6f, 0xd9));
    painter.drawEllipse(QRectF(kSize - 7, 0, 7, 7));
  }
  if (errorMark) {
    painter.setBrush(QColor(0xd0, 0x21, 0x21));
    const QRectF badge(kSize - 9, kSize - 9, 9, 9);
    painter.drawEllipse(badge);
    painter.setPen(Qt::white);
    QFont font = painter.font();
    font.setPixelSize(8);
    font.setBold(true);
    painter.setFont(font);
    painter.drawText(badge, Qt::AlignCenter, QStringLiteral("!"));
  }
  return QIcon(pixmap);
}

}  // namespace

TFeedTreeModel::TFeedTreeModel(TFeedTree& tree, QObject* parent) : QAbstractItemModel(parent), m_tree(tree) {
  // Guarded, so neither the tree nor the model has to outlive the other for the hooks to be safe.
  const QPointer<TFeedTreeModel> self(this);
  auto call = [self](void (TFeedTreeModel::*method)()) {
    return [self, method] {
      if (self) {
        (self.data()->*method)();
      }
    };
  };
  m_tree.SetHooks({.BeforeReset = call(&TFeedTreeModel::BeginReset),
                   .AfterReset = call(&TFeedTreeModel::EndReset),
                   .BeforeLayoutChange = call(&TFeedTreeModel::BeforeLayoutChange),
                   .AfterLayoutChange = call(&TFeedTreeModel::AfterLayoutChange),
                   .CaptionsChanged = call(&TFeedTreeModel::EmitAllCaptionsChanged),
                   .SelectionChanged = call(&TFeedTreeModel::selectedNodeChanged)});
  auto collator = std::make_shared<QCollator>();
  collator->setCaseSensitivity(Qt::CaseInsensitive);
  collator->setNumericMode(true);
  m_tree.SetNameCompare([collator](std::string_view a, std::string_view b) {
    return collator->compare(QString::fromUtf8(a.data(), static_cast<qsizetype>(a.size())),
                             QString::fromUtf8(b.data(), static_cast<qsizetype>(b.size())));
  });
}

TFeedTreeModel::~TFeedTreeModel() = default;

void TFeedTreeModel::BeginReset() {
  beginResetModel();
}

void TFeedTreeModel::EndReset() {
  endResetModel();
  emit structureChanged();
}

void TFeedTreeModel::EmitAllCaptionsChanged() {
  EmitCaptionsChanged(nullptr);
}

TTreeNode* TFeedTreeModel::NodeOf(const QModelIndex& index) const {
  return index.isValid() ? static_cast<TTreeNode*>(index.internalPointer()) : nullptr;
}

QModelIndex TFeedTreeModel::IndexOf(const TTreeNode* node) const {
  return node ? createIndex(node->Row(), 0, const_cast<TTreeNode*>(node)) : QModelIndex();
}

QModelIndex TFeedTreeModel::index(int row, int column, const QModelIndex& parent) const {
  if (column != 0 || row < 0) {
    return {};
  }
  if (!parent.isValid()) {
    return row == 0 && m_tree.Root() ? IndexOf(m_tree.Root()) : QModelIndex();
  }
  const TTreeNode* child = NodeOf(parent)->Child(row);
  return child ? IndexOf(child) : QModelIndex();
}

QModelIndex TFeedTreeModel::parent(const QModelIndex& child) const {
  const TTreeNode* node = NodeOf(child);
  return node ? IndexOf(node->Parent()) : QModelIndex();
}

int TFeedTreeModel::rowCount(const QModelIndex& parent) const {
  if (!parent.isValid()) {
    return m_tree.Root() ? 1 : 0;
  }
  return parent.column() == 0 ? NodeOf(parent)->ChildCount() : 0;
}

int TFeedTreeModel::columnCount(const QModelIndex& /*parent*/) const {
  return 1;
}

QVariant TFeedTreeModel::headerData(int section, Qt::Orientation orientation, int role) const {
  // The header is hidden, but screen readers still name the column: the section number is no name.
  if (section == 0 && orientation == Qt::Horizontal && (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)) {
    return ToQString(GetLangText("Main|tvNavAccessible", "Feed-Baum"));
  }
  return QAbstractItemModel::headerData(section, orientation, role);
}

QIcon TFeedTreeModel::NodeIcon(int image, bool errorMark) const {
  const int known = std::clamp(image, 0, kImageStarredUnread);
  const size_t slot = static_cast<size_t>(known) * 2 + (errorMark ? 1 : 0);
  if (m_icons[slot].isNull()) {
    m_icons[slot] = PaintIcon(known, errorMark);
  }
  return m_icons[slot];
}

QVariant TFeedTreeModel::data(const QModelIndex& index, int role) const {
  const TTreeNode* node = NodeOf(index);
  if (!node) {
    return {};
  }
  switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
      return ToQString(ShownText(node->Caption()));
    case Qt::EditRole:
      return ToQString(node->Name());
    case kCountSuffixRole:
      if (node->Caption().size() > node->Name().size() && node->Caption().starts_with(node->Name())) {
        return ToQString(node->Caption().substr(node->Name().size()));
      }
      return QString();
    case Qt::DecorationRole:
      return NodeIcon(node->Image(), node->HasErrorMark());
    case Qt::FontRole:
      if (node->IsRoot()) {
        QFont bold;
        bold.setBold(true);
        return bold;
      }
      return {};
    case Qt::ToolTipRole:
    case Qt::AccessibleDescriptionRole:
      if (const int position = node->IsFeed() ? FindFeedById(node->FeedId()) : -1; position >= 0) {
        // A feed's own hint may name addresses from the server: shown as plain text, never as markup.
        const QString hint = ToQString(ShownText(FeedHintText(Feeds[static_cast<size_t>(position)])));
        if (hint.isEmpty()) {
          return {};
        }
        if (role == Qt::AccessibleDescriptionRole || !(hint.contains(u'<') || hint.contains(u'&'))) {
          return hint;
        }
        return QString(QStringLiteral("<qt>") + hint.toHtmlEscaped().replace('\n', QStringLiteral("<br>")) +
                       QStringLiteral("</qt>"));
      }
      if (!node->ErrorText().empty()) {
        // The reason of an account's failed sync may quote its server: plain text.
        const QString reason = ToQString(ShownText(node->ErrorText()));
        return role == Qt::AccessibleDescriptionRole || !(reason.contains(u'<') || reason.contains(u'&'))
                   ? reason
                   : QString(QStringLiteral("<qt>") + reason.toHtmlEscaped() + QStringLiteral("</qt>"));
      }
      if (node->HasErrorMark()) {
        return ToQString(GetLangText("Main|tvNavRefreshErr", "Dieses Feed konnte nicht aktualisiert werden!"));
      }
      return {};
    default:
      return {};
  }
}

bool TFeedTreeModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  TTreeNode* node = NodeOf(index);
  if (role != Qt::EditRole || !m_tree.CanRename(node)) {
    return false;
  }
  const QString oldName = ToQString(node->Name());
  const QString newName = value.toString();
  const QByteArray utf8 = newName.toUtf8();
  const bool feed = node->IsFeed();
  const TRenameResult result = m_tree.RenameNode(node, std::string_view(utf8.constData(), utf8.size()));
  if (result == TRenameResult::Renamed) {
    emit folderRenamed();
  } else if (result == TRenameResult::InvalidName || result == TRenameResult::NameTaken) {
    emit renameRefused(oldName, newName, result, feed);
  }
  return result == TRenameResult::Renamed;
}

Qt::ItemFlags TFeedTreeModel::flags(const QModelIndex& index) const {
  const TTreeNode* node = NodeOf(index);
  if (!node) {
    return Qt::NoItemFlags;
  }
  Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
  if (m_tree.CanRename(node)) {
    flags |= Qt::ItemIsEditable;
  }
  // An account's server cannot move: nothing of it is dragged, nothing dropped into it.
  if (!node->IsRoot() && !node->IsStarred() && !node->InAccount()) {
    flags |= Qt::ItemIsDragEnabled;
  }
  if (!node->IsFeed() && !node->IsStarred() && !node->InAccount()) {
    flags |= Qt::ItemIsDropEnabled;
  }
  return flags;
}

QStringList TFeedTreeModel::mimeTypes() const {
  return {QString::fromLatin1(kNodeMimeType)};
}

Qt::DropActions TFeedTreeModel::supportedDropActions() const {
  return Qt::MoveAction;
}

Qt::DropActions TFeedTreeModel::supportedDragActions() const {
  return Qt::MoveAction;
}

void TFeedTreeModel::BeforeLayoutChange() {
  emit layoutAboutToBeChanged();
  // Nodes survive a layout change; only their rows move.
  m_layoutIndexes = persistentIndexList();
  m_layoutNodes.clear();
  for (const QModelIndex& index : m_layoutIndexes) {
    m_layoutNodes.push_back(NodeOf(index));
  }
}

void TFeedTreeModel::AfterLayoutChange() {
  QModelIndexList moved;
  for (const TTreeNode* node : m_layoutNodes) {
    moved.push_back(IndexOf(node));
  }
  changePersistentIndexList(m_layoutIndexes, moved);
  m_layoutIndexes.clear();
  m_layoutNodes.clear();
  emit layoutChanged();
  emit structureChanged();
}

void TFeedTreeModel::EmitCaptionsChanged(const TTreeNode* parent) {
  if (!parent) {
    if (m_tree.Root()) {
      const QModelIndex root = IndexOf(m_tree.Root());
      emit dataChanged(root, root);
      EmitCaptionsChanged(m_tree.Root());
    }
    return;
  }
  if (parent->ChildCount() == 0) {
    return;
  }
  emit dataChanged(IndexOf(parent->Child(0)), IndexOf(parent->Child(parent->ChildCount() - 1)));
  for (int row = 0; row < parent->ChildCount(); ++row) {
    if (parent->Child(row)->ChildCount() > 0) {
      EmitCaptionsChanged(parent->Child(row));
    }
  }
}

}  // namespace tidewick
