#pragma once

// Ends the program cleanly on SIGTERM, SIGHUP and SIGINT (a logout, a shutdown, Ctrl+C in a terminal) and on the
// session manager's requests: the signal handler only writes one byte into a pipe; the event loop reads it and
// runs the save and quit there, where any work is allowed.

#include <functional>

#include <QObject>
#include <QSessionManager>
#include <QSocketNotifier>

namespace tidewick {

class TSignalSaver : public QObject {
  Q_OBJECT

 public:
  // saveNow writes everything at once; endProgram ends the event loop the normal way (which saves again only if
  // something changed since). Both run on the main thread.
  TSignalSaver(std::function<void()> saveNow, std::function<void()> endProgram, QObject* parent = nullptr);
  ~TSignalSaver() override;
  TSignalSaver(const TSignalSaver&) = delete;
  TSignalSaver& operator=(const TSignalSaver&) = delete;

  // False when the pipe or the handlers could not be installed (the program still runs, saving on exit only).
  bool Installed() const { return m_notifier != nullptr; }
  // The signal that arrived last (0 for none), for tests.
  int LastSignal() const { return m_lastSignal; }

 private:
  void OnSignal();
  void OnCommitData(QSessionManager& manager);

  std::function<void()> m_saveNow;
  std::function<void()> m_endProgram;
  QSocketNotifier* m_notifier = nullptr;  // child of this
  int m_lastSignal = 0;
};

}  // namespace tidewick
