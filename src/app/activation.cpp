#include "app/activation.h"

#include <QGuiApplication>

namespace tidewick {

std::string ActivationTokenFromEnvironment() {
  for (const char* name : {"XDG_ACTIVATION_TOKEN", "DESKTOP_STARTUP_ID"}) {
    const QByteArray token = qgetenv(name);
    if (!token.isEmpty()) {
      return token.toStdString();
    }
  }
  return {};
}

void ApplyActivationToken(const std::string& token) {
  if (token.empty()) {
    return;
  }
  // The Wayland platform reads this variable when a window asks to be activated; the X11 platform reads
  // DESKTOP_STARTUP_ID only at start-up, so there the window manager's focus rules decide.
  if (QGuiApplication::platformName() == QStringLiteral("wayland")) {
    qputenv("XDG_ACTIVATION_TOKEN", QByteArray::fromStdString(token));
  }
}

void PreferX11WhenAvailable() {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && !qEnvironmentVariableIsEmpty("DISPLAY")) {
    qputenv("QT_QPA_PLATFORM", "xcb");
  }
}

}  // namespace tidewick
