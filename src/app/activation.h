#pragma once

// Raising the window for a later start: the desktop lets a process take the focus only with the activation token
// that the start received (XDG_ACTIVATION_TOKEN on Wayland, DESKTOP_STARTUP_ID on X11); the later start sends it
// along, and the first instance uses it as its own.

#include <string>

namespace tidewick {

// The token of this start, read before the toolkit consumes it; empty when the desktop gave none.
std::string ActivationTokenFromEnvironment();

// Makes the token the one the next activation of a window uses. An empty token changes nothing.
void ApplyActivationToken(const std::string& token);

// Chooses the X11 platform when QT_QPA_PLATFORM is unset and DISPLAY is set: on pure Wayland a window can neither
// place itself, stay on top nor be raised from another process. Call before the application object exists.
void PreferX11WhenAvailable();

}  // namespace tidewick
