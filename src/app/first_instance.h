#pragma once

// The first instance once it holds the instance lock and the store lock: the main window with its life cycle, the
// save on signals and logout, and the hand-overs of later starts.

#include <string>
#include <vector>

#include <QObject>

class QDialog;

#include "app/signal_saver.h"
#include "app/single_instance.h"
#include "app/window_lifecycle.h"
#include "tree/welcome_feed.h"
#include "ui/dialogs/popup_window.h"
#include "ui/main/main_window.h"
#include "ui/main/tray_notifier.h"

namespace tidewick {

// As tidewick-feed says it: the program ended, but what it had could not be saved.
inline constexpr int kExitSaveFailed = 4;

struct TFirstInstanceOptions {
  TMainWindowOptions Window;
  TInstancePlace Place;
  TStorePresence StorePresence = TStorePresence::Present;  // before the store was loaded
  bool MinSwitch = false;                                  // started with MIN
  std::vector<std::string> Params;                         // the command line without the program
};

class TFirstInstance : public QObject {
  Q_OBJECT

 public:
  explicit TFirstInstance(const TFirstInstanceOptions& options);
  ~TFirstInstance() override;

  // Shows the window as the settings say (maximised, normal or minimised to the tray), listens for later starts,
  // then opens the add-feed dialog for an address given on the command line.
  void Start();

  TMainWindow& Window() { return m_window; }

  // The program's exit status once the event loop has ended: 0, or kExitSaveFailed when the last save failed (each
  // file that was not saved is named on standard error).
  int ExitStatus();

 private:
  void SubscribeWelcomeFeed(TStorePresence storePresence);
  void WireExitAndTray();
  void WireNotifications();
  void ShowPopupEntry(quint64 feedId, const QString& title);
  void ShowAsStored();
  void OnHandOver(const THandOver& handOver);
  QDialog* OfferAddress(const std::vector<std::string>& params);  // the add dialog it opened, if any
  void Shutdown();

  TFirstInstanceOptions m_options;
  TMainWindow m_window;
  TWindowLifecycle m_lifecycle;
  TSignalSaver m_signals;
  THandOverServer m_server;
  TPopupWindow* m_popup = nullptr;  // a top-level window of its own, deleted with this object
  TTrayNotifier* m_notifier = nullptr;
};

}  // namespace tidewick
