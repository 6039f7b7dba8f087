#include "sync/sync_error_text.h"

#include "lang/lang_text.h"

namespace tidewick {

std::string SyncErrorText(const TSyncStatus& status) {
  const std::string& detail = status.Detail;
  switch (status.Error) {
    case TSyncError::None:
      return {};
    case TSyncError::Unreachable:
      return GetLangText("Sync|ErrUnreachable", "Der Server ist nicht erreichbar: %s1%", detail);
    case TSyncError::NotApi:
      return GetLangText("Sync|ErrNotApi",
                         "Unter dieser Adresse antwortet keine Tiny-Tiny-RSS-API (sondern z. B. eine Anmeldeseite "
                         "oder ein Proxy): %s1%",
                         detail);
    case TSyncError::BadAnswer:
      return GetLangText("Sync|ErrBadAnswer", "Der Server gab eine unbrauchbare Antwort: %s1%", detail);
    case TSyncError::LoginFailed:
      return GetLangText("Sync|ErrLoginFailed", "Benutzername oder Passwort sind falsch.");
    case TSyncError::ApiDisabled:
      return GetLangText("Sync|ErrApiDisabled",
                         "Der API-Zugriff ist für dieses Konto ausgeschaltet. Schalten Sie in den Einstellungen des "
                         "Servers \"Enable API access\" ein.");
    case TSyncError::SessionExpired:
      return GetLangText("Sync|ErrSessionExpired", "Der Server hat die Anmeldung vergessen. Bitte erneut versuchen.");
    case TSyncError::ServerError:
      return GetLangText("Sync|ErrServer", "Der Server meldet einen Fehler: %s1%", detail);
    case TSyncError::Stopped:
      return GetLangText("Sync|ErrStopped", "Abgebrochen.");
  }
  return detail;
}

}  // namespace tidewick
