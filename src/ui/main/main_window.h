#pragma once

// The main window: the feed tree on the left, the entry list top right and the entry view bottom right, with the
// menus, the tool bar and the status bar. The panes are built by their own classes; the window lays them out, keeps
// their sizes, applies the language and routes every command (TMainActions) to the code that does the work.
//
// Others call: ScheduleSave() after any change worth keeping, SaveAllNow() at exit, Actions() to wire a command,
// Widgets() to reach a pane, ShowAddFeedDialog()/ShowEditFeedDialog().

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include <QMainWindow>
#include <QPointer>

#include "settings/settings.h"
#include "ui/main/save_scheduler.h"
#include "ui/main/translated_label.h"
#include "ui/rules/pane_layout.h"

class QDialog;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QSplitter;
class QStatusBar;
class QTabWidget;
class QTextBrowser;
class QTreeView;

namespace tidewick {

class TFeedTree;
class TMainActions;
class TFeedTreeActions;
class TFeedTreeModel;
class TFeedTreeView;
class TEntryController;
class TRefreshController;
class TSyncController;
class TSaveProblemReport;
enum class TUnreadDirection;

// Where the window finds its files. Empty values mean the program's own places; tests point them at a temporary
// folder.
struct TMainWindowOptions {
  std::string DataFolder;        // holds "Language/" and "help/", with a trailing separator
  std::string SettingsFileName;  // the settings file
  std::string FeedsFileName;     // the feed store; empty: the one the settings location names
  bool UseProgramFolder = true;  // without SettingsFileName: beside the program (true) or the per-user folder
  int ReadMarksSaveDelayMs = kSaveReadMarksMs;  // tests shorten it to see read marks reach the disk
};

// The panes and controls, by the names the other panes and the tests know them.
struct TMainWidgets {
  TFeedTreeView* feedTreeView = nullptr;
  QSplitter* treeSplitter = nullptr;
  QWidget* leftPanel = nullptr;
  QSplitter* entrySplitter = nullptr;
  QTreeView* entryListView = nullptr;
  QWidget* leftBottomPanel = nullptr;
  QWidget* entryHeader = nullptr;
  QLabel* titleLabel = nullptr;
  QLabel* titleLinkLabel = nullptr;
  QLabel* dateLabel = nullptr;
  QLineEdit* dateField = nullptr;
  QLabel* bylineLabel = nullptr;
  QTabWidget* entryTabs = nullptr;
  QWidget* textTab = nullptr;
  QPlainTextEdit* entryTextView = nullptr;
  QWidget* htmlTab = nullptr;
  QTextBrowser* entryHtmlView = nullptr;
  QStatusBar* statusBar = nullptr;
  QProgressBar* statusProgress = nullptr;
  TTranslatedLabel* statusText = nullptr;    // panel 1: the status text
  TTranslatedLabel* statusNotice = nullptr;  // right: a lasting notice, hidden while there is none
};

class TMainWindow : public QMainWindow {
  Q_OBJECT

 public:
  // Loads settings, language, store and tree in that order (see main_window_startup.cpp).
  explicit TMainWindow(const TMainWindowOptions& options = {}, QWidget* parent = nullptr);
  ~TMainWindow() override;

  // The one way to save while the window runs: coalesces bursts and writes off the main thread.
  void ScheduleSave(TSaveDelay delay = TSaveDelay::Soon, TStoreChanges changes = TStoreChanges::All);
  // Saves at once, in order: window state, normal geometry, splitters, tab, stay-on-top, tree arrangement,
  // LastSelectedPath, settings file, store. True when both files were written.
  bool SaveAllNow();
  // Sizes and places the window as stored, within the desktop and on a screen (before it is first shown). A place
  // taken instead of one on no screen is not saved back unless the user moves the window.
  void ApplyStoredGeometry();

  // Captions, tool tips, fonts and the language menu in the current language.
  void ApplyLanguage();
  // Recomputes which commands are enabled (selection, search, refresh or store changed).
  void UpdateActionStates();
  // The search text of the last search; find previous is enabled only with one.
  void SetSearchText(const QString& text);

  // Brings the tray icon, tip, blinking, sound and popup in line with the unread count; the program's tray side
  // registers how (the window alone has no tray).
  void UpdateTrayNotification();
  void SetTrayNotification(std::function<void()> update);
  // How a failed save is told while the window is minimised to the tray: shows a tray message, false when it cannot
  // (a non-modal message box is shown then).
  void SetTrayMessage(std::function<bool(const QString& title, const QString& text)> trayMessage);

  // The add dialog is returned open (it deletes itself on closing), so a hand-over can wait for it.
  QDialog* ShowAddFeedDialog(const QString& address);
  void ShowEditFeedDialog();

  TMainActions& Actions() { return *m_actions; }
  const TMainWidgets& Widgets() const { return m_widgets; }
  TFeedTree& FeedTree() { return *m_tree; }
  TRefreshController& Refresh() { return *m_refresh; }
  // The accounts' syncs, the queue of their unsent marks.
  TSyncController& Sync() { return *m_sync; }
  // The entry list, the entry view and the search.
  TEntryController& EntryController() { return *m_entryController; }
  TSaveScheduler& Saver() { return *m_saver; }

  // The status bar's two texts, both plain text and never drawn over each other: the status text (panel 1: ready,
  // refresh, search) changes often; a notice (no tray, say) stays at the right until replaced; empty hides it.
  // Texts made again when the language changes.
  void SetStatusText(TMakeText text);
  void SetStatusNotice(TMakeText text);
  // Keeps the window above all others (the menu item and the tool button follow).
  void SetWindowOnTop(bool onTop);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  // Start-up steps, in creation order (main_window_startup.cpp).
  TSettingsLoadResult LoadSettingsStep(const TMainWindowOptions& options);
  void LoadLanguageStep(const TSettingsLoadResult& load);
  // Keeps copies of a damaged settings file and backup, and tells the user what was lost.
  void KeepDamagedSettingsStep(const TSettingsLoadResult& load);
  void WarnWhenRunning(const std::string& text);
  void LoadStoreStep();
  void CreateLayoutStep();
  void BuildTreeStep();
  // The first showing: stored layout, ready text, refresh of the feeds marked for it.
  void OnFirstShow();
  void ApplyStoredLayout();

  // Layout (main_window_layout.cpp).
  void CreatePanes();
  QWidget* CreateEntryView();
  void CreateStatusBar();
  void ApplyAccessibleNames();

  // Commands (main_window_commands.cpp).
  void WireCommands();
  void WireRefreshCommands();
  void WireTreeCommands();
  void WireEntryController();  // entry_controller_wiring.cpp
  void WireSyncCommands();     // main_window_sync.cpp
  // On to the next (previous) unread entry, in the list, then in the next feed with one (entry_controller_wiring.cpp).
  void ReadOn(TUnreadDirection direction);
  void FocusList();
  void ShowHtmlView();
  void RefreshSelected();
  void OnFeedDoubleClicked(quint64 feedId);
  void OnRefreshRunChanged();

  // Language (main_window_language.cpp).
  void FillLanguageMenu();
  void OnLanguageChosen(QAction* item);
  void ApplyWindowFont();

  // Help links (main_window_help.cpp).
  void OpenHomePage();
  void OpenDonatePage();
  void WriteMail();
  void HideEmptyHelpLinks();

  // Pane sizes (main_window_panes.cpp).
  void ApplyPaneResizeRule();
  void RecordPaneRatio();
  void SetBottomHeight(int height);
  int BottomHeight() const;
  void StoreWindowLayout();

  TMainWindowOptions m_options;
  TMainWidgets m_widgets;
  TMainActions* m_actions = nullptr;
  std::unique_ptr<TFeedTree> m_tree;
  TRefreshController* m_refresh = nullptr;
  TSyncController* m_sync = nullptr;
  TSaveScheduler* m_saver = nullptr;
  TSaveProblemReport* m_saveProblems = nullptr;
  TFeedTreeModel* m_feedTreeModel = nullptr;
  TFeedTreeActions* m_feedTreeActions = nullptr;
  TEntryController* m_entryController = nullptr;
  std::optional<TPaneRatio> m_paneRatio;
  QString m_searchText;
  bool m_shownOnce = false;
  std::optional<QPoint> m_placeInsteadOfStored;
  bool m_storeMaySave = true;
  bool m_languageChosenAtStart = false;  // no stored choice: this start chose one and stores it
  std::function<void()> m_updateTray;
};

}  // namespace tidewick
