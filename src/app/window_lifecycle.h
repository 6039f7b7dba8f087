#pragma once

// The main window's life between start and end: the close button (which may only minimise), minimising to the
// tray, restoring, and ending the program from anywhere, also while a dialog is open.

#include <functional>

#include <QIcon>
#include <QMainWindow>
#include <QObject>
#include <QPointer>
#include <QSystemTrayIcon>

class QMenu;

namespace tidewick {

// The close button (window frame, system menu, Alt+F4) ends the program when MinOnClose and Ctrl agree, and
// minimises it otherwise: with MinOnClose on, Ctrl+click ends; with it off, Ctrl+click minimises.
bool CloseButtonEnds(bool minOnClose, bool ctrlHeld);

// The program's icon, compiled into the window layer; the theme's "tidewick" icon if that is missing.
QIcon ProgramIcon();

class TWindowLifecycle : public QObject {
  Q_OBJECT

 public:
  using TModifiers = std::function<Qt::KeyboardModifiers()>;

  // shutdown runs once, on the main loop, when the program ends: it stops the workers and saves everything.
  // Then the event loop is ended.
  TWindowLifecycle(QMainWindow* window, std::function<void()> shutdown, QObject* parent = nullptr);
  ~TWindowLifecycle() override;

  // The tray icon exists where the desktop has a tray (not offscreen); tests may pretend either way.
  void SetTrayAvailable(bool available);
  bool TrayAvailable() const { return m_tray != nullptr; }
  QSystemTrayIcon* TrayIcon() const { return m_tray; }
  void SetTrayMenu(QMenu* menu);
  // The Ctrl state at the moment of the close click; the click happens in the window manager, so the default asks
  // the window system instead of trusting the last key event.
  void SetModifierSource(TModifiers modifiers) { m_modifiers = std::move(modifiers); }

  // The exit commands (main menu, tray menu, signals): always end, whatever MinOnClose says.
  void Exit();
  bool Exiting() const { return m_exiting; }
  // What a minimise by the user does; also used for a minimised start.
  void Minimize();
  // Back from the tray or the task bar: shown in its previous state (maximised stays maximised), raised, active.
  void Restore();

 signals:
  void minimizedChanged(bool minimized);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void OnCloseRequest(QEvent* event);
  void OnStateChange();
  void FinishExit();

  QPointer<QMainWindow> m_window;
  std::function<void()> m_shutdown;
  TModifiers m_modifiers;
  QSystemTrayIcon* m_tray = nullptr;  // child of this
  bool m_exiting = false;
  bool m_shutdownDone = false;
};

}  // namespace tidewick
