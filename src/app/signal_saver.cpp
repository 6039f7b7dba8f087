#include "app/signal_saver.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <array>
#include <cerrno>

#include <QGuiApplication>

namespace tidewick {
namespace {

constexpr std::array kEndingSignals = {SIGTERM, SIGHUP, SIGINT};

// Written by the handler, read by the event loop. Process-wide because a signal handler has no context.
int g_signalPipe[2] = {-1, -1};

extern "C" void WriteSignalByte(int signalNumber) {
  const int savedErrno = errno;
  const auto byte = static_cast<unsigned char>(signalNumber);
  [[maybe_unused]] const ssize_t written = ::write(g_signalPipe[1], &byte, 1);  // async-signal-safe
  errno = savedErrno;
}

bool OpenSignalPipe() {
  if (g_signalPipe[0] >= 0) {
    return true;
  }
  return ::pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) == 0;
}

}  // namespace

TSignalSaver::TSignalSaver(std::function<void()> saveNow, std::function<void()> endProgram, QObject* parent)
    : QObject(parent), m_saveNow(std::move(saveNow)), m_endProgram(std::move(endProgram)) {
  if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
    // The session manager may end us without any close request: save while the session still waits for us.
    connect(app, &QGuiApplication::commitDataRequest, this, &TSignalSaver::OnCommitData, Qt::DirectConnection);
    connect(app, &QCoreApplication::aboutToQuit, this, [this] { m_saveNow(); });
  }
  if (!OpenSignalPipe()) {
    return;
  }
  struct sigaction action {};
  action.sa_handler = WriteSignalByte;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (const int signalNumber : kEndingSignals) {
    if (::sigaction(signalNumber, &action, nullptr) != 0) {
      return;
    }
  }
  m_notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, this);
  connect(m_notifier, &QSocketNotifier::activated, this, &TSignalSaver::OnSignal);
}

TSignalSaver::~TSignalSaver() {
  if (m_notifier == nullptr) {
    return;
  }
  struct sigaction action {};
  action.sa_handler = SIG_DFL;
  sigemptyset(&action.sa_mask);
  for (const int signalNumber : kEndingSignals) {
    ::sigaction(signalNumber, &action, nullptr);
  }
}

void TSignalSaver::OnSignal() {
  unsigned char byte = 0;
  bool any = false;
  while (::read(g_signalPipe[0], &byte, 1) == 1) {
    m_lastSignal = byte;
    any = true;
  }
  if (!any) {
    return;
  }
  // Saved first, so the data is on disk even if ending takes longer than whoever sent the signal waits.
  m_saveNow();
  m_endProgram();
}

void TSignalSaver::OnCommitData(QSessionManager& manager) {
  Q_UNUSED(manager);
  m_saveNow();
}

}  // namespace tidewick
