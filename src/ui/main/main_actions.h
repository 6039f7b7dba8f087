#pragma once

// Every command of the main window as one QAction, shared by the main menu, the tool bar and the context menus that
// offer it, so a shortcut belongs to exactly one action and fires wherever the focus is. Members and object names
// follow the main-menu component (mnuFeedAdd); tool buttons carry their own object names (tbFeedAdd), and context
// menus show their own captions (pmnuFeedAdd) while they are open.
//
// A command is available once something does its work (SetCommand); actions without a command stay disabled
// whatever the selection says.

#include <functional>
#include <vector>

#include <QObject>

class QAction;
class QActionGroup;
class QMainWindow;
class QMenu;
class QToolBar;
class QToolButton;
class QWidget;

namespace tidewick {

class TMainActions : public QObject {
  Q_OBJECT

 public:
  explicit TMainActions(QMainWindow* window);

  // Connects the action to the work it does and makes it available.
  void SetCommand(QAction* action, std::function<void()> command);
  // For an action already connected elsewhere (the feed dialogs call ShowAddFeedDialog themselves).
  void MarkAvailable(const QAction* action);
  bool IsAvailable(const QAction* action) const;
  // Enables an available action when enabled is true; an unavailable one stays disabled.
  void SetEnabledIfAvailable(QAction* action, bool enabled);

  // Captions, tool tips and accessible names in the current language.
  void ApplyLanguage();

  // The tool button of an action on tbMain (null when it has none).
  QToolButton* ToolButton(QAction* action) const;
  // Every action with a shortcut or a menu place (for tests and the accessibility pass).
  const std::vector<QAction*>& AllActions() const { return m_all; }

  // File
  QAction* mnuFileExport;
  QAction* mnuFileImport;
  QAction* mnuFileFeedItemExport;
  QAction* mnuFileEnclosureSave;  // Ctrl+Shift+S: a file of the selected entry
  QAction* mnuFileExit;
  // Feed
  QAction* mnuFeedAdd;
  QAction* mnuFeedAddAccount;  // a sync account (Tiny Tiny RSS)
  QAction* mnuFeedEdit;
  QAction* mnuFeedMove;  // Ctrl+Shift+M: move the selected feed or folder into another folder
  QAction* mnuFeedRemove;
  QAction* mnuFeedMarkRead;
  QAction* mnuFeedMarkUnread;
  QAction* mnuFeedSearch;
  QAction* mnuFeedSearchNext;
  QAction* mnuFeedSearchPrev;
  QAction* mnuFeedRefresh;
  QAction* mnuFeedRefreshAll;
  // Reading: on to the next unread entry, the selected entry's marks, the unread-only view.
  QAction* mnuFeedNextUnread;       // N, Space at the end of an entry
  QAction* mnuFeedPrevUnread;       // Shift+N
  QAction* mnuFeedEntryToggleRead;  // Ctrl+Shift+U
  QAction* mnuFeedEntryToggleStar;  // S
  QAction* mnuFeedUnreadOnly;       // Ctrl+Shift+A, checkable
  // Extras
  QAction* mnuExtrasWindowOnTop;
  QAction* mnuExtrasSettings;
  // Help
  QAction* mnuHelpHelp;
  QAction* mnuHelpWebsite;
  QAction* mnuHelpEMail;
  QAction* mnuHelpDonate;
  QAction* mnuHelpInfo;
  // Only on the tool bar or in one context menu.
  QAction* tbFeedStopRefresh;
  QAction* pmnuFeedFolderAdd;
  QAction* pmnuFeedRename;     // F2 while the tree has the focus
  QAction* pmnuItemsLinkCopy;  // Ctrl+C while the list has the focus
  QAction* pmnuItemsLinkOpen;  // Ctrl+B while the list has the focus
  QAction* pmnuTrayShow;
  // Keys of the window itself.
  QAction* actFocusTree;     // F9
  QAction* actFocusList;     // F10
  QAction* actShowTextView;  // F11
  QAction* actShowHtmlView;  // F12, Shift+F12

  QMenu* mnuFile;
  QMenu* mnuFeed;
  QMenu* mnuExtras;
  QMenu* mnuLanguage;
  QMenu* mnuHelp;
  QMenu* pmnuFeeds;
  QMenu* pmnuItems;
  QMenu* pmnuTray;
  QToolBar* tbMain;
  QActionGroup* languageGroup;  // the radio items of mnuLanguage

 private:
  struct TContextCaption {
    QAction* Action;
    const char* Key;
    const char* Default;
  };

  QAction* Make(const char* name, QWidget* owner);
  void BuildMenus(QMainWindow* window);
  void BuildToolBar(QMainWindow* window);
  void BuildContextMenus(QMainWindow* window);
  void ShowContextCaptions(const std::vector<TContextCaption>& captions);
  void ApplyMainCaptions();

  std::vector<QAction*> m_all;
  std::vector<const QAction*> m_available;
  std::vector<TContextCaption> m_feedsCaptions;
  std::vector<TContextCaption> m_entriesCaptions;
  std::vector<TContextCaption> m_trayCaptions;
};

}  // namespace tidewick
