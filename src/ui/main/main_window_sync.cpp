// The window's side of the sync accounts: what starts a sync, what a finished one refreshes, the marks that go into
// the queue, and the account commands.

#include <QAction>
#include <QTimer>

#include "feeds/feed_records.h"
#include "settings/settings.h"
#include "sync/sync_queue.h"
#include "sync/sync_run.h"
#include "tree/feed_tree.h"
#include "ui/dialogs/account_dialog.h"
#include "ui/main/entry_controller.h"
#include "ui/main/feed_tree_actions.h"
#include "ui/main/main_actions.h"
#include "ui/main/main_window.h"
#include "ui/main/refresh_controller.h"
#include "ui/main/sync_controller.h"

namespace tidewick {

void TMainWindow::WireSyncCommands() {
  TSyncHooks hooks;
  hooks.Applied = [this](const TSyncApplyResult& result) {
    // The tree was rebuilt from the store; the list, tray and popup count the new unread entries as a refresh's.
    UpdateActionStates();
    m_entryController->Refill();
    UpdateTrayNotification();
    if (result.StoreChanged()) {  // a sync that brought nothing leaves a large store file alone
      ScheduleSave();
    }
  };
  hooks.StoreChanged = [this] {
    UpdateActionStates();
    m_entryController->Refill();
    UpdateTrayNotification();
    ScheduleSave();
  };
  hooks.Status = [this](const std::string& text) {
    SetStatusText([text = QString::fromStdString(text)] { return text; });
  };
  // The same proxy and time-out as the command line's sync: a server takes a while to put a page of full articles
  // together, so the feeds' time-out (10 s by default) is too short for it.
  hooks.ConnectionDefaults = [] { return SyncConnectionFor({}, Settings(), {}); };
  const std::string queueFile =
      m_storeMaySave && !Settings().FeedsFileName.empty() ? SyncQueueFileName(Settings().FeedsFileName) : std::string();
  m_sync = new TSyncController(queueFile, *m_tree, this, std::move(hooks));
  m_sync->LoadQueue();

  m_entryController->SetEntryMarked([this](const TFeed& feed, const TEntry& entry, bool star) {
    m_sync->NoteMark(feed, entry, star ? TSyncField::Starred : TSyncField::Read);
  });
  m_feedTreeActions->SetSyncHooks(
      {[this](const TFeed& feed, const TEntry& entry) { m_sync->NoteMark(feed, entry, TSyncField::Read); },
       [this](uint64_t feedId) { m_sync->Unsubscribe(feedId); },
       [this](const std::string& key) { m_sync->ForgetAccount(key); }});

  TMainActions& a = *m_actions;
  a.SetCommand(a.mnuFeedAddAccount, [this] { RunAddAccountDialog(*this); });
  // A timed refresh syncs the accounts at the interval new feeds get.
  auto minutes = std::make_shared<int>(0);
  connect(m_refresh->tmrAutoUpdate, &QTimer::timeout, this, [this, minutes] {
    if (Settings().AutoUpdate && ++*minutes >= std::max(1, Settings().DefaultTTL)) {
      *minutes = 0;
      m_sync->SyncAll();
    }
  });
}

}  // namespace tidewick
