// Creation of the main window, in the order the later steps rely on: settings, language, store, layout, tree.
// Each step is a function of its own so the start-up code can add to one without touching the others.

#include <filesystem>

#include <QPlainTextEdit>
#include <QShowEvent>
#include <QSplitter>
#include <QTabWidget>
#include <QTimer>

#include "feeds/feed_store.h"
#include "lang/lang_text.h"
#include "platform/paths.h"
#include "settings/settings.h"
#include "settings/settings_damage.h"
#include "tree/feed_tree.h"
#include "ui/main/feed_tree_actions.h"
#include "ui/main/feed_tree_model.h"
#include "ui/main/main_actions.h"
#include "ui/main/main_window.h"
#include "ui/main/qt_translation.h"
#include "ui/main/refresh_controller.h"
#include "ui/main/save_problem_report.h"
#include "ui/main/sync_controller.h"
#include "ui/main/text_font.h"
#include "ui/main/ui_prompts.h"
#include "ui/rules/language_menu.h"
#include "util/html_text.h"

namespace tidewick {

TMainWindow::TMainWindow(const TMainWindowOptions& options, QWidget* parent)
    : QMainWindow(parent), m_options(options), m_tree(std::make_unique<TFeedTree>()) {
  setObjectName(QStringLiteral("frmMain"));
  setWindowTitle(QStringLiteral("Tidewick"));  // never translated: a second start finds the window by it
  resize(727, 511);
  BuildEntityTable();
  const TSettingsLoadResult settingsLoad = LoadSettingsStep(options);
  LoadLanguageStep(settingsLoad);
  KeepDamagedSettingsStep(settingsLoad);
  LoadStoreStep();
  CreateLayoutStep();
  BuildTreeStep();
}

TMainWindow::~TMainWindow() {
  // The tree's view, model and commands refer to the tree, which goes before the window's children do.
  delete m_feedTreeActions;
  delete takeCentralWidget();
  delete m_feedTreeModel;
}

TSettingsLoadResult TMainWindow::LoadSettingsStep(const TMainWindowOptions& options) {
  TSettings& settings = Settings();
  settings.UseProgramFolder = options.UseProgramFolder;
  TSettingsLoadResult result;
  if (options.SettingsFileName.empty()) {
    result = LoadSettings(settings);
  } else {
    TSettingsLocation location;
    location.AppPath = ProgramFolder();
    location.SettingsFileName = options.SettingsFileName;
    location.FeedsFileName =
        options.FeedsFileName.empty()
            ? (std::filesystem::path(options.SettingsFileName).parent_path() / "Feeds.xml").string()
            : options.FeedsFileName;
    location.UseProgramFolder = options.UseProgramFolder;
    result = LoadSettings(settings, location);
  }
  if (!options.FeedsFileName.empty()) {
    settings.FeedsFileName = options.FeedsFileName;
  }
  if (m_options.DataFolder.empty()) {
    m_options.DataFolder = DataFolder();
  }
  return result;
}

void TMainWindow::LoadLanguageStep(const TSettingsLoadResult& load) {
  if (!load.LanguageStored) {
    Settings().Language = LanguageForFirstStart(m_options.DataFolder);
    m_languageChosenAtStart = true;
  }
  SwitchLanguage(m_options.DataFolder, Settings().Language);
  UseQtTranslation(CurrentLanguageCode());
}

// Shown once the event loop runs, so start-up never waits in a message box.
void TMainWindow::WarnWhenRunning(const std::string& text) {
  const QString message = QString::fromStdString(text);
  QTimer::singleShot(
      0, this, [this, message] { prompts::Message(this, QMessageBox::Warning, QStringLiteral("Tidewick"), message); });
}

void TMainWindow::KeepDamagedSettingsStep(const TSettingsLoadResult& load) {
  if (load.Damaged) {
    const std::string& fileName = Settings().SettingsFileName;
    WarnWhenRunning(SettingsDamageMessage(fileName, load, KeepDamagedSettingsFiles(fileName, load)));
  }
}

void TMainWindow::LoadStoreStep() {
  const TStoreLoadResult result = LoadFeedStore(Settings().FeedsFileName);
  m_storeMaySave = result.MaySave();
  if (!result.Message.empty()) {
    WarnWhenRunning(result.Message);
  }
}

void TMainWindow::CreateLayoutStep() {
  m_actions = new TMainActions(this);
  CreatePanes();
  ApplyTextFont(*m_widgets.entryTextView, Settings().TextFont);
  CreateStatusBar();
  m_refresh = new TRefreshController(m_widgets.statusProgress, m_widgets.statusText, this);
  m_saver = new TSaveScheduler([this] { StoreWindowLayout(); }, this, m_options.ReadMarksSaveDelayMs);
  m_saver->SetStoreMaySave(m_storeMaySave);
  m_saveProblems = new TSaveProblemReport(m_widgets.statusBar, this);
  connect(m_saver, &TSaveScheduler::Saved, m_saveProblems, &TSaveProblemReport::Take);
  WireCommands();
  FillLanguageMenu();
  ApplyLanguage();
  if (m_languageChosenAtStart) {
    ScheduleSave();  // later starts keep this language even when the desktop's changes
  }
  HideEmptyHelpLinks();
  RecordPaneRatio();
}

void TMainWindow::BuildTreeStep() {
  m_tree->BuildFeedTree();
  m_tree->SelectNodeByPath(Settings().LastSelectedPath);
  UpdateActionStates();
}

void TMainWindow::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (!m_shownOnce) {
    m_shownOnce = true;
    OnFirstShow();
  }
}

void TMainWindow::OnFirstShow() {
  ApplyStoredLayout();
  SetStatusText([] { return QString::fromStdString(GetLangText("Main|sbMainReady", "Bereit.")); });
  m_refresh->tmrAutoUpdate->start();
  m_refresh->RefreshAtStartup();
  if (Settings().FeedsAutoUpdateAtStart) {
    m_sync->SyncAll();  // asks for a password the keyring does not hold
  } else {
    m_sync->AskPasswordsWhenNoSecretService();
  }
}

void TMainWindow::ApplyStoredLayout() {
  const TSettings& settings = Settings();
  SetWindowOnTop(settings.WindowOnTop);
  m_widgets.treeSplitter->setSizes({settings.FormSplitterV, std::max(1, width() - settings.FormSplitterV)});
  SetBottomHeight(settings.FormSplitterH);
  ApplyPaneResizeRule();
  const int tabs = m_widgets.entryTabs->count();
  int tab = settings.DefaultDescTab == 1 ? 0 : settings.DefaultDescTab == 2 ? 1 : settings.LastDescTab;
  if (tab < 0 || tab >= tabs) {
    tab = 0;
  }
  m_widgets.entryTabs->setCurrentIndex(tab);
}

}  // namespace tidewick
