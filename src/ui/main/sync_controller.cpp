#include "ui/main/sync_controller.h"

#include <algorithm>
#include <chrono>
#include <optional>

#include <QMessageBox>
#include <QMetaObject>
#include <QTimer>

#include "lang/lang_text.h"
#include "sync/secret_store.h"
#include "sync/sync_run.h"
#include "tree/feed_tree.h"
#include "ui/main/lang_qstring.h"
#include "ui/main/ui_prompts.h"
#include "ui/rules/sync_messages.h"

namespace tidewick {
namespace {

// Queue files are small; a burst of marks is written once.
constexpr int kQueueSaveDelayMs = 1000;

const TSyncAccount* FindAccount(const std::string& key) {
  const auto found = std::find_if(SyncAccounts.begin(), SyncAccounts.end(),
                                  [&key](const auto& account) { return account.Key == key; });
  return found == SyncAccounts.end() ? nullptr : &*found;
}

// Logs in and runs one call on the server (subscribe, unsubscribe); blocking, for a worker.
TSyncStatus RunOnServer(const TSyncServiceMaker& maker, const std::string& kind, TSyncConnection connection,
                        const std::function<TSyncStatus(TSyncService&)>& call) {
  std::unique_ptr<TSyncService> service = maker(kind, std::move(connection));
  if (!service) {
    return {TSyncError::ServerError, "unknown account kind " + kind};
  }
  const TSyncStatus login = service->Login();
  return login.Ok() ? call(*service) : login;
}

// How often a sync compares the marks of every feed with unread entries, not only of those whose count changed.
constexpr std::chrono::minutes kAllMarksEvery{60};

}  // namespace

// What a sync's worker hands back.
struct TSyncController::TFetched {
  std::string Key;
  TSyncRunResult Run;
  bool NoPassword = false;  // neither the Secret Service nor this run knows it
  bool PasswordAskedAgain = false;
  std::optional<std::chrono::steady_clock::time_point> AllMarksFrom;  // when a sync comparing every feed's marks began
};

TSyncController::TSyncController(std::string queueFileName, TFeedTree& tree, QWidget* owner, TSyncHooks hooks)
    : QObject(owner),
      m_queueFileName(std::move(queueFileName)),
      m_tree(tree),
      m_owner(owner),
      m_hooks(std::move(hooks)),
      m_maker([](const std::string& kind, TSyncConnection connection) {
        return MakeSyncService(kind, std::move(connection));
      }),
      m_queueSave(new QTimer(this)) {
  m_pool.setMaxThreadCount(2);
  m_writer.setMaxThreadCount(1);
  m_queueSave->setSingleShot(true);
  m_queueSave->setInterval(kQueueSaveDelayMs);
  connect(m_queueSave, &QTimer::timeout, this, [this] {
    if (m_queueFileName.empty() || !m_queueMaySave) {
      return;
    }
    m_writer.start([fileName = m_queueFileName, queue = m_queue] { SaveSyncQueue(fileName, queue); });
  });
}

TSyncController::~TSyncController() {
  m_stop->store(true);
  m_pool.waitForDone();
  if (m_queueSave->isActive() && !m_queueFileName.empty() && m_queueMaySave) {
    m_writer.start([fileName = m_queueFileName, queue = m_queue] { SaveSyncQueue(fileName, queue); });
  }
  m_writer.waitForDone();
}

void TSyncController::LoadQueue() {
  if (m_queueFileName.empty()) {
    return;
  }
  m_queue = TSyncQueue();
  m_queueMaySave = LoadSyncQueue(m_queueFileName, m_queue).Readable;
}

void TSyncController::RunOffThread(std::function<std::function<void()>()> work) {
  m_pool.start([this, work = std::move(work)] {
    std::function<void()> done = work();
    QMetaObject::invokeMethod(this, std::move(done), Qt::QueuedConnection);
  });
}

TSyncConnection TSyncController::ConnectionFor(const TSyncAccount& account) const {
  TSyncConnection connection = m_hooks.ConnectionDefaults ? m_hooks.ConnectionDefaults() : TSyncConnection();
  connection.ServerUrl = account.ServerUrl;
  connection.UserName = account.UserName;
  connection.StopFlag = m_stop.get();
  if (const auto known = m_passwords.find(account.Key); known != m_passwords.end()) {
    connection.Password = known->second;
  }
  return connection;
}

void TSyncController::RememberPassword(const std::string& key, const std::string& password) {
  m_passwords[key] = password;
}

std::string TSyncController::AddAccount(TSyncAccount account, const std::string& password, bool secretService) {
  for (int number = 1; account.Key.empty() || FindAccount(account.Key); ++number) {
    account.Key = account.Kind + std::to_string(number);
  }
  const std::string key = account.Key;
  if (secretService) {
    m_writer.start([server = account.ServerUrl, user = account.UserName, password] {
      StoreAccountPassword(server, user, password);
    });
  }
  m_passwords[key] = password;
  SyncAccounts.push_back(std::move(account));
  m_tree.SaveTreeStructureToSettings();
  m_tree.BuildFeedTree();
  if (m_hooks.StoreChanged) {
    m_hooks.StoreChanged();
  }
  SyncAccount(key);
  return key;
}

void TSyncController::ForgetAccount(const std::string& key) {
  m_passwords.erase(key);
  m_queue.DropAccount(key);
  SaveQueueSoon();
}

void TSyncController::SyncAll() {
  for (const TSyncAccount& account : SyncAccounts) {
    SyncAccount(account.Key);
  }
}

void TSyncController::SyncAccount(const std::string& key) {
  if (m_askingAtStart) {
    m_syncAfterAsking = true;
    return;
  }
  if (const TSyncAccount* account = FindAccount(key); account && !m_running.contains(key)) {
    StartSync(*account, false);
  }
}

void TSyncController::StartSync(const TSyncAccount& account, bool passwordAskedAgain) {
  m_running.insert(account.Key);
  auto fetched = std::make_shared<TFetched>();
  fetched->Key = account.Key;
  fetched->PasswordAskedAgain = passwordAskedAgain;
  if (m_hooks.Status) {
    m_hooks.Status(GetLangText("Sync|sbSyncing", "Synchronisiere %s1%...", AccountTitle(account.Key)));
  }
  TSyncSnapshot snapshot = MakeSyncSnapshot(Feeds, account, m_queue);
  // Every feed's marks at the first sync of this run and then hourly: marks that left a count as it was arrive too.
  const auto now = std::chrono::steady_clock::now();
  const auto checked = m_allMarksCheckedAt.find(account.Key);
  snapshot.CheckAllMarks = checked == m_allMarksCheckedAt.end() || now - checked->second >= kAllMarksEvery;
  if (snapshot.CheckAllMarks) {
    fetched->AllMarksFrom = now;
  }
  RunOffThread([this, fetched, kind = account.Kind, connection = ConnectionFor(account), snapshot = std::move(snapshot),
                maker = m_maker, storeTyped = passwordAskedAgain]() mutable -> std::function<void()> {
    if (connection.Password.empty() &&
        LookupAccountPassword(connection.ServerUrl, connection.UserName, connection.Password) != TSecretResult::Ok) {
      fetched->NoPassword = true;
    } else if (std::unique_ptr<TSyncService> service = maker(kind, connection)) {
      fetched->Run = FetchSyncDownload(*service, snapshot);
      // A password typed again that the server took replaces the keyring's (where there is one).
      if (storeTyped && fetched->Run.Status.Ok()) {
        StoreAccountPassword(connection.ServerUrl, connection.UserName, connection.Password);
      }
    } else {
      fetched->Run.Status = {TSyncError::ServerError, "unknown account kind " + kind};
    }
    return [this, fetched] { OnFetched(fetched); };
  });
}

std::optional<std::string> TSyncController::AskPassword(const TSyncAccount& account, bool wrongBefore) {
  const std::string params = JoinLangParams({account.UserName, AccountTitle(account.Key)});
  const QString label = wrongBefore ? Text("Sync|DlgPasswordWrong",
                                           "Der Server hat das Passwort von %s1% auf %s2% abgelehnt. Passwort:", params)
                                    : Text("Sync|DlgPasswordLabel", "Passwort von %s1% auf %s2%:", params);
  const std::optional<QString> typed =
      prompts::InputText(m_owner, Text("Sync|DlgPasswordTitle", "Passwort des Kontos"), label, {}, QLineEdit::Password);
  if (!typed || typed->isEmpty()) {
    return std::nullopt;
  }
  return typed->toStdString();
}

void TSyncController::AskPasswordsWhenNoSecretService() {
  if (SyncAccounts.empty()) {
    return;
  }
  // A sync asked for meanwhile (the start's refresh, F5) waits for the answers instead of asking a second time.
  m_askingAtStart = true;
  const auto done = [this] {
    m_askingAtStart = false;
    if (m_syncAfterAsking) {
      m_syncAfterAsking = false;
      SyncAll();
    }
  };
  RunOffThread([this, done]() -> std::function<void()> {
    if (SecretServiceAvailable()) {
      return done;
    }
    return [this, done] {
      const TSyncAccounts accounts = SyncAccounts;  // a prompt runs an event loop: the list may change meanwhile
      for (const TSyncAccount& account : accounts) {
        if (!m_passwords.contains(account.Key)) {
          if (const std::optional<std::string> password = AskPassword(account, false)) {
            m_passwords[account.Key] = *password;
          }
        }
      }
      done();
    };
  });
}

void TSyncController::OnFetched(const std::shared_ptr<TFetched>& fetched) {
  m_running.erase(fetched->Key);
  auto account = std::find_if(SyncAccounts.begin(), SyncAccounts.end(),
                              [&fetched](const auto& known) { return known.Key == fetched->Key; });
  if (account == SyncAccounts.end()) {
    return;  // removed while it synced
  }
  const TSyncStatus& status = fetched->Run.Status;
  const bool wrongPassword = status.Error == TSyncError::LoginFailed;
  if ((fetched->NoPassword || wrongPassword) && !fetched->PasswordAskedAgain) {
    m_passwords.erase(fetched->Key);
    const TSyncAccount asked = *account;
    if (const std::optional<std::string> password = AskPassword(asked, wrongPassword)) {
      m_passwords[asked.Key] = *password;
      if (const TSyncAccount* still = FindAccount(asked.Key)) {
        StartSync(*still, true);
        return;
      }
    }
    Fail(asked.Key,
         fetched->NoPassword ? GetLangText("Sync|ErrNoPassword", "Kein Passwort angegeben.") : SyncErrorText(status));
    return;
  }
  if (fetched->NoPassword) {
    Fail(fetched->Key, GetLangText("Sync|ErrNoPassword", "Kein Passwort angegeben."));
    return;
  }
  if (!status.Ok() || !fetched->Run.Download.Complete) {
    Fail(fetched->Key, status.Ok() ? SyncErrorText({TSyncError::BadAnswer, "incomplete"}) : SyncErrorText(status));
    return;
  }
  const TSyncApplyResult result = ApplySyncDownload(Feeds, *account, fetched->Run.Download, m_queue);
  if (fetched->AllMarksFrom) {
    m_allMarksCheckedAt[fetched->Key] = *fetched->AllMarksFrom;
  }
  m_queue.Confirm(fetched->Run.Download.Sent);
  SaveQueueSoon();
  m_tree.SetAccountError(fetched->Key, {});
  m_tree.SaveTreeStructureToSettings();
  m_tree.BuildFeedTree();
  if (m_hooks.Status) {
    m_hooks.Status(GetLangText("Main|sbMainReady", "Bereit."));
  }
  if (m_hooks.Applied) {
    m_hooks.Applied(result);
  }
}

void TSyncController::Fail(const std::string& key, const std::string& reason) {
  m_tree.SetAccountError(key, reason);
  if (m_hooks.Status) {
    m_hooks.Status(GetLangText("Sync|sbSyncFailed", "Synchronisierung von %s1% fehlgeschlagen: %s2%",
                               JoinLangParams({AccountTitle(key), reason})));
  }
}

void TSyncController::NoteMark(const TFeed& feed, const TEntry& entry, TSyncField field) {
  if (!feed.Remote.IsAccountFeed() || entry.ArticleId == 0) {
    return;
  }
  m_queue.Add({feed.Remote.Account, entry.ArticleId, field, field == TSyncField::Read ? entry.IsRead : entry.Starred});
  SaveQueueSoon();
}

void TSyncController::SaveQueueSoon() {
  if (!m_queueSave->isActive()) {
    m_queueSave->start();
  }
}

void TSyncController::Subscribe(const std::string& key, const std::string& url, const std::string& categoryId) {
  const TSyncAccount* account = FindAccount(key);
  if (!account) {
    return;
  }
  RunOffThread([this, key, url, categoryId, kind = account->Kind, connection = ConnectionFor(*account),
                maker = m_maker]() mutable -> std::function<void()> {
    if (connection.Password.empty()) {
      LookupAccountPassword(connection.ServerUrl, connection.UserName, connection.Password);
    }
    const TSyncStatus status = RunOnServer(maker, kind, connection, [&](TSyncService& service) {
      std::string feedId;
      return service.Subscribe(url, categoryId, feedId);
    });
    return [this, key, url, status] {
      if (!status.Ok()) {
        prompts::Message(m_owner, QMessageBox::Warning, Text("Sync|MsgSubscribeTitle", "Abonnieren"),
                         Text("Sync|MsgSubscribeFailed", "%s1% konnte auf dem Server nicht abonniert werden:%w%%s2%",
                              JoinLangParams({url, SyncErrorText(status)})));
        return;
      }
      SyncAccount(key);  // the server tells the new feed's id only in its list of feeds
    };
  });
}

void TSyncController::Unsubscribe(uint64_t feedId) {
  const int position = FindFeedById(feedId);
  const TFeed* feed = position >= 0 ? &Feeds[static_cast<size_t>(position)] : nullptr;
  const TSyncAccount* account = feed ? FindAccount(feed->Remote.Account) : nullptr;
  if (!account) {
    return;
  }
  RunOffThread([this, feedId, name = feed->Name, remoteId = feed->Remote.FeedId, kind = account->Kind,
                connection = ConnectionFor(*account), maker = m_maker]() mutable -> std::function<void()> {
    if (connection.Password.empty()) {
      LookupAccountPassword(connection.ServerUrl, connection.UserName, connection.Password);
    }
    const TSyncStatus status =
        RunOnServer(maker, kind, connection, [&](TSyncService& service) { return service.Unsubscribe(remoteId); });
    return [this, feedId, name, status] {
      if (!status.Ok()) {
        prompts::Message(m_owner, QMessageBox::Warning, Text("Main|MsgRemoveFeedErrTitle", "Feed entfernen"),
                         Text("Sync|MsgUnsubscribeFailed",
                              "Das Feed \"%s1%\" konnte auf dem Server nicht abbestellt werden und bleibt:%w%%s2%",
                              JoinLangParams({name, SyncErrorText(status)})));
        return;
      }
      if (TTreeNode* node = m_tree.FindFeedNode(feedId)) {
        m_tree.RemoveFeedNode(node);
      }
      if (m_hooks.StoreChanged) {
        m_hooks.StoreChanged();
      }
    };
  });
}

}  // namespace tidewick
