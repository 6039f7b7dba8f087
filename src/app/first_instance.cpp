#include "app/first_instance.h"

#include <cstdio>
#include <cstring>
#include <utility>

#include <QApplication>
#include <QDialog>
#include <QEventLoop>
#include <QMenu>
#include <QPointer>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QTimer>

#include "app/activation.h"
#include "feeds/feed_records.h"
#include "lang/lang_text.h"
#include "platform/paths.h"
#include "settings/settings.h"
#include "tree/feed_tree.h"
#include "ui/main/entry_controller.h"
#include "ui/main/main_actions.h"
#include "ui/main/refresh_controller.h"
#include "ui/main/ui_prompts.h"
#include "ui/rules/language_menu.h"
#include "util/strings.h"
#include "web/feed_address.h"

namespace tidewick {

TFirstInstance::TFirstInstance(const TFirstInstanceOptions& options)
    : m_options(options),
      m_window(options.Window),
      m_lifecycle(&m_window, [this] { Shutdown(); }),
      m_signals([this] { m_window.SaveAllNow(); }, [this] { m_lifecycle.Exit(); }),
      m_server(options.Place.SocketPath, [this](const THandOver& handOver) { OnHandOver(handOver); }) {
  TSettings& settings = Settings();
  // After the settings were loaded, so the stored value does not undo the switch.
  if (m_options.MinSwitch) {
    settings.Minimized = true;
  }
  if (settings.DontStartMinimized) {
    settings.Minimized = false;
  }
  SubscribeWelcomeFeed(options.StorePresence);
  WireExitAndTray();
  WireNotifications();
}

TFirstInstance::~TFirstInstance() {
  delete m_popup;
}

void TFirstInstance::WireNotifications() {
  m_popup = new TPopupWindow();
  m_notifier = new TTrayNotifier(
      m_lifecycle.TrayIcon(), m_popup,
      [this] {
        const bool showing = m_window.isVisible() && !m_window.isMinimized();
        return TTrayNotifier::TWindowState{Settings().Minimized || !showing, showing};
      },
      this);
  m_window.SetTrayNotification([this] { m_notifier->UpdateTrayNotification(); });
  m_window.SetTrayMessage([this](const QString& title, const QString& text) {
    QSystemTrayIcon* tray = m_lifecycle.TrayIcon();
    if (tray == nullptr || !Settings().Minimized) {
      return false;
    }
    tray->showMessage(title, text, QSystemTrayIcon::Warning);
    return true;
  });
  connect(m_popup, &TPopupWindow::restoreRequested, &m_lifecycle, &TWindowLifecycle::Restore);
  connect(m_popup, &TPopupWindow::entryRequested, this, &TFirstInstance::ShowPopupEntry);
  // Restoring the window ends the announcement.
  connect(&m_lifecycle, &TWindowLifecycle::minimizedChanged, m_popup, [this](bool minimized) {
    if (!minimized)
      m_popup->close();
  });
  if (!m_lifecycle.TrayAvailable()) {
    m_window.SetStatusNotice([] {
      return QString::fromStdString(
          GetLangText("Main|sbMainNoTray", "Ohne Infobereich (Tray) gibt es keine Tray-Benachrichtigungen."));
    });
  }
}

void TFirstInstance::ShowPopupEntry(quint64 feedId, const QString& title) {
  // A row whose feed or entry is gone restores the window and selects nothing.
  if (!m_window.FeedTree().SelectFeed(feedId))
    return;
  m_window.EntryController().SelectByDisplayTitle(title.toStdString());
}

void TFirstInstance::SubscribeWelcomeFeed(TStorePresence storePresence) {
  std::optional<TFeed> welcome = WelcomeFeedForFirstStart(
      storePresence, m_options.Window.DataFolder.empty() ? DataFolder() : m_options.Window.DataFolder,
      CurrentLanguageCode());
  if (!welcome || FeedCount() > 0) {
    return;
  }
  const int index = AddFeed(std::move(*welcome));
  m_window.FeedTree().BuildFeedTree();
  // A new user sees the welcome entries at once: the root lists nothing while GroupInFolders is off.
  m_window.FeedTree().SelectFeed(Feeds[static_cast<size_t>(index)].Id);
  // Saved at once, so the store exists from now on and the welcome feed never comes back once removed.
  m_window.ScheduleSave();
}

void TFirstInstance::WireExitAndTray() {
  TMainActions& actions = m_window.Actions();
  // The window alone would only close itself, which the close-button rule may turn into a minimise: exit and show
  // go through the life cycle instead.
  disconnect(actions.mnuFileExit, &QAction::triggered, &actions, nullptr);
  disconnect(actions.pmnuTrayShow, &QAction::triggered, &actions, nullptr);
  connect(actions.mnuFileExit, &QAction::triggered, &m_lifecycle, &TWindowLifecycle::Exit);
  connect(actions.pmnuTrayShow, &QAction::triggered, &m_lifecycle, &TWindowLifecycle::Restore);
  m_lifecycle.SetTrayMenu(actions.pmnuTray);
  connect(&m_lifecycle, &TWindowLifecycle::minimizedChanged, this, [this] { m_window.ScheduleSave(); });
}

void TFirstInstance::Start() {
  ShowAsStored();
  // Only now the window is as the user will see it: a window still unshown would count as minimised, and the
  // popup would list the unread entries over it.
  m_notifier->UpdateTrayNotification();
  if (!m_server.Listen()) {
    prompts::Message(
        &m_window, QMessageBox::Warning, QStringLiteral("Tidewick"),
        QString::fromStdString(GetLangText("Main|MsgInstanceListenFailed",
                                           "Tidewick kann keine Adressen aus weiteren Programmstarts annehmen (%s1%).",
                                           m_options.Place.SocketPath.toStdString())));
  }
  // Queued: the first showing finishes before the dialog's own loop runs.
  QTimer::singleShot(0, this, [this] { OfferAddress(m_options.Params); });
}

void TFirstInstance::ShowAsStored() {
  const TSettings& settings = Settings();
  m_window.ApplyStoredGeometry();
  if (settings.WindowState == 1) {
    m_window.setWindowState(Qt::WindowMaximized);
  }
  if (settings.Minimized) {
    m_lifecycle.Minimize();  // restored later in the maximised state when WindowState is 1
  } else {
    m_window.show();
  }
}

void TFirstInstance::OnHandOver(const THandOver& handOver) {
  ApplyActivationToken(handOver.ActivationToken);
  m_lifecycle.Restore();
  // The later start ends only once the user has dealt with the dialog its address opened.
  const QPointer<QDialog> dialog = OfferAddress(handOver.Params);
  if (dialog == nullptr) {
    return;
  }
  QEventLoop untilClosed;
  connect(dialog, &QDialog::finished, &untilClosed, &QEventLoop::quit);
  connect(dialog, &QObject::destroyed, &untilClosed, &QEventLoop::quit);
  untilClosed.exec();
}

QDialog* TFirstInstance::OfferAddress(const std::vector<std::string>& params) {
  // Exactly one parameter besides our own switches (a desktop entry may well say "tidewick --appdata %u") that is a
  // feed address; several parameters or anything else: nothing.
  std::vector<std::string> rest;
  for (const std::string& param : params) {
    const std::vector<std::string> one{
        param};  // spelled out: a braced {param} would pick the own-command-line overload
    if (!HasSwitch(one, "APPDATA") && !HasSwitch(one, "MIN")) {
      rest.push_back(param);
    }
  }
  if (rest.size() != 1) {
    return nullptr;
  }
  const std::optional<std::string> address = AcceptFeedAddress(rest.front());
  if (!address || m_lifecycle.Exiting()) {
    return nullptr;
  }
  m_window.FeedTree().Select(m_window.FeedTree().Root());
  return m_window.ShowAddFeedDialog(QString::fromStdString(*address));
}

int TFirstInstance::ExitStatus() {
  const TSaveOutcome& last = m_window.Saver().LastOutcome();
  if (last.AllWritten()) {
    return 0;
  }
  for (const auto& [fileName, error] :
       {std::pair{last.SettingsFileName, last.SettingsError}, std::pair{last.FeedsFileName, last.StoreError}}) {
    if (error != 0) {
      std::fprintf(stderr, "tidewick: \"%s\" could not be saved: %s\n", fileName.c_str(), std::strerror(error));
    }
  }
  return kExitSaveFailed;
}

void TFirstInstance::Shutdown() {
  m_window.Refresh().Stop();
  m_window.SaveAllNow();
}

}  // namespace tidewick
