#include "app/single_instance.h"

#include <unistd.h>

#include <memory>

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QThread>

namespace tidewick {
namespace {

// Bytes read from a connection at once; a message is never longer.
constexpr qint64 kReadChunk = qint64{kMaxHandOverBytes} + 16;

// A folder only this user may enter: absolute, a real folder owned by the user, closed to group and others.
bool IsPrivateFolder(const QString& folder) {
  const QFileInfo info(folder);
  const QFile::Permissions others =
      QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
  return info.isAbsolute() && info.isDir() && !info.isSymLink() && info.ownerId() == ::geteuid() &&
         (info.permissions() & others) == 0;
}

// $XDG_RUNTIME_DIR when it is private to the user; else, as Qt does, a private folder of the user's own in the
// temporary folder. Never a relative place (the current folder) nor one another user could have made.
QString RuntimeFolder() {
  const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
  if (IsPrivateFolder(runtime)) {
    return QDir::cleanPath(runtime);
  }
  const QString temp = QDir::isAbsolutePath(QDir::tempPath()) ? QDir::tempPath() : QStringLiteral("/tmp");
  const QString own = QStringLiteral("%1/tidewick-runtime-%2").arg(temp).arg(::geteuid());
  QDir().mkdir(own, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  return IsPrivateFolder(own) ? own : QString();
}

enum class TAttempt { Handled, Lost, NotListening };

// One connection: send, then wait for the answer for as long as the first instance keeps the connection open.
TAttempt TryHandOver(const QString& socketPath, const std::string& message) {
  QLocalSocket socket;
  socket.connectToServer(socketPath);
  if (!socket.waitForConnected(kConnectRetryMs)) {
    return TAttempt::NotListening;
  }
  socket.write(message.data(), static_cast<qint64>(message.size()));
  while (socket.bytesToWrite() > 0) {
    if (!socket.waitForBytesWritten(kDefaultHandOverWaitMs)) {
      return TAttempt::Lost;
    }
  }
  while (socket.state() == QLocalSocket::ConnectedState) {
    if (socket.waitForReadyRead(1000) && socket.readAll().contains(kHandOverHandled)) {
      return TAttempt::Handled;
    }
  }
  return socket.readAll().contains(kHandOverHandled) ? TAttempt::Handled : TAttempt::Lost;
}

}  // namespace

TInstancePlace InstancePlace() {
  TInstancePlace place;
  place.Folder = RuntimeFolder();
  if (place.Folder.isEmpty()) {
    return place;
  }
  place.LockFile = place.Folder + QStringLiteral("/tidewick.lock");
  place.SocketPath = place.Folder + QStringLiteral("/tidewick.socket");
  return place;
}

TInstanceLock::TInstanceLock(const QString& lockFile) : m_lock(lockFile) {
  // The default (30 s) would let a second start take the lock of a live instance that has run a while.
  m_lock.setStaleLockTime(0);
}

bool TInstanceLock::TryTake() {
  return m_lock.isLocked() || m_lock.tryLock(0);
}

THandOverResult HandOverToFirstInstance(const QString& socketPath, const THandOver& handOver,
                                        const std::function<bool()>& tryTakeLock, int waitMs) {
  std::optional<std::string> message = EncodeHandOver(handOver);
  if (!message) {
    // Parameters we may not send still bring the window to the front.
    message = EncodeHandOver(THandOver{handOver.ActivationToken, {}});
  }
  if (!message) {
    message = EncodeHandOver(THandOver{});
  }
  const QDeadlineTimer deadline(waitMs);
  for (;;) {
    if (TryHandOver(socketPath, *message) == TAttempt::Handled) {
      return THandOverResult::Handled;
    }
    // Not listening yet, or it went away while ending: the lock tells which.
    if (tryTakeLock && tryTakeLock()) {
      return THandOverResult::BecameFirst;
    }
    if (deadline.hasExpired()) {
      return THandOverResult::NoAnswer;
    }
    QThread::msleep(kConnectRetryMs);
  }
}

THandOverServer::THandOverServer(QString socketPath, THandler handler, QObject* parent)
    : QObject(parent),
      m_socketPath(std::move(socketPath)),
      m_handler(std::move(handler)),
      m_busy([] { return QApplication::activeModalWidget() != nullptr; }) {
  m_server.setSocketOptions(QLocalServer::UserAccessOption);
  m_server.setMaxPendingConnections(kMaxOpenConnections);
  m_waitForDialog.setInterval(200);
  m_waitForDialog.setSingleShot(true);
  connect(&m_waitForDialog, &QTimer::timeout, this, &THandOverServer::HandleQueue);
  connect(&m_server, &QLocalServer::newConnection, this, &THandOverServer::Accept);
}

bool THandOverServer::Listen() {
  QLocalServer::removeServer(m_socketPath);
  return m_server.listen(m_socketPath);
}

void THandOverServer::Accept() {
  while (QLocalSocket* socket = m_server.nextPendingConnection()) {
    if (m_openConnections >= kMaxOpenConnections) {
      socket->abort();
      socket->deleteLater();
      continue;
    }
    Watch(socket);
  }
}

void THandOverServer::Watch(QLocalSocket* socket) {
  ++m_openConnections;
  socket->setReadBufferSize(kReadChunk);
  auto decoder = std::make_shared<THandOverDecoder>();
  auto* deadline = new QTimer(socket);
  deadline->setSingleShot(true);
  deadline->start(m_connectionTimeoutMs);
  connect(deadline, &QTimer::timeout, socket, [socket] { socket->abort(); });
  connect(socket, &QLocalSocket::disconnected, this, [this, socket, decoder] {
    // A connection whose message was taken belongs to the queue until it has been handled.
    if (decoder->Status() != THandOverDecoder::TStatus::Complete) {
      Release(socket);
    }
  });
  connect(socket, &QLocalSocket::readyRead, this, [this, socket, decoder, deadline] {
    if (decoder->Status() != THandOverDecoder::TStatus::NeedMore) {
      socket->abort();  // a second message, or bytes after it: not our client
      return;
    }
    const QByteArray bytes = socket->read(kReadChunk);
    switch (decoder->Append(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())))) {
      case THandOverDecoder::TStatus::NeedMore:
        return;
      case THandOverDecoder::TStatus::Invalid:
        socket->abort();
        return;
      case THandOverDecoder::TStatus::Complete:
        deadline->stop();  // from now on the later start waits for us, not we for it
        m_queue.push_back(TPending{socket, decoder->Message()});
        // Queued: a handler may open a dialog, whose loop must not run inside this socket's signal.
        QMetaObject::invokeMethod(this, &THandOverServer::HandleQueue, Qt::QueuedConnection);
        return;
    }
  });
}

void THandOverServer::Release(QLocalSocket* socket) {
  --m_openConnections;
  socket->disconnect(this);
  socket->deleteLater();
}

void THandOverServer::HandleQueue() {
  if (m_handling) {
    return;  // the running handler's loop picks up what arrived meanwhile
  }
  while (!m_queue.empty()) {
    if (m_busy && m_busy()) {
      m_waitForDialog.start();
      return;
    }
    const TPending next = std::move(m_queue.front());
    m_queue.pop_front();
    m_handling = true;
    m_handler(next.Message);  // may open a modal dialog and run a nested loop
    m_handling = false;
    if (next.Socket->state() == QLocalSocket::ConnectedState) {
      next.Socket->write(&kHandOverHandled, 1);
      next.Socket->flush();
      next.Socket->disconnectFromServer();
    }
    Release(next.Socket);
  }
}

}  // namespace tidewick
