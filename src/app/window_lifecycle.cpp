#include "app/window_lifecycle.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QGuiApplication>
#include <QMenu>
#include <QThread>
#include <QTimer>

#include "settings/settings.h"

namespace tidewick {
namespace {

// Modal dialogs stacked on each other are closed innermost first; more than this is not a dialog stack.
constexpr int kMaxDialogsToClose = 16;

}  // namespace

bool CloseButtonEnds(bool minOnClose, bool ctrlHeld) {
  return minOnClose == ctrlHeld;
}

QIcon ProgramIcon() {
  const QIcon shipped(QStringLiteral(":/icons/tidewick.svg"));
  return shipped.availableSizes().isEmpty() && shipped.pixmap(32).isNull()
             ? QIcon::fromTheme(QStringLiteral("tidewick"))
             : shipped;
}

TWindowLifecycle::TWindowLifecycle(QMainWindow* window, std::function<void()> shutdown, QObject* parent)
    : QObject(parent),
      m_window(window),
      m_shutdown(std::move(shutdown)),
      m_modifiers([] { return QGuiApplication::queryKeyboardModifiers(); }) {
  // Hiding the window to the tray must not end the program; only Exit does.
  QApplication::setQuitOnLastWindowClosed(false);
  if (m_window->windowIcon().isNull()) {
    m_window->setWindowIcon(ProgramIcon());
  }
  m_window->installEventFilter(this);
  SetTrayAvailable(QSystemTrayIcon::isSystemTrayAvailable());
}

TWindowLifecycle::~TWindowLifecycle() {
  if (m_window) {
    m_window->removeEventFilter(this);
  }
}

void TWindowLifecycle::SetTrayAvailable(bool available) {
  if (available && m_tray == nullptr) {
    m_tray = new QSystemTrayIcon(m_window->windowIcon(), this);
    m_tray->setToolTip(QStringLiteral("Tidewick"));
    connect(m_tray, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
      if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick) {
        Restore();
      }
    });
    m_tray->show();
  } else if (!available && m_tray != nullptr) {
    delete m_tray;
    m_tray = nullptr;
  }
}

void TWindowLifecycle::SetTrayMenu(QMenu* menu) {
  if (m_tray != nullptr) {
    m_tray->setContextMenu(menu);
  }
}

bool TWindowLifecycle::eventFilter(QObject* watched, QEvent* event) {
  if (watched == m_window) {
    if (event->type() == QEvent::Close) {
      OnCloseRequest(event);
      return !event->isAccepted();
    }
    if (event->type() == QEvent::WindowStateChange) {
      OnStateChange();
    }
  }
  return QObject::eventFilter(watched, event);
}

void TWindowLifecycle::OnCloseRequest(QEvent* event) {
  if (m_exiting) {
    event->accept();  // our own close at the end of Exit
    return;
  }
  event->ignore();
  const bool ctrlHeld = m_modifiers().testFlag(Qt::ControlModifier);
  if (CloseButtonEnds(Settings().MinOnClose, ctrlHeld)) {
    Exit();
  } else {
    Minimize();
  }
}

void TWindowLifecycle::OnStateChange() {
  const bool minimized = m_window->isMinimized();
  if (minimized == Settings().Minimized) {
    return;
  }
  Settings().Minimized = minimized;
  if (minimized && m_tray != nullptr && Settings().MinToSysTray) {
    // Leave only the tray icon; hiding inside the state change itself confuses some window managers.
    QTimer::singleShot(0, m_window, [window = m_window] {
      if (window && window->isMinimized()) {
        window->hide();
      }
    });
  }
  emit minimizedChanged(minimized);
}

void TWindowLifecycle::Minimize() {
  m_window->setWindowState(m_window->windowState() | Qt::WindowMinimized);
  if (!m_window->isVisible()) {
    m_window->show();  // a minimised start: shown minimised, then hidden to the tray by OnStateChange
  }
  OnStateChange();
}

void TWindowLifecycle::Restore() {
  if (m_exiting) {
    return;
  }
  m_window->setWindowState((m_window->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
  m_window->show();
  m_window->raise();
  m_window->activateWindow();
  OnStateChange();
}

void TWindowLifecycle::Exit() {
  if (m_exiting) {
    return;
  }
  m_exiting = true;
  // Destroying the window inside a dialog's nested event loop crashes: close the dialogs, then end from the main
  // loop once they have returned.
  for (int i = 0; i < kMaxDialogsToClose; ++i) {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr) {
      break;
    }
    if (auto* dialog = qobject_cast<QDialog*>(modal)) {
      dialog->reject();
    } else {
      modal->close();
    }
  }
  QMetaObject::invokeMethod(this, &TWindowLifecycle::FinishExit, Qt::QueuedConnection);
}

void TWindowLifecycle::FinishExit() {
  if (QThread::currentThread()->loopLevel() > 1 || QApplication::activeModalWidget() != nullptr) {
    // Still inside a dialog's loop that is unwinding: try again from the loop below it.
    QTimer::singleShot(10, this, &TWindowLifecycle::FinishExit);
    return;
  }
  if (!m_shutdownDone) {
    m_shutdownDone = true;
    m_shutdown();
  }
  if (m_tray != nullptr) {
    m_tray->hide();
  }
  if (m_window) {
    m_window->close();
  }
  QCoreApplication::quit();
}

}  // namespace tidewick
