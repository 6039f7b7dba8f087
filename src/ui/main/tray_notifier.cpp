#include "ui/main/tray_notifier.h"

#include <QGuiApplication>
#include <QScreen>
#include <QSoundEffect>
#include <QSystemTrayIcon>
#include <QUrl>

#include "feeds/feed_records.h"
#include "settings/settings.h"
#include "ui/dialogs/popup_window.h"

namespace tidewick {

TTrayNotifier::TTrayNotifier(QSystemTrayIcon* tray, TPopupWindow* popup, TWindowStateSource windowState,
                             QObject* parent)
    : QObject(parent), m_tray(tray), m_popup(popup), m_windowState(std::move(windowState)) {
  tmrTrayBlink.setObjectName(QStringLiteral("tmrTrayBlink"));
  tmrTrayBlink.setInterval(750);
  connect(&tmrTrayBlink, &QTimer::timeout, this, &TTrayNotifier::Blink);
  SetPopup(popup);
  m_screen = [] {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
  };
}

TTrayNotifier::~TTrayNotifier() = default;

QIcon TTrayNotifier::MainIcon() {
  return QIcon(QStringLiteral(":/icons/tidewick.svg"));
}
QIcon TTrayNotifier::NoNewsIcon() {
  return QIcon(QStringLiteral(":/icons/tray-none.svg"));
}
QIcon TTrayNotifier::BlinkIcon() {
  return QIcon(QStringLiteral(":/icons/tray-blink.svg"));
}

void TTrayNotifier::SetPopup(TPopupWindow* popup) {
  m_popup = popup;
  if (popup == nullptr)
    return;
  // The size the user gave the popup is the size of the next one, and is saved with the settings.
  connect(popup, &TPopupWindow::closedWithSize, this, [](const QSize& size) {
    Settings().PopupFormWidth = size.width();
    Settings().PopupFormHeight = size.height();
  });
}

void TTrayNotifier::UpdateTrayNotification() {
  const TSettings& settings = Settings();
  const TWindowState window = m_windowState ? m_windowState() : TWindowState{};
  TTrayInputs inputs;
  inputs.UnreadCount = TotalUnreadCount();
  inputs.TrayBlink = settings.TrayBlink;
  inputs.PlaySound = settings.PlaySound;
  inputs.SoundFileExists = settings.PlaySound && IsPlayableWaveFile(settings.PlaySoundFileName);
  inputs.Minimized = window.Minimized;
  inputs.WindowShowing = window.WindowShowing;
  inputs.PopupExists = m_popup != nullptr;
  inputs.PopupVisible = m_popup != nullptr && m_popup->isVisible();
  inputs.ShowPopupWindow = settings.ShowPopupWindow;
  m_last = DecideTrayNotification(inputs);

  if (m_last.Blink) {
    if (!tmrTrayBlink.isActive())
      tmrTrayBlink.start();
  } else {
    tmrTrayBlink.stop();
  }
  m_showingMain = m_last.Icon == TTrayIcon::Main;
  if (m_tray != nullptr) {
    m_tray->setIcon(m_showingMain ? MainIcon() : NoNewsIcon());
    m_tray->setToolTip(QString::fromStdString(m_last.Tip));
  }
  if (m_last.PlaySound)
    PlaySound(QString::fromStdString(settings.PlaySoundFileName));
  if (m_last.ClosePopup && m_popup != nullptr)
    m_popup->close();
  if (m_last.ShowPopup && m_popup != nullptr) {
    m_popup->ShowRows(PopupRows(Feeds, settings.SortAscending), inputs.UnreadCount,
                      QSize(settings.PopupFormWidth, settings.PopupFormHeight), m_screen());
  }
}

void TTrayNotifier::Blink() {
  m_showingMain = !m_showingMain;
  if (m_tray != nullptr)
    m_tray->setIcon(m_showingMain ? MainIcon() : BlinkIcon());
}

void TTrayNotifier::PlaySound(const QString& file) {
  // Created on first use: without a sound device nothing is set up until a sound is wanted, and then nothing plays.
  if (m_sound == nullptr)
    m_sound = std::make_unique<QSoundEffect>();
  const QUrl source = QUrl::fromLocalFile(file);
  if (m_sound->source() != source)
    m_sound->setSource(source);
  m_sound->play();
  ++m_soundsPlayed;
}

}  // namespace tidewick
