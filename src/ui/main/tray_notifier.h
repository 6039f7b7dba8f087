#pragma once

// Applies the core's tray decision: the tray picture and tip, blinking every 750 ms, the popup and the sound.
// Without a system tray (offscreen, GNOME without an indicator extension) only the popup and the sound remain.

#include <functional>
#include <memory>

#include <QIcon>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include "ui/rules/tray_state.h"

class QSoundEffect;
class QSystemTrayIcon;

namespace tidewick {

class TPopupWindow;

class TTrayNotifier : public QObject {
  Q_OBJECT

 public:
  struct TWindowState {
    bool Minimized = false;      // minimised or hidden to the tray
    bool WindowShowing = false;  // visible and not minimised
  };
  using TWindowStateSource = std::function<TWindowState()>;
  using TScreenSource = std::function<QRect()>;  // the available geometry the popup goes into

  // tray may be null (no system tray); popup may be null while the window is still being created.
  TTrayNotifier(QSystemTrayIcon* tray, TPopupWindow* popup, TWindowStateSource windowState, QObject* parent = nullptr);
  ~TTrayNotifier() override;

  // Brings icon, tip, blinking, sound and popup in line with the unread count and the settings.
  void UpdateTrayNotification();

  void SetPopup(TPopupWindow* popup);
  void SetScreenSource(TScreenSource screen) { m_screen = std::move(screen); }

  static QIcon MainIcon();
  static QIcon NoNewsIcon();
  static QIcon BlinkIcon();

  const TTrayDecision& LastDecision() const { return m_last; }
  bool IsBlinking() const { return tmrTrayBlink.isActive(); }
  int SoundsPlayed() const { return m_soundsPlayed; }

  QTimer tmrTrayBlink;

 private:
  void Blink();
  void PlaySound(const QString& file);

  QPointer<QSystemTrayIcon> m_tray;
  QPointer<TPopupWindow> m_popup;
  TWindowStateSource m_windowState;
  TScreenSource m_screen;
  TTrayDecision m_last;
  bool m_showingMain = false;
  std::unique_ptr<QSoundEffect> m_sound;
  int m_soundsPlayed = 0;
};

}  // namespace tidewick
