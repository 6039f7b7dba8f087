#pragma once

// The entry list and the entry view together: fills the list for the tree's node, marks an entry read when it is
// selected and shows it, opens and copies links, orders the list by header clicks, keeps the entry being read
// selected across refills, and searches the listed entries. The window hands in its widgets and what to call
// when read marks or the search text change.

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include <QObject>
#include <QPointer>
#include <QString>

#include "entries/entry_list.h"
#include "entries/entry_search.h"
#include "entries/next_unread.h"
#include "ui/main/translated_label.h"

class QItemSelection;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QTreeView;

namespace tidewick {

class TEmptyListNotice;
class TEntryBrowser;
class TEntryView;
class TEntryListModel;

struct TEntryControllerWidgets {
  QTreeView* entryListView = nullptr;
  QLabel* titleLinkLabel = nullptr;
  QLineEdit* dateField = nullptr;
  QLabel* bylineLabel = nullptr;
  QPlainTextEdit* entryTextView = nullptr;
  TEntryBrowser* entryHtmlView = nullptr;
};

struct TEntryControllerHooks {
  std::function<void()> UpdateTreeCaptions;  // an entry became read: counts and icons at once
  std::function<void()> UpdateTray;          // after an entry was shown
  std::function<void()> ScheduleSave;        // read or visited marks, or the list order, changed
  std::function<void()> SelectionChanged;    // commands that need a selected entry may change state
  std::function<void(const QString&)> SearchTextChanged;
  std::function<void(TMakeText)> ReportStatus;  // a search's outcome, for the status bar
  std::function<void()> TurnOnGrouping;         // the empty list's button: GroupInFolders on, then Refill
  // The user changed an entry's read mark (star false) or star: account feeds queue it for their server.
  std::function<void(const TFeed&, const TEntry&, bool star)> EntryMarked;
};

class TEntryController : public QObject {
  Q_OBJECT

 public:
  TEntryController(const TEntryControllerWidgets& widgets, TEntryControllerHooks hooks, QObject* parent);

  // The tree selected another node: the list is filled for it and the view emptied.
  void ShowNode(const TListNode& node);
  // The store changed (refresh, read marks): the same node is listed again; the entry being read stays selected
  // and shown without being marked again.
  void Refill();
  // Refresh results for these feeds came in while a refresh runs: when the list shows any of them it is filled
  // again, the entry being read stays selected (and unmarked) and the rows in view stay where they are, so new
  // entries of a fast feed show without waiting for the slowest one.
  void RefillForFeeds(const std::vector<uint64_t>& feedIds);
  // AutoSort or the order changed in the settings: clickable headers, order and marks follow.
  void ApplyListSortMode();
  // For a tray that is created after the list.
  void SetUpdateTray(std::function<void()> updateTray) { m_hooks.UpdateTray = std::move(updateTray); }
  void SetEntryMarked(std::function<void(const TFeed&, const TEntry&, bool star)> marked) {
    m_hooks.EntryMarked = std::move(marked);
  }

  // Commands.
  void OpenSelectedLink();  // double click, Enter
  void OpenShownLink();     // the title link, Ctrl+B
  void CopyLink();          // Ctrl+C, right press on the title link
  void Search();            // Ctrl+F
  void FindNext();          // F3
  void FindPrevious();      // Shift+F3
  // Selects and shows the first listed entry whose title, as displayed, is this one (a popup row).
  bool SelectByDisplayTitle(const std::string& title);
  // Reading on: selects and shows the next (previous) unread entry after (before) the selection, or from the list's
  // start (end) with fromEdge; false when the list holds none there.
  bool SelectUnread(TUnreadDirection direction, bool fromEdge);
  // The feed being read: the selected entry's, else the listed feed's; 0 for none.
  uint64_t CurrentFeedId();
  // The selected entry's marks, without touching the rest of its feed.
  void ToggleRead();  // Ctrl+Shift+U
  void ToggleStar();  // S, a click on the star
  // Lists only unread entries (the UnreadOnly setting); entries read while listed stay until the next refill.
  void SetUnreadOnly(bool unreadOnly);

  std::optional<int> SelectedRow() const;
  const QString& SearchText() const { return m_searchText; }
  TEntryListModel& Model() { return *m_model; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void OnSelectionChanged();
  void ShowRow(int row);
  void SelectRow(int row);
  void MarkRead(TEntry& entry, int row);
  void OpenLinkOf(int row, const std::string& link);
  void OnHeaderClicked(int column);
  // Unread only as the settings say; keepReading keeps the entry being read listed although it is read.
  TListFilter Filter(bool keepReading) const;
  void EntryMarksChanged(int row, bool star);
  // Selects the entry being read again; scrollToIt brings it into view.
  void RestoreReading(bool scrollToIt = true);
  // The entry in the list's top row, to keep in view across a refill.
  std::optional<TEntryIdentity> TopEntry();
  bool ListsAnyOf(const std::vector<uint64_t>& feedIds) const;
  void Find(TSearchStep step);
  void Call(const std::function<void()>& hook) const;
  // Every fill ends here: the model takes the node's rows and the empty list says why it is empty.
  void FillList(bool keepReading);  // keepReading: the entry being read stays listed

  QPointer<QTreeView> m_list;
  TEntryListModel* m_model = nullptr;
  TEntryView* m_view = nullptr;
  TEmptyListNotice* m_emptyNotice = nullptr;
  TEntryBrowser* m_page = nullptr;
  TEntryControllerHooks m_hooks;
  TListNode m_node;
  std::optional<TEntryIdentity> m_reading;  // the entry shown in the view
  QString m_searchText;
  bool m_quietSelection = false;  // selection set by a refill or a sort, not by the user
};

}  // namespace tidewick
