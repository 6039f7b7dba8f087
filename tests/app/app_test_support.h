#pragma once

// Runs the built program as a user would, with its home, config and runtime folders in a temporary folder, on
// the offscreen platform.

#include <memory>
#include <string>

#include <QProcess>
#include <QString>
#include <QStringList>

#include "settings/settings.h"
#include "support/temp_dir.h"

namespace tidewick::test {

inline constexpr int kProcessWaitMs = 20000;

class TProgramHome {
 public:
  TProgramHome();

  QString RuntimeFolder() const;
  QString SocketPath() const { return RuntimeFolder() + "/tidewick.socket"; }
  QString LockFile() const { return RuntimeFolder() + "/tidewick.lock"; }
  // The per-user folder the switch APPDATA selects.
  std::string UserFolder() const;
  std::string StoreFile() const { return UserFolder() + "/Feeds.xml"; }
  std::string SettingsFile() const { return UserFolder() + "/Tidewick.ini"; }
  QProcessEnvironment Environment() const;

  // The settings record as a fresh start would read it from the per-user folder.
  TSettingsValues ReadSettings() const;
  // Writes a settings file into the per-user folder with values changed by edit.
  template <typename TEdit>
  void WriteSettings(TEdit edit) const {
    TSettings settings;
    LoadSettings(settings, Location());
    edit(static_cast<TSettingsValues&>(settings));
    SaveSettings(settings);
  }

 private:
  TSettingsLocation Location() const;

  TempDir m_dir;
};

// One run of the program.
class TProgramRun {
 public:
  TProgramRun(const TProgramHome& home, const QStringList& args, const QString& program = TIDEWICK_PROGRAM);
  ~TProgramRun();  // kills what is still running

  QProcess& Process() { return *m_process; }
  qint64 Pid() const { return m_process->processId(); }
  bool IsRunning() const { return m_process->state() != QProcess::NotRunning; }
  // Waits for the end; the exit status, or -1 when it did not end in time or crashed.
  int WaitForExit(int ms = kProcessWaitMs);
  void Signal(int signalNumber);

 private:
  std::unique_ptr<QProcess> m_process;
};

// True once something accepts connections on the socket within ms.
bool WaitForListening(const QString& socketPath, int ms = kProcessWaitMs);

// Starts the program, waits until it listens and ends it with SIGTERM; true when it then exits with status 0.
bool RunUntilSigterm(const TProgramHome& home, const QStringList& args, const QString& program = TIDEWICK_PROGRAM);
// Ends a running program that listens already with SIGTERM; true when it exits with status 0.
bool EndsOnSigterm(TProgramRun& run);

}  // namespace tidewick::test
