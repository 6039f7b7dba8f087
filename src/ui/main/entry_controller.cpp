#include "ui/main/entry_controller.h"

#include <algorithm>

#include <QClipboard>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QScrollBar>
#include <QTreeView>

#include "feeds/entry_title.h"
#include "lang/lang_text.h"
#include "settings/settings.h"
#include "ui/main/empty_list_notice.h"
#include "ui/main/entry_browser.h"
#include "ui/main/entry_date_text.h"
#include "ui/main/entry_list_model.h"
#include "ui/main/entry_view.h"
#include "ui/main/lang_qstring.h"
#include "ui/main/link_opener.h"
#include "ui/main/ui_prompts.h"
#include "util/case_fold.h"
#include "util/strings.h"

namespace tidewick {
namespace {

constexpr int kSideColumnWidth = 125;

// 125 pixels hold a date and a time in small fonts; a larger font widens the date column so both show whole.
int DateColumnWidth(const QWidget& list) {
  const QFontMetrics metrics = list.fontMetrics();
  return std::max(kSideColumnWidth, metrics.horizontalAdvance(WideEntryDateSample()) + 2 * metrics.averageCharWidth());
}

// The address a page link names: after the last line break, trimmed.
std::string PageLinkText(const QUrl& url) {
  const std::string text = url.toString().toStdString();
  const size_t lastBreak = text.find_last_of("\r\n");
  return Trim(lastBreak == std::string::npos ? std::string_view(text) : std::string_view(text).substr(lastBreak + 1));
}

// A search's outcome for the status bar. The search text goes in after the lookup, so it is never expanded as a
// placeholder, and is cut so a long one cannot widen the window.
QString SearchReport(TSearchStep step, bool found, const QString& searchText) {
  std::string text;
  if (found) {
    text = GetLangText("Main|sbMainSearchFound", "\"%s1%\" gefunden.");
  } else if (step == TSearchStep::First) {
    text = GetLangText("Main|sbMainSearchNotFound", "\"%s1%\" nicht gefunden.");
  } else {
    text = GetLangText("Main|sbMainSearchNoMore", "Keine weiteren Treffer für \"%s1%\".");
  }
  constexpr qsizetype kShownCharacters = 40;
  QString shown = searchText;
  if (shown.size() > kShownCharacters) {
    const bool splitsPair = shown.at(kShownCharacters - 1).isHighSurrogate();
    shown = shown.left(kShownCharacters - (splitsPair ? 1 : 0)) + QChar(0x2026);
  }
  return QString::fromStdString(text).replace(QStringLiteral("%s1%"), shown);
}

}  // namespace

TEntryController::TEntryController(const TEntryControllerWidgets& widgets, TEntryControllerHooks hooks, QObject* parent)
    : QObject(parent), m_list(widgets.entryListView), m_hooks(std::move(hooks)) {
  m_model = new TEntryListModel(this);
  m_list->setModel(m_model);
  m_list->setItemDelegate(new TEntryListDelegate(m_list));
  m_list->setSelectionMode(QAbstractItemView::SingleSelection);
  m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
  m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
  m_list->setRootIsDecorated(false);
  m_list->setAllColumnsShowFocus(true);
  m_list->setSortingEnabled(false);
  QHeaderView* header = m_list->header();
  header->setStretchLastSection(false);
  header->setSectionResizeMode(kTitleColumn, QHeaderView::Stretch);  // the title takes the free width
  header->resizeSection(kDateColumn, DateColumnWidth(*m_list));
  header->resizeSection(kFeedColumn, kSideColumnWidth);
  header->setSectionResizeMode(kStarColumn, QHeaderView::Fixed);
  header->resizeSection(kStarColumn, m_list->fontMetrics().horizontalAdvance(QChar(0x2605)) * 2 + 8);
  header->moveSection(kStarColumn, 0);  // shown first, numbered last
  connect(header, &QHeaderView::sectionClicked, this, [this](int column) { OnHeaderClicked(column); });

  m_view = new TEntryView(
      {widgets.titleLinkLabel, widgets.dateField, widgets.bylineLabel, widgets.entryTextView, widgets.entryHtmlView},
      this);
  connect(m_view, &TEntryView::TitleLinkClicked, this, [this] { OpenShownLink(); });
  m_page = widgets.entryHtmlView;
  connect(m_page, &TEntryBrowser::AlwaysLoadImages, this, [this](uint64_t feedId) {
    if (const int index = FindFeedById(feedId); index >= 0) {
      Feeds[static_cast<size_t>(index)].LoadImages = true;
      Call(m_hooks.ScheduleSave);
    }
  });
  connect(m_view, &TEntryView::TitleLinkRightPressed, this, [this] { CopyLink(); });
  connect(widgets.entryHtmlView, &QTextBrowser::anchorClicked, this, [this](const QUrl& url) {
    const std::string link = PageLinkText(url);
    if (link.empty() || SameAsciiIgnoringCase(link, "about:blank")) {
      return;
    }
    const std::optional<int> row = SelectedRow();
    const TFeed* feed = row ? m_model->FeedAt(*row) : nullptr;
    OpenEntryLink(m_list->window(), link, feed ? std::optional<uint64_t>(feed->Id) : std::nullopt);
  });

  connect(m_list->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] { OnSelectionChanged(); });
  // Links open on a double click or Enter only; "activated" may fire on a single click.
  connect(m_list, &QAbstractItemView::clicked, this, [this](const QModelIndex& index) {
    if (index.column() == kStarColumn) {
      ToggleStar();  // the click selected the row first
    }
  });
  connect(m_list, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) {
    if (index.isValid()) {
      OpenSelectedLink();
    }
  });
  m_list->installEventFilter(this);
  m_emptyNotice = new TEmptyListNotice(m_list, [this] { Call(m_hooks.TurnOnGrouping); });
  ApplyListSortMode();
}

void TEntryController::FillList(bool keepReading) {
  const TListFilter filter = Filter(keepReading);
  m_model->Fill(m_node, filter);
  m_emptyNotice->Show(
      EmptyListReason(m_node, Settings().GroupInFolders, filter.UnreadOnly, static_cast<size_t>(m_model->rowCount())));
}

void TEntryController::Call(const std::function<void()>& hook) const {
  if (hook) {
    hook();
  }
}

std::optional<int> TEntryController::SelectedRow() const {
  const QModelIndexList rows = m_list->selectionModel()->selectedRows();
  return rows.size() == 1 ? std::optional<int>(rows.front().row()) : std::nullopt;
}

void TEntryController::ShowNode(const TListNode& node) {
  m_node = node;
  m_quietSelection = true;
  FillList(false);
  m_quietSelection = false;
  m_reading.reset();
  m_view->Clear();
  Call(m_hooks.SelectionChanged);
}

void TEntryController::Refill() {
  m_quietSelection = true;
  FillList(true);
  RestoreReading();
  m_quietSelection = false;
  Call(m_hooks.SelectionChanged);
}

void TEntryController::RefillForFeeds(const std::vector<uint64_t>& feedIds) {
  if (!ListsAnyOf(feedIds)) {
    return;
  }
  const std::optional<TEntryIdentity> top = TopEntry();
  const int scrolled = m_list->verticalScrollBar()->value();
  m_quietSelection = true;
  FillList(true);
  RestoreReading(false);
  m_quietSelection = false;
  const std::optional<size_t> topRow = top ? m_model->List().FindRow(*top) : std::nullopt;
  if (topRow) {
    m_list->scrollTo(m_model->index(static_cast<int>(*topRow), 0), QAbstractItemView::PositionAtTop);
  } else {
    m_list->verticalScrollBar()->setValue(scrolled);
  }
  Call(m_hooks.SelectionChanged);
}

bool TEntryController::ListsAnyOf(const std::vector<uint64_t>& feedIds) const {
  if (m_node.Kind == TListNodeKind::Root) {
    return true;
  }
  return std::any_of(feedIds.begin(), feedIds.end(), [this](uint64_t id) {
    return std::find(m_node.FeedIds.begin(), m_node.FeedIds.end(), id) != m_node.FeedIds.end();
  });
}

std::optional<TEntryIdentity> TEntryController::TopEntry() {
  const QModelIndex index = m_list->indexAt(QPoint(0, 0));
  const TEntry* entry = index.isValid() ? m_model->EntryAt(index.row()) : nullptr;
  const TFeed* feed = index.isValid() ? m_model->FeedAt(index.row()) : nullptr;
  if (entry == nullptr || feed == nullptr) {
    return std::nullopt;
  }
  return IdentityOf(*feed, *entry);
}

void TEntryController::RestoreReading(bool scrollToIt) {
  const std::optional<size_t> row = m_reading ? m_model->List().FindRow(*m_reading) : std::nullopt;
  if (!row) {
    m_reading.reset();
    m_view->Clear();
    return;
  }
  const QModelIndex index = m_model->index(static_cast<int>(*row), 0);
  m_list->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  if (scrollToIt) {
    m_list->scrollTo(index);
  }
}

void TEntryController::ApplyListSortMode() {
  m_list->header()->setSectionsClickable(!Settings().AutoSort);
  m_quietSelection = true;
  m_model->Sort();
  m_list->selectionModel()->clearSelection();
  RestoreReading();
  m_quietSelection = false;
  m_model->UpdateColumnHeaders();
}

TListFilter TEntryController::Filter(bool keepReading) const {
  return {Settings().UnreadOnly, keepReading ? m_reading : std::nullopt};
}

void TEntryController::OnHeaderClicked(int column) {
  const TListOrder order = ListOrderFromSettings(Settings());
  if (order.AutoSort || column == kStarColumn) {
    return;
  }
  StoreListOrder(ClickColumn(order, column), Settings());
  ApplyListSortMode();
  Call(m_hooks.ScheduleSave);
}

void TEntryController::OnSelectionChanged() {
  if (m_quietSelection) {
    return;
  }
  m_view->Clear();
  m_reading.reset();
  if (const std::optional<int> row = SelectedRow()) {
    ShowRow(*row);
  }
  Call(m_hooks.SelectionChanged);
}

void TEntryController::ShowRow(int row) {
  TEntry* entry = m_model->EntryAt(row);
  const TFeed* feed = m_model->FeedAt(row);
  if (entry == nullptr || feed == nullptr) {
    return;  // the entry vanished
  }
  MarkRead(*entry, row);
  m_page->SetRemoteImages(feed->Id, Settings().LoadRemoteImages || feed->LoadImages);
  m_view->Show(*entry);
  m_reading = IdentityOf(*feed, *entry);
  Call(m_hooks.UpdateTray);
}

void TEntryController::MarkRead(TEntry& entry, int row) {
  if (entry.IsRead) {
    return;
  }
  entry.IsRead = true;
  if (const TFeed* feed = m_model->FeedAt(row); feed && m_hooks.EntryMarked) {
    m_hooks.EntryMarked(*feed, entry, false);
  }
  m_model->RowChanged(row);
  Call(m_hooks.UpdateTreeCaptions);
  Call(m_hooks.ScheduleSave);
}

void TEntryController::OpenSelectedLink() {
  const std::optional<int> row = SelectedRow();
  TEntry* entry = row ? m_model->EntryAt(*row) : nullptr;
  if (entry == nullptr) {
    return;
  }
  MarkRead(*entry, *row);
  OpenLinkOf(*row, entry->Link);
}

void TEntryController::OpenShownLink() {
  const std::optional<int> row = SelectedRow();
  TEntry* entry = row ? m_model->EntryAt(*row) : nullptr;
  if (entry == nullptr) {
    return;
  }
  MarkRead(*entry, *row);
  OpenLinkOf(*row, m_view->ShownLink());
}

void TEntryController::OpenLinkOf(int row, const std::string& link) {
  const TFeed* feed = m_model->FeedAt(row);
  const TEntry* entry = m_model->EntryAt(row);
  if (feed == nullptr || entry == nullptr || Trim(link).empty()) {
    return;
  }
  // A message box runs the event loop, and a refresh may refill the list meanwhile: find the entry again after.
  const TEntryIdentity identity = IdentityOf(*feed, *entry);
  if (OpenEntryLink(m_list->window(), link, feed->Id) != TOpenLinkOutcome::Opened) {
    return;
  }
  if (const std::optional<size_t> now = m_model->List().FindRow(identity)) {
    m_model->List().Item(*now)->Visited = true;
    Call(m_hooks.ScheduleSave);
  }
}

void TEntryController::CopyLink() {
  const std::optional<int> row = SelectedRow();
  const TEntry* entry = row ? m_model->EntryAt(*row) : nullptr;
  if (entry != nullptr && !entry->Link.empty()) {
    QGuiApplication::clipboard()->setText(QString::fromStdString(entry->Link));
  }
}

void TEntryController::Search() {
  const std::optional<QString> answer =
      prompts::InputText(m_list->window(), Text("Main|DlgSearchTitle", "Suchen"),
                         Text("Main|DlgSearchText", "Bitte geben Sie einen Suchbegriff an:"));
  if (!answer || answer->isEmpty()) {
    return;
  }
  m_searchText = *answer;
  if (m_hooks.SearchTextChanged) {
    m_hooks.SearchTextChanged(m_searchText);
  }
  Find(TSearchStep::First);
}

void TEntryController::FindNext() {
  if (m_searchText.isEmpty()) {
    Search();
    return;
  }
  Find(TSearchStep::Next);
}

void TEntryController::FindPrevious() {
  if (!m_searchText.isEmpty()) {
    Find(TSearchStep::Previous);
  }
}

void TEntryController::Find(TSearchStep step) {
  const std::optional<int> selected = SelectedRow();
  const std::optional<size_t> found =
      FindEntryRow(m_model->List(), m_searchText.toStdString(), step,
                   selected ? std::optional<size_t>(static_cast<size_t>(*selected)) : std::nullopt);
  if (found) {
    SelectRow(static_cast<int>(*found));
  }
  if (m_hooks.ReportStatus) {
    m_hooks.ReportStatus(
        [step, found = found.has_value(), text = m_searchText] { return SearchReport(step, found, text); });
  }
}

bool TEntryController::SelectByDisplayTitle(const std::string& title) {
  for (int row = 0; row < m_model->rowCount(); ++row) {
    const TEntry* entry = m_model->EntryAt(row);
    if (entry != nullptr && ItemDisplayTitle(*entry) == title) {
      SelectRow(row);
      return true;
    }
  }
  return false;
}

bool TEntryController::SelectUnread(TUnreadDirection direction, bool fromEdge) {
  const std::optional<int> selected = fromEdge ? std::nullopt : SelectedRow();
  const std::optional<size_t> found = FindUnreadRow(
      m_model->List(), selected ? std::optional<size_t>(static_cast<size_t>(*selected)) : std::nullopt, direction);
  if (found) {
    SelectRow(static_cast<int>(*found));
  }
  return found.has_value();
}

uint64_t TEntryController::CurrentFeedId() {
  const std::optional<int> row = SelectedRow();
  if (const TFeed* feed = row ? m_model->FeedAt(*row) : nullptr) {
    return feed->Id;
  }
  return m_node.Kind == TListNodeKind::Feed && !m_node.FeedIds.empty() ? m_node.FeedIds.front() : 0;
}

void TEntryController::ToggleRead() {
  const std::optional<int> row = SelectedRow();
  if (TEntry* entry = row ? m_model->EntryAt(*row) : nullptr) {
    entry->IsRead = !entry->IsRead;
    EntryMarksChanged(*row, false);
  }
}

void TEntryController::ToggleStar() {
  const std::optional<int> row = SelectedRow();
  if (TEntry* entry = row ? m_model->EntryAt(*row) : nullptr) {
    entry->Starred = !entry->Starred;
    EntryMarksChanged(*row, true);
  }
}

void TEntryController::EntryMarksChanged(int row, bool star) {
  const TFeed* feed = m_model->FeedAt(row);
  if (const TEntry* entry = m_model->EntryAt(row); feed && entry && m_hooks.EntryMarked) {
    m_hooks.EntryMarked(*feed, *entry, star);
  }
  m_model->RowChanged(row);
  Call(m_hooks.UpdateTreeCaptions);
  Call(m_hooks.ScheduleSave);
  Call(m_hooks.UpdateTray);
}

void TEntryController::SetUnreadOnly(bool unreadOnly) {
  if (Settings().UnreadOnly == unreadOnly) {
    return;
  }
  Settings().UnreadOnly = unreadOnly;
  Refill();
}

void TEntryController::SelectRow(int row) {
  const QModelIndex index = m_model->index(row, 0);
  m_list->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  m_list->scrollTo(index, QAbstractItemView::EnsureVisible);
  m_list->setFocus(Qt::OtherFocusReason);
}

bool TEntryController::eventFilter(QObject* watched, QEvent* event) {
  if (watched == m_list && event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
        (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
      OpenSelectedLink();
      return true;
    }
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace tidewick
