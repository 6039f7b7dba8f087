#include "ui/main/main_actions.h"

#include <algorithm>
#include <utility>

#include <QAction>
#include <QActionGroup>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>

#include "lang/lang_text.h"
#include "ui/main/lang_qstring.h"
#include "ui/rules/language_menu.h"

namespace tidewick {
namespace {

// Main-menu captions and tool-bar hints, keyed by the component names.
struct TCaption {
  QAction* TMainActions::*Member;
  const char* Key;
  const char* Default;
  bool NamesTheProgram = false;  // "%s1%" stands for the program's name
};

const TCaption kMenuCaptions[] = {
    {&TMainActions::mnuFileExport, "Main|mnuFileExport", "Feeds e&xportieren..."},
    {&TMainActions::mnuFileImport, "Main|mnuFileImport", "Feeds &importieren..."},
    {&TMainActions::mnuFileFeedItemExport, "Main|mnuFileFeedItemExport", "Feed-&Eintrag exportieren..."},
    {&TMainActions::mnuFileEnclosureSave, "Main|mnuFileEnclosureSave", "&Anhang speichern unter..."},
    {&TMainActions::mnuFileExit, "Main|mnuFileExit", "B&eenden"},
    {&TMainActions::mnuFeedAdd, "Main|mnuFeedAdd", "&Hinzufügen..."},
    {&TMainActions::mnuFeedAddAccount, "Main|mnuFeedAddAccount", "&Konto hinzufügen..."},
    {&TMainActions::mnuFeedEdit, "Main|mnuFeedEdit", "&Bearbeiten..."},
    {&TMainActions::mnuFeedMove, "Main|mnuFeedMove", "In &Ordner verschieben..."},
    {&TMainActions::mnuFeedRemove, "Main|mnuFeedRemove", "&Löschen"},
    {&TMainActions::mnuFeedMarkRead, "Main|mnuFeedMarkRead", "Als &gelesen markieren"},
    {&TMainActions::mnuFeedMarkUnread, "Main|mnuFeedMarkUnread", "Als &ungelesen markieren"},
    {&TMainActions::mnuFeedSearch, "Main|mnuFeedSearch", "&Suchen..."},
    {&TMainActions::mnuFeedSearchNext, "Main|mnuFeedSearchNext", "Nächsten suchen"},
    {&TMainActions::mnuFeedSearchPrev, "Main|mnuFeedSearchPrev", "Vorherigen suchen"},
    {&TMainActions::mnuFeedRefresh, "Main|mnuFeedRefresh", "&Aktualisieren"},
    {&TMainActions::mnuFeedRefreshAll, "Main|mnuFeedRefreshAll", "A&lle aktualisieren"},
    {&TMainActions::mnuFeedNextUnread, "Main|mnuFeedNextUnread", "&Nächster ungelesener Eintrag"},
    {&TMainActions::mnuFeedPrevUnread, "Main|mnuFeedPrevUnread", "Vorheriger ungelesener Eintrag"},
    {&TMainActions::mnuFeedEntryToggleRead, "Main|mnuFeedEntryToggleRead", "Eintrag gelesen/ungelesen"},
    {&TMainActions::mnuFeedEntryToggleStar, "Main|mnuFeedEntryToggleStar", "Eintrag mit &Stern markieren"},
    {&TMainActions::mnuFeedUnreadOnly, "Main|mnuFeedUnreadOnly", "Nur unge&lesene Einträge"},
    {&TMainActions::mnuExtrasWindowOnTop, "Main|mnuExtrasWindowOnTop", "Fenster oben halten"},
    {&TMainActions::mnuExtrasSettings, "Main|mnuExtrasSettings", "&Einstellungen..."},
    {&TMainActions::mnuHelpHelp, "Main|mnuHelpHelp", "&Hilfe"},
    {&TMainActions::mnuHelpWebsite, "Main|mnuHelpWebsite", "&Produktseite besuchen"},
    {&TMainActions::mnuHelpEMail, "Main|mnuHelpEMail", "E-&Mail an den Autor senden"},
    {&TMainActions::mnuHelpDonate, "Main|mnuHelpDonate", "%s1% &unterstützen", true},
    {&TMainActions::mnuHelpInfo, "Main|mnuHelpInfo", "&Info über %s1%", true},
    {&TMainActions::tbFeedStopRefresh, "Main|tbFeedStopRefresh", "Aktualisierung stoppen"},
    {&TMainActions::pmnuFeedFolderAdd, "Main|pmnuFeedFolderAdd", "Neuen &Ordner erstellen"},
    {&TMainActions::pmnuFeedRename, "Main|pmnuFeedRename", "Umbenennen"},
    {&TMainActions::pmnuItemsLinkCopy, "Main|pmnuItemsLinkCopy", "Link &kopieren"},
    {&TMainActions::pmnuItemsLinkOpen, "Main|pmnuItemsLinkOpen", "Link im &Browser öffnen"},
    {&TMainActions::pmnuTrayShow, "Main|pmnuTrayShow", "Anzeigen"},
};

struct TToolButtonEntry {
  QAction* TMainActions::*Member;  // null: a separator
  const char* Name;
  const char* Default;
  QStyle::StandardPixmap Icon;
};

const TToolButtonEntry kToolButtons[] = {
    {&TMainActions::mnuFeedAdd, "tbFeedAdd", "Feed hinzufügen...", QStyle::SP_FileDialogNewFolder},
    {&TMainActions::mnuFeedEdit, "tbFeedEdit", "Feed bearbeiten...", QStyle::SP_FileDialogDetailedView},
    {nullptr, nullptr, nullptr, {}},
    {&TMainActions::mnuFeedRemove, "tbFeedRemove", "Löschen", QStyle::SP_TrashIcon},
    {nullptr, nullptr, nullptr, {}},
    {&TMainActions::mnuFeedMarkRead, "tbFeedMarkRead", "Als gelesen markieren", QStyle::SP_DialogApplyButton},
    {&TMainActions::mnuFeedMarkUnread, "tbFeedMarkUnread", "Als ungelesen markieren", QStyle::SP_DialogResetButton},
    {&TMainActions::mnuFeedNextUnread, "tbFeedNextUnread", "Nächster ungelesener Eintrag", QStyle::SP_ArrowDown},
    {nullptr, nullptr, nullptr, {}},
    {&TMainActions::mnuFeedSearch, "tbFeedSearch", "Suchen...", QStyle::SP_FileDialogContentsView},
    {nullptr, nullptr, nullptr, {}},
    {&TMainActions::mnuFeedRefresh, "tbFeedRefresh", "Aktualisieren", QStyle::SP_BrowserReload},
    {&TMainActions::mnuFeedRefreshAll, "tbFeedRefreshAll", "Alle aktualisieren", QStyle::SP_MediaSeekForward},
    {&TMainActions::tbFeedStopRefresh, "tbFeedStopRefresh", "Aktualisierung stoppen", QStyle::SP_BrowserStop},
    {nullptr, nullptr, nullptr, {}},
    {&TMainActions::mnuExtrasWindowOnTop, "tbWindowOnTop", "Fenster oben halten", QStyle::SP_TitleBarShadeButton},
};

QString ToolButtonKey(const char* name) {
  return QStringLiteral("Main|") + QLatin1String(name);
}

}  // namespace

TMainActions::TMainActions(QMainWindow* window) : QObject(window) {
  mnuFileExport = Make("mnuFileExport", window);
  mnuFileImport = Make("mnuFileImport", window);
  mnuFileFeedItemExport = Make("mnuFileFeedItemExport", window);
  mnuFileEnclosureSave = Make("mnuFileEnclosureSave", window);
  mnuFileExit = Make("mnuFileExit", window);
  mnuFeedAdd = Make("mnuFeedAdd", window);
  mnuFeedAddAccount = Make("mnuFeedAddAccount", window);
  mnuFeedEdit = Make("mnuFeedEdit", window);
  mnuFeedMove = Make("mnuFeedMove", window);
  mnuFeedRemove = Make("mnuFeedRemove", window);
  mnuFeedMarkRead = Make("mnuFeedMarkRead", window);
  mnuFeedMarkUnread = Make("mnuFeedMarkUnread", window);
  mnuFeedSearch = Make("mnuFeedSearch", window);
  mnuFeedSearchNext = Make("mnuFeedSearchNext", window);
  mnuFeedSearchPrev = Make("mnuFeedSearchPrev", window);
  mnuFeedRefresh = Make("mnuFeedRefresh", window);
  mnuFeedRefreshAll = Make("mnuFeedRefreshAll", window);
  mnuFeedNextUnread = Make("mnuFeedNextUnread", window);
  mnuFeedPrevUnread = Make("mnuFeedPrevUnread", window);
  mnuFeedEntryToggleRead = Make("mnuFeedEntryToggleRead", window);
  mnuFeedEntryToggleStar = Make("mnuFeedEntryToggleStar", window);
  mnuFeedUnreadOnly = Make("mnuFeedUnreadOnly", window);
  mnuExtrasWindowOnTop = Make("mnuExtrasWindowOnTop", window);
  mnuExtrasSettings = Make("mnuExtrasSettings", window);
  mnuHelpHelp = Make("mnuHelpHelp", window);
  mnuHelpWebsite = Make("mnuHelpWebsite", window);
  mnuHelpEMail = Make("mnuHelpEMail", window);
  mnuHelpDonate = Make("mnuHelpDonate", window);
  mnuHelpInfo = Make("mnuHelpInfo", window);
  tbFeedStopRefresh = Make("tbFeedStopRefresh", window);
  pmnuFeedFolderAdd = Make("pmnuFeedFolderAdd", window);
  pmnuFeedRename = Make("pmnuFeedRename", nullptr);
  pmnuItemsLinkCopy = Make("pmnuItemsLinkCopy", nullptr);
  pmnuItemsLinkOpen = Make("pmnuItemsLinkOpen", nullptr);
  pmnuTrayShow = Make("pmnuTrayShow", nullptr);
  actFocusTree = Make("actFocusTree", window);
  actFocusList = Make("actFocusList", window);
  actShowTextView = Make("actShowTextView", window);
  actShowHtmlView = Make("actShowHtmlView", window);

  const std::pair<QAction*, QKeySequence> shortcuts[] = {
      {mnuHelpHelp, QKeySequence(QKeySequence::HelpContents)},
      {mnuFileExport, QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_E)},
      {mnuFileImport, QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_I)},
      {mnuFileFeedItemExport, QKeySequence(Qt::CTRL | Qt::Key_S)},
      {mnuFileEnclosureSave, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)},
      {mnuFileExit, QKeySequence(Qt::ALT | Qt::Key_X)},
      {mnuFeedAdd, QKeySequence(Qt::CTRL | Qt::Key_N)},
      {mnuFeedEdit, QKeySequence(Qt::CTRL | Qt::Key_E)},
      {mnuFeedMove, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_M)},
      {mnuFeedRemove, QKeySequence(Qt::CTRL | Qt::Key_Delete)},
      {mnuFeedMarkRead, QKeySequence(Qt::CTRL | Qt::Key_R)},
      {mnuFeedMarkUnread, QKeySequence(Qt::CTRL | Qt::Key_U)},
      {mnuFeedSearch, QKeySequence(Qt::CTRL | Qt::Key_F)},
      {mnuFeedSearchNext, QKeySequence(Qt::Key_F3)},
      {mnuFeedSearchPrev, QKeySequence(Qt::SHIFT | Qt::Key_F3)},
      {mnuFeedRefresh, QKeySequence(Qt::Key_F5)},
      {mnuFeedRefreshAll, QKeySequence(Qt::SHIFT | Qt::Key_F5)},
      {mnuFeedNextUnread, QKeySequence(Qt::Key_N)},
      {mnuFeedPrevUnread, QKeySequence(Qt::SHIFT | Qt::Key_N)},
      {mnuFeedEntryToggleRead, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_U)},
      {mnuFeedEntryToggleStar, QKeySequence(Qt::Key_S)},
      {mnuFeedUnreadOnly, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_A)},
      {pmnuFeedRename, QKeySequence(Qt::Key_F2)},
      {pmnuItemsLinkCopy, QKeySequence(Qt::CTRL | Qt::Key_C)},
      {pmnuItemsLinkOpen, QKeySequence(Qt::CTRL | Qt::Key_B)},
      {actFocusTree, QKeySequence(Qt::Key_F9)},
      {actFocusList, QKeySequence(Qt::Key_F10)},
      {actShowTextView, QKeySequence(Qt::Key_F11)},
  };
  for (const auto& [action, key] : shortcuts) {
    action->setShortcut(key);
  }
  actShowHtmlView->setShortcuts({QKeySequence(Qt::Key_F12), QKeySequence(Qt::SHIFT | Qt::Key_F12)});
  // These three act on the pane that has the focus; the window adds them to the tree or the list.
  for (QAction* paneAction : {pmnuFeedRename, pmnuItemsLinkCopy, pmnuItemsLinkOpen}) {
    paneAction->setShortcutContext(Qt::WidgetWithChildrenShortcut);
  }
  mnuExtrasWindowOnTop->setCheckable(true);
  mnuFeedUnreadOnly->setCheckable(true);
  tbFeedStopRefresh->setVisible(false);

  BuildMenus(window);
  BuildToolBar(window);
  BuildContextMenus(window);
  for (QAction* action : m_all) {
    if (!IsAvailable(action)) {
      action->setEnabled(false);
    }
  }
  mnuExtrasWindowOnTop->setEnabled(true);
}

QAction* TMainActions::Make(const char* name, QWidget* owner) {
  auto* action = new QAction(this);
  action->setObjectName(QLatin1String(name));
  if (owner != nullptr) {
    owner->addAction(action);  // window-wide shortcut, whatever menu is open or closed
  }
  m_all.push_back(action);
  return action;
}

void TMainActions::BuildMenus(QMainWindow* window) {
  QMenuBar* bar = window->menuBar();
  bar->setObjectName(QStringLiteral("mnuMain"));
  mnuFile = bar->addMenu(QString());
  mnuFile->setObjectName(QStringLiteral("mnuFile"));
  mnuFile->addActions({mnuFileExport, mnuFileImport});
  mnuFile->addSeparator();
  mnuFile->addActions({mnuFileFeedItemExport, mnuFileEnclosureSave});
  mnuFile->addSeparator();
  mnuFile->addAction(mnuFileExit);

  mnuFeed = bar->addMenu(QString());
  mnuFeed->setObjectName(QStringLiteral("mnuFeed"));
  mnuFeed->addActions({mnuFeedAdd, mnuFeedAddAccount, mnuFeedEdit, mnuFeedMove});
  mnuFeed->setToolTipsVisible(true);  // why rename and move are off for an account
  mnuFeed->addSeparator();
  mnuFeed->addAction(mnuFeedRemove);
  mnuFeed->addSeparator();
  mnuFeed->addActions({mnuFeedMarkRead, mnuFeedMarkUnread});
  mnuFeed->addSeparator();
  mnuFeed->addActions({mnuFeedSearch, mnuFeedSearchNext, mnuFeedSearchPrev});
  mnuFeed->addSeparator();
  mnuFeed->addActions({mnuFeedRefresh, mnuFeedRefreshAll});
  mnuFeed->addSeparator();
  mnuFeed->addActions({mnuFeedNextUnread, mnuFeedPrevUnread, mnuFeedEntryToggleRead, mnuFeedEntryToggleStar});
  mnuFeed->addAction(mnuFeedUnreadOnly);

  mnuExtras = bar->addMenu(QString());
  mnuExtras->setObjectName(QStringLiteral("mnuExtras"));
  mnuExtras->addAction(mnuExtrasWindowOnTop);
  mnuExtras->addSeparator();
  mnuLanguage = mnuExtras->addMenu(QString());
  mnuLanguage->setObjectName(QStringLiteral("mnuLanguage"));
  languageGroup = new QActionGroup(mnuLanguage);
  languageGroup->setExclusive(true);
  mnuExtras->addSeparator();
  mnuExtras->addAction(mnuExtrasSettings);

  mnuHelp = bar->addMenu(QString());
  mnuHelp->setObjectName(QStringLiteral("mnuHelp"));
  mnuHelp->addAction(mnuHelpHelp);
  mnuHelp->addSeparator();
  mnuHelp->addActions({mnuHelpWebsite, mnuHelpEMail, mnuHelpDonate});
  mnuHelp->addSeparator();
  mnuHelp->addAction(mnuHelpInfo);
}

void TMainActions::BuildToolBar(QMainWindow* window) {
  tbMain = window->addToolBar(QString());
  tbMain->setObjectName(QStringLiteral("tbMain"));
  tbMain->setMovable(false);
  tbMain->setFloatable(false);
  tbMain->setToolButtonStyle(Qt::ToolButtonIconOnly);
  tbMain->setContextMenuPolicy(Qt::PreventContextMenu);
  for (const TToolButtonEntry& button : kToolButtons) {
    if (button.Member == nullptr) {
      tbMain->addSeparator();
      continue;
    }
    QAction* action = this->*button.Member;
    action->setIcon(window->style()->standardIcon(button.Icon));
    tbMain->addAction(action);
    ToolButton(action)->setObjectName(QLatin1String(button.Name));
  }
}

void TMainActions::BuildContextMenus(QMainWindow* window) {
  pmnuFeeds = new QMenu(window);
  pmnuFeeds->setObjectName(QStringLiteral("pmnuFeeds"));
  pmnuFeeds->addActions({pmnuFeedFolderAdd, mnuFeedAdd, mnuFeedEdit});
  pmnuFeeds->setToolTipsVisible(true);
  pmnuFeeds->addSeparator();
  pmnuFeeds->addActions({mnuFeedRemove, pmnuFeedRename, mnuFeedMove});
  pmnuFeeds->addSeparator();
  pmnuFeeds->addActions({mnuFeedMarkRead, mnuFeedMarkUnread});
  pmnuFeeds->addSeparator();
  pmnuFeeds->addActions({mnuFeedSearch, mnuFeedSearchNext, mnuFeedSearchPrev});
  pmnuFeeds->addSeparator();
  pmnuFeeds->addAction(mnuFeedRefresh);
  pmnuFeeds->addSeparator();
  pmnuFeeds->addActions({mnuFeedNextUnread, mnuFeedUnreadOnly});
  m_feedsCaptions = {
      {mnuFeedAdd, "Main|pmnuFeedAdd", "Feed &hinzufügen..."},
      {mnuFeedEdit, "Main|pmnuFeedEdit", "Feed &bearbeiten..."},
      {mnuFeedRemove, "Main|pmnuFeedRemove", "&Löschen"},
      {mnuFeedMove, "Main|pmnuFeedMove", "In Ordner &verschieben..."},
      {mnuFeedMarkRead, "Main|pmnuFeedMarkRead", "Als &gelesen markieren"},
      {mnuFeedMarkUnread, "Main|pmnuFeedMarkUnread", "Als &ungelesen markieren"},
      {mnuFeedSearch, "Main|pmnuFeedSearch", "&Suchen..."},
      {mnuFeedSearchNext, "Main|pmnuFeedSearchNext", "Nächsten suchen"},
      {mnuFeedSearchPrev, "Main|pmnuFeedSearchPrev", "Vorherigen suchen"},
      {mnuFeedRefresh, "Main|pmnuFeedRefresh", "&Aktualisieren"},
  };

  pmnuItems = new QMenu(window);
  pmnuItems->setObjectName(QStringLiteral("pmnuItems"));
  pmnuItems->addActions({pmnuItemsLinkCopy, pmnuItemsLinkOpen});
  pmnuItems->addSeparator();
  pmnuItems->addActions({mnuFileFeedItemExport, mnuFileEnclosureSave});
  pmnuItems->addSeparator();
  pmnuItems->addActions({mnuFeedEntryToggleRead, mnuFeedEntryToggleStar, mnuFeedNextUnread, mnuFeedPrevUnread});
  m_entriesCaptions = {{mnuFileFeedItemExport, "Main|pmnuItemsExport", "Feed-Eintrag &exportieren..."},
                       {mnuFileEnclosureSave, "Main|pmnuItemsEnclosureSave", "&Anhang speichern unter..."}};

  pmnuTray = new QMenu(window);
  pmnuTray->setObjectName(QStringLiteral("pmnuTray"));
  pmnuTray->addActions({pmnuTrayShow, mnuExtrasSettings, mnuFeedRefreshAll, mnuFileExit});
  m_trayCaptions = {
      {mnuExtrasSettings, "Main|pmnuTraySettings", "Einstellungen..."},
      {mnuFeedRefreshAll, "Main|pmnuTrayRefreshAll", "Alle Feeds aktualisieren"},
      {mnuFileExit, "Main|pmnuTrayExit", "Beenden"},
  };

  const std::pair<QMenu*, const std::vector<TContextCaption>*> menus[] = {
      {pmnuFeeds, &m_feedsCaptions}, {pmnuItems, &m_entriesCaptions}, {pmnuTray, &m_trayCaptions}};
  for (const auto& [menu, captions] : menus) {
    connect(menu, &QMenu::aboutToShow, this, [this, captions = captions] { ShowContextCaptions(*captions); });
    connect(menu, &QMenu::aboutToHide, this, [this] { ApplyMainCaptions(); });
  }
}

void TMainActions::ShowContextCaptions(const std::vector<TContextCaption>& captions) {
  for (const TContextCaption& caption : captions) {
    caption.Action->setText(Text(caption.Key, caption.Default));
  }
}

void TMainActions::ApplyMainCaptions() {
  for (const TCaption& caption : kMenuCaptions) {
    const std::string params = caption.NamesTheProgram ? std::string("Tidewick") : std::string(kNoParams);
    (this->*caption.Member)->setText(Text(caption.Key, caption.Default, params));
  }
}

void TMainActions::ApplyLanguage() {
  ApplyMainCaptions();
  mnuFile->setTitle(Text("Main|mnuFile", "&Datei"));
  mnuFeed->setTitle(Text("Main|mnuFeed", "&Feed"));
  mnuExtras->setTitle(Text("Main|mnuExtras", "&Extras"));
  mnuHelp->setTitle(Text("Main|mnuHelp", "&Hilfe"));
  mnuLanguage->setTitle(QString::fromStdString(LanguageMenuCaption()));
  for (const TToolButtonEntry& button : kToolButtons) {
    if (button.Member == nullptr) {
      continue;
    }
    const QString hint = QString::fromStdString(GetLangText(ToolButtonKey(button.Name).toStdString(), button.Default));
    (this->*button.Member)->setToolTip(hint);
    ToolButton(this->*button.Member)->setAccessibleName(hint);
  }
  tbMain->setWindowTitle(Text("Main|tbMainAccessible", "Werkzeugleiste"));
  tbMain->setAccessibleName(tbMain->windowTitle());
  // Qt's own button for the buttons that do not fit, which it leaves unnamed.
  if (auto* more = tbMain->findChild<QToolButton*>(QStringLiteral("qt_toolbar_ext_button"))) {
    more->setAccessibleName(Text("Main|tbMainMore", "Weitere Schaltflächen"));
  }
  QWidget* menuBar = mnuFile->parentWidget();  // the menus hang on the window's menu bar
  menuBar->setAccessibleName(Text("Main|mnuMainAccessible", "Menüleiste"));
  for (QMenu* menu : {mnuFile, mnuFeed, mnuExtras, mnuLanguage, mnuHelp}) {
    menu->setAccessibleName(QString(menu->title()).remove(QLatin1Char('&')));
  }
}

void TMainActions::SetCommand(QAction* action, std::function<void()> command) {
  connect(action, &QAction::triggered, this, [command = std::move(command)] { command(); });
  MarkAvailable(action);
}

void TMainActions::MarkAvailable(const QAction* action) {
  if (!IsAvailable(action)) {
    m_available.push_back(action);
  }
}

bool TMainActions::IsAvailable(const QAction* action) const {
  return std::find(m_available.begin(), m_available.end(), action) != m_available.end();
}

void TMainActions::SetEnabledIfAvailable(QAction* action, bool enabled) {
  action->setEnabled(enabled && IsAvailable(action));
}

QToolButton* TMainActions::ToolButton(QAction* action) const {
  return qobject_cast<QToolButton*>(tbMain->widgetForAction(action));
}

}  // namespace tidewick
