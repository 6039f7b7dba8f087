#include "app_test_support.h"

#include <signal.h>

#include <filesystem>

#include <QDeadlineTimer>
#include <QLocalSocket>
#include <QThread>

namespace tidewick::test {

TProgramHome::TProgramHome() {
  for (const char* folder : {"home", "config", "runtime"}) {
    std::filesystem::create_directories(m_dir.Path() / folder);
  }
  std::filesystem::permissions(m_dir.Path() / "runtime", std::filesystem::perms::owner_all);
}

QString TProgramHome::RuntimeFolder() const {
  return QString::fromStdString((m_dir.Path() / "runtime").string());
}

std::string TProgramHome::UserFolder() const {
  return (m_dir.Path() / "config" / "Tidewick").string();
}

QProcessEnvironment TProgramHome::Environment() const {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("HOME", QString::fromStdString((m_dir.Path() / "home").string()));
  env.insert("XDG_CONFIG_HOME", QString::fromStdString((m_dir.Path() / "config").string()));
  env.insert("XDG_RUNTIME_DIR", RuntimeFolder());
  env.insert("QT_QPA_PLATFORM", "offscreen");
  env.remove("DISPLAY");
  env.remove("WAYLAND_DISPLAY");
  env.remove("XDG_ACTIVATION_TOKEN");
  env.remove("DESKTOP_STARTUP_ID");
  return env;
}

TSettingsLocation TProgramHome::Location() const {
  std::filesystem::create_directories(UserFolder());
  TSettingsLocation location;
  location.AppPath = UserFolder() + "/";
  location.SettingsFileName = SettingsFile();
  location.FeedsFileName = StoreFile();
  location.UseProgramFolder = false;
  return location;
}

TSettingsValues TProgramHome::ReadSettings() const {
  TSettings settings;
  LoadSettings(settings, Location());
  return settings;
}

TProgramRun::TProgramRun(const TProgramHome& home, const QStringList& args, const QString& program)
    : m_process(std::make_unique<QProcess>()) {
  m_process->setProcessEnvironment(home.Environment());
  m_process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
  m_process->setStandardOutputFile(QProcess::nullDevice());
  m_process->start(program, args);
  m_process->waitForStarted(kProcessWaitMs);
}

TProgramRun::~TProgramRun() {
  if (IsRunning()) {
    m_process->kill();
    m_process->waitForFinished(kProcessWaitMs);
  }
}

int TProgramRun::WaitForExit(int ms) {
  if (!m_process->waitForFinished(ms) || m_process->exitStatus() != QProcess::NormalExit) {
    return -1;
  }
  return m_process->exitCode();
}

void TProgramRun::Signal(int signalNumber) {
  ::kill(static_cast<pid_t>(Pid()), signalNumber);
}

bool WaitForListening(const QString& socketPath, int ms) {
  const QDeadlineTimer deadline(ms);
  while (!deadline.hasExpired()) {
    QLocalSocket probe;
    probe.connectToServer(socketPath);
    if (probe.waitForConnected(100)) {
      probe.abort();
      return true;
    }
    QThread::msleep(50);
  }
  return false;
}

bool EndsOnSigterm(TProgramRun& run) {
  run.Signal(SIGTERM);
  return run.WaitForExit() == 0;
}

bool RunUntilSigterm(const TProgramHome& home, const QStringList& args, const QString& program) {
  TProgramRun run(home, args, program);
  return WaitForListening(home.SocketPath()) && EndsOnSigterm(run);
}

}  // namespace tidewick::test
