#include "ui/main/entry_list_model.h"

#include <algorithm>

#include <QApplication>
#include <QColor>
#include <QFont>
#include <QIcon>
#include <QStyle>
#include <QStyleOptionViewItem>

#include "feeds/entry_title.h"
#include "lang/lang_text.h"
#include "settings/settings.h"
#include "ui/main/entry_date_text.h"
#include "ui/main/text_font.h"
#include "util/colors.h"

namespace tidewick {
namespace {

bool HasAudio(const TEntry& entry) {
  return std::any_of(entry.Enclosures.begin(), entry.Enclosures.end(),
                     [](const TEnclosure& file) { return file.Type.starts_with("audio/"); });
}

// The mark of an entry with files: a speaker when one is audio, else a paperclip; the theme's, else the style's.
QIcon EnclosureMark(bool audio) {
  static const QIcon kAudio =
      QIcon::fromTheme(QStringLiteral("audio-x-generic"), QApplication::style()->standardIcon(QStyle::SP_MediaVolume));
  static const QIcon kFile =
      QIcon::fromTheme(QStringLiteral("mail-attachment"), QApplication::style()->standardIcon(QStyle::SP_FileIcon));
  return audio ? kAudio : kFile;
}

}  // namespace

void TEntryListDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const {
  QStyledItemDelegate::initStyleOption(option, index);
  if (index.data(kUnreadBoldRole).toBool()) {
    option->font.setBold(true);  // the view's own font, only heavier
  }
}

TEntryListModel::TEntryListModel(QObject* parent) : QAbstractTableModel(parent) {}

void TEntryListModel::Fill(const TListNode& node, const TListFilter& filter) {
  beginResetModel();
  m_list.Fill(node, Settings().GroupInFolders, ListOrderFromSettings(Settings()), filter);
  endResetModel();
}

void TEntryListModel::Clear() {
  beginResetModel();
  m_list.Clear();
  endResetModel();
}

void TEntryListModel::Sort() {
  emit layoutAboutToBeChanged();
  m_list.Sort(ListOrderFromSettings(Settings()));
  emit layoutChanged();
}

void TEntryListModel::UpdateColumnHeaders() {
  emit headerDataChanged(Qt::Horizontal, 0, kListColumnCount - 1);
}

void TEntryListModel::RowChanged(int row) {
  if (row >= 0 && row < rowCount()) {
    emit dataChanged(index(row, 0), index(row, kListColumnCount - 1));
  }
}

TEntry* TEntryListModel::EntryAt(int row) {
  return row < 0 ? nullptr : m_list.Item(static_cast<size_t>(row));
}

TFeed* TEntryListModel::FeedAt(int row) {
  return row < 0 ? nullptr : m_list.Feed(static_cast<size_t>(row));
}

int TEntryListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(m_list.Size());
}

int TEntryListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kListColumnCount;
}

QVariant TEntryListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) {
    return {};
  }
  const auto row = static_cast<size_t>(index.row());
  const TEntry* entry = m_list.Item(row);
  if (entry == nullptr) {
    return {};  // a vanished entry shows nothing
  }
  const TSettingsValues& settings = Settings();
  if (index.column() == kStarColumn) {
    return StarData(*entry, role);
  }
  switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
      if (index.column() == kTitleColumn) {
        const QString title = QString::fromStdString(ShownTitle(*entry));
        return role == Qt::AccessibleTextRole && !entry->Enclosures.empty()
                   ? title + QStringLiteral(", ") +
                         QString::fromStdString(GetLangText("Main|lvItemsEnclosureMark", "mit Anhang"))
                   : title;
      }
      if (index.column() == kDateColumn) {
        return EntryDateText(entry->PublishedDate);
      }
      return QString::fromStdString(ShownText(m_list.Feed(row)->Name));
    case Qt::DecorationRole:
      if (index.column() == kTitleColumn && !entry->Enclosures.empty()) {
        return EnclosureMark(HasAudio(*entry));
      }
      return {};
    case Qt::ForegroundRole:
      return entry->IsRead ? QVariant() : QVariant(ToQColor(settings.UnreadColor));
    case kUnreadBoldRole:
      return !entry->IsRead && !settings.UnreadUseColor;
    default:
      return {};
  }
}

QVariant TEntryListModel::StarData(const TEntry& entry, int role) {
  switch (role) {
    case Qt::DisplayRole:
      return entry.Starred ? QString(QChar(0x2605)) : QString();
    case Qt::ForegroundRole:
      return QColor(0xd8, 0x9c, 0x00);
    case Qt::TextAlignmentRole:
      return Qt::AlignCenter;
    case Qt::AccessibleTextRole:
    case Qt::ToolTipRole:
      return entry.Starred ? QString::fromStdString(GetLangText("Main|lvItemsStarred", "Mit Stern")) : QString();
    default:
      return {};
  }
}

QVariant TEntryListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation == Qt::Horizontal && section == kStarColumn && (role == Qt::DisplayRole || role == Qt::ToolTipRole)) {
    return role == Qt::DisplayRole ? QString(QChar(0x2605))
                                   : QString::fromStdString(GetLangText("Main|lvItemsStarred", "Mit Stern"));
  }
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
    return QAbstractTableModel::headerData(section, orientation, role);
  }
  return QString::fromStdString(ColumnHeaderText(section, ListOrderFromSettings(Settings())));
}

}  // namespace tidewick
