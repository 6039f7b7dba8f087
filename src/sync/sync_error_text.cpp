#include "sync/sync_error_text.h"

#include "lang/export_file.h"
#include "lang/lang_text.h"

namespace tidewick {

std::string SyncErrorText(const TSyncStatus& status) {
  switch (status.Error) {
    case TSyncError::None:
      return {};
    case TSyncError::Unreachable:
      return LangTextWithValues("Sync|ErrUnreachable", "Der Server antwortet nicht: %s1%", {status.Detail});
    case TSyncError::NotApi:
      return GetLangText("Sync|ErrNotApi",
                         "Unter dieser Adresse antwortet keine Tiny-Tiny-RSS-Schnittstelle (sondern eine "
                         "Anmeldeseite, eine Webseite oder die Fehlerseite eines Proxys).");
    case TSyncError::BadAnswer:
      return LangTextWithValues("Sync|ErrBadAnswer", "Die Antwort des Servers ist unbrauchbar: %s1%", {status.Detail});
    case TSyncError::LoginFailed:
      return GetLangText("Sync|ErrLoginFailed", "Benutzername oder Passwort ist falsch.");
    case TSyncError::ApiDisabled:
      return GetLangText("Sync|ErrApiDisabled",
                         "Der API-Zugriff ist für dieses Konto ausgeschaltet. Schalten Sie in den Einstellungen "
                         "des Servers \"Enable API access\" ein.");
    case TSyncError::SessionExpired:
      return GetLangText("Sync|ErrSessionExpired", "Der Server hat die Anmeldung vergessen.");
    case TSyncError::ServerError:
      return LangTextWithValues("Sync|ErrServer", "Der Server meldet einen Fehler: %s1%", {status.Detail});
    case TSyncError::Stopped:
      return GetLangText("Sync|ErrStopped", "Abgebrochen.");
  }
  return {};
}

}  // namespace tidewick
