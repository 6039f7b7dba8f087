#pragma once

// Syncs the store's accounts from the window. A sync takes its snapshot on the main thread, runs FetchSyncDownload
// on a worker of its own pool (the window never waits for the server) and hands the download back by a queued call;
// ApplySyncDownload then changes the store at once on the main thread. The queue of unsent marks and stars lives
// here too: every mark the user makes on an entry of an account feed goes in, and its file is written soon, off
// the main thread.
//
// Passwords: the Secret Service, else what the user typed this run (memory only). Wrong credentials ask once more.
// Everything that talks to a server goes through the service maker, so tests can give a fake server.

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <unordered_map>

#include <QObject>
#include <QPointer>
#include <QThreadPool>

#include "feeds/feed_records.h"
#include "sync/sync_download.h"
#include "sync/sync_queue.h"
#include "sync/sync_service.h"

class QTimer;
class QWidget;

namespace tidewick {

class TFeedTree;

struct TSyncHooks {
  // A download was applied: the tree is rebuilt already; the list, tray and a save follow.
  std::function<void(const TSyncApplyResult&)> Applied;
  // A feed left the store (unsubscribed on the server), or an account was added: enabled states, list, save.
  std::function<void()> StoreChanged;
  // The status bar's text (plain text).
  std::function<void(const std::string&)> Status;
  // The fetch settings of the program (proxy, timeout) for a connection.
  std::function<TSyncConnection()> ConnectionDefaults;
};

using TSyncServiceMaker = std::function<std::unique_ptr<TSyncService>(const std::string& kind, TSyncConnection)>;

class TSyncController : public QObject {
  Q_OBJECT

 public:
  // queueFileName: the queue beside the store ("" for none: nothing is saved). tree is the window's.
  TSyncController(std::string queueFileName, TFeedTree& tree, QWidget* owner, TSyncHooks hooks);
  ~TSyncController() override;  // stops the syncs and waits for the workers

  // Reads the queue file (at start, before any sync).
  void LoadQueue();
  // Without a Secret Service, asks for each account's password once (at start).
  void AskPasswordsWhenNoSecretService();

  // Syncs every account, or one; an account already syncing is left to finish.
  void SyncAll();
  void SyncAccount(const std::string& key);
  bool IsSyncing() const { return !m_running.empty(); }

  // The user changed a read mark or a star of an entry: queued when the entry belongs to an account feed.
  void NoteMark(const TFeed& feed, const TEntry& entry, TSyncField field);

  // Subscribes to url under the account (categoryId "" for none); the feed appears with the next sync.
  void Subscribe(const std::string& key, const std::string& url, const std::string& categoryId);
  // Unsubscribes the account feed on its server; only when the server confirmed does it leave the store here.
  void Unsubscribe(uint64_t feedId);

  // A password the user typed: kept for this run.
  void RememberPassword(const std::string& key, const std::string& password);
  // Adds a checked account under a new Key ("ttrss1", "ttrss2"...), keeps its password (in the Secret Service when
  // one was found, written off this thread) and syncs it. Returns the Key.
  std::string AddAccount(TSyncAccount account, const std::string& password, bool secretService);
  // The account was removed here: its queued changes and typed password go too (the keyring entry stays: another
  // store may use the same account).
  void ForgetAccount(const std::string& key);

  const TSyncQueue& Queue() const { return m_queue; }
  // Tests: a fake server instead of MakeSyncService.
  void SetServiceMaker(TSyncServiceMaker maker) { m_maker = std::move(maker); }

 private:
  struct TFetched;
  void StartSync(const TSyncAccount& account, bool passwordAskedAgain);
  void OnFetched(const std::shared_ptr<TFetched>& fetched);
  std::optional<std::string> AskPassword(const TSyncAccount& account, bool wrongBefore);
  TSyncConnection ConnectionFor(const TSyncAccount& account) const;
  void Fail(const std::string& key, const std::string& reason);
  void SaveQueueSoon();
  // Runs work on a worker, then done on the main thread (never after this controller is gone).
  void RunOffThread(std::function<std::function<void()>()> work);

  std::string m_queueFileName;
  TFeedTree& m_tree;
  QPointer<QWidget> m_owner;
  TSyncHooks m_hooks;
  TSyncServiceMaker m_maker;
  TSyncQueue m_queue;
  bool m_queueMaySave = true;
  std::unordered_map<std::string, std::string> m_passwords;  // memory only, this run
  std::set<std::string> m_running;
  // When each account's marks were last compared feed by feed (TSyncSnapshot::CheckAllMarks), this run.
  std::unordered_map<std::string, std::chrono::steady_clock::time_point> m_allMarksCheckedAt;
  bool m_askingAtStart = false;    // the start's password questions are open
  bool m_syncAfterAsking = false;  // a sync was asked for meanwhile
  std::shared_ptr<std::atomic<bool>> m_stop = std::make_shared<std::atomic<bool>>(false);
  QTimer* m_queueSave;
  QThreadPool m_pool;
  QThreadPool m_writer;  // one thread: queue files are written in order
};

}  // namespace tidewick
