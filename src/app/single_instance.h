#pragma once

// One instance per user. The first start takes a lock file in the per-user runtime folder and, once its window
// has been shown, listens on a local socket beside it; a later start finds the lock held, hands its parameters
// over through the socket, waits until the first instance has handled them and ends.

#include <deque>
#include <functional>

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>
#include <QTimer>

#include "app/hand_over_message.h"

class QLocalSocket;

namespace tidewick {

// Where the lock file and the socket live: $XDG_RUNTIME_DIR when it is an absolute folder private to the user, else
// <temp>/tidewick-runtime-<uid>, created private. All three are empty when neither is private (another user made the
// second): no lock can be taken then, and the start ends as when a running instance does not answer, rather than
// share a place with another user.
struct TInstancePlace {
  QString Folder;
  QString LockFile;
  QString SocketPath;  // absolute: a plain name would land in the shared /tmp
};
TInstancePlace InstancePlace();

// The lock that makes a process the first instance. A live holder's lock never goes stale, however old; a lock
// left by a process that is gone is taken over.
class TInstanceLock {
 public:
  explicit TInstanceLock(const QString& lockFile);
  bool TryTake();
  bool Held() const { return m_lock.isLocked(); }

 private:
  QLockFile m_lock;
};

enum class THandOverResult {
  Handled,      // the first instance took the parameters and has finished with them
  BecameFirst,  // the first instance went away meanwhile and this process now holds the lock
  NoAnswer,     // nobody listened within the wait
};

// The later start's side: connects every kConnectRetryMs until waitMs have passed (the first instance may still be
// starting), sends the hand-over and blocks until the first instance answers, however long its dialog stays open.
// tryTakeLock is asked between attempts, so a first instance that dies during start-up does not block this one.
inline constexpr int kConnectRetryMs = 100;
inline constexpr int kDefaultHandOverWaitMs = 10000;
THandOverResult HandOverToFirstInstance(const QString& socketPath, const THandOver& handOver,
                                        const std::function<bool()>& tryTakeLock, int waitMs = kDefaultHandOverWaitMs);

// The first instance's side. Each connection must deliver one complete message within the time-out; anything
// malformed is dropped and the connection closed. Messages are handled one at a time, never while the busy test
// says a modal dialog is open (they wait for it to close), and each is answered once its handler returned. The
// server owns every connection (its children) until it has closed or its message has been handled, so a later
// start that ends meanwhile never leaves a freed socket under a running handler.
class THandOverServer : public QObject {
  Q_OBJECT

 public:
  using THandler = std::function<void(const THandOver&)>;
  using TBusyTest = std::function<bool()>;

  static constexpr int kMaxOpenConnections = 64;
  static constexpr int kDefaultConnectionTimeoutMs = 5000;

  THandOverServer(QString socketPath, THandler handler, QObject* parent = nullptr);

  // Removes a socket file left by a crashed instance, then listens, for this user only.
  bool Listen();
  bool IsListening() const { return m_server.isListening(); }

  void SetBusyTest(TBusyTest busy) { m_busy = std::move(busy); }
  void SetConnectionTimeoutMs(int ms) { m_connectionTimeoutMs = ms; }
  int OpenConnectionCount() const { return m_openConnections; }

 private:
  struct TPending {
    QLocalSocket* Socket;  // owned by the server until released
    THandOver Message;
  };

  void Accept();
  void Watch(QLocalSocket* socket);
  void Release(QLocalSocket* socket);
  void HandleQueue();

  QString m_socketPath;
  THandler m_handler;
  TBusyTest m_busy;
  QLocalServer m_server{this};  // the connections are its children
  std::deque<TPending> m_queue;
  QTimer m_waitForDialog;
  int m_connectionTimeoutMs = kDefaultConnectionTimeoutMs;
  int m_openConnections = 0;
  bool m_handling = false;
};

}  // namespace tidewick
