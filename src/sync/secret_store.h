#pragma once

// Account passwords in the desktop's Secret Service (GNOME Keyring, KWallet) through libsecret, shared by the window
// and tidewick-feed sync. Never written anywhere else: not the settings file, the store, the queue or a log.

#include <optional>
#include <string>

namespace tidewick {

enum class TSecretResult {
  Ok,
  NotFound,     // the service answered, but holds no password for the account
  Unavailable,  // no Secret Service on this session's bus (or it is locked and would not open)
};

// True when a Secret Service answers on the session bus.
bool SecretServiceAvailable();
// Looks up, stores and removes the password of an account, keyed by server address and user name.
TSecretResult LookupAccountPassword(const std::string& serverUrl, const std::string& userName, std::string& password);
TSecretResult StoreAccountPassword(const std::string& serverUrl, const std::string& userName,
                                   const std::string& password);
TSecretResult ClearAccountPassword(const std::string& serverUrl, const std::string& userName);

}  // namespace tidewick
