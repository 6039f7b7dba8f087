#include "ui/rules/sync_messages.h"

#include "lang/lang_text.h"

namespace tidewick {

std::string PasswordPlaceText(bool secretServiceAvailable) {
  return secretServiceAvailable
             ? GetLangText("Sync|PasswordInSecretService",
                           "Das Passwort wird im Schlüsselbund des Desktops (Secret Service) gespeichert.")
             : GetLangText("Sync|PasswordInMemory",
                           "Kein Schlüsselbund (Secret Service) gefunden: Das Passwort bleibt nur bis zum Ende des "
                           "Programms im Speicher und wird beim nächsten Start erneut erfragt.");
}

}  // namespace tidewick
