#include "update/refresh_failure.h"

#include <charconv>
#include <optional>

#include "lang/lang_text.h"

namespace tidewick {
namespace {

constexpr std::string_view kHttpPrefix = "http-";

struct TFailureWords {
  std::string_view Code;
  const char* Key;
  const char* German;
};

// Codes whose text needs no values.
constexpr TFailureWords kPlainFailures[] = {
    {"host-not-found", "Main|RefreshErrHostNotFound", "Servername nicht gefunden"},
    {"proxy-not-found", "Main|RefreshErrProxyNotFound", "Proxy-Server nicht gefunden"},
    {"connection-refused", "Main|RefreshErrRefused", "Verbindung abgelehnt"},
    {"not-reachable", "Main|RefreshErrUnreachable", "Server nicht erreichbar"},
    {"connection-broken", "Main|RefreshErrBroken", "Verbindung abgebrochen"},
    {"no-answer", "Main|RefreshErrNoAnswer", "Zeitüberschreitung: keine Antwort innerhalb der Wartezeit"},
    {"unsupported-address", "Main|RefreshErrScheme", "Adressen dieser Art werden nicht abgefragt"},
    {"redirect-refused", "Main|RefreshErrRedirectRefused", "Weiterleitung auf eine Adresse, die nicht abgefragt wird"},
    {"too-many-redirects", "Main|RefreshErrRedirects", "zu viele Weiterleitungen"},
    {"tls", "Main|RefreshErrTls", "sichere Verbindung fehlgeschlagen (Zertifikat oder Verschlüsselung)"},
    {"bad-answer", "Main|RefreshErrBadAnswer", "unlesbare Antwort des Servers (kein gültiges HTTP)"},
    {"file-missing", "Main|RefreshErrFileMissing", "Datei nicht gefunden"},
    {"stopped", "Main|RefreshErrStopped", "abgebrochen"},
    {"network", "Main|RefreshErrNetwork", "Netzwerkfehler"},
    {kFailureNotAFeed, "Main|RefreshErrNotAFeed", "kein Feed-Dokument"},
    {kFailureCutShort, "Main|RefreshErrCutShort", "das Feed-Dokument endete vorzeitig"},
    {kFailureUnexpected, "Main|RefreshErrUnexpected", "unerwarteter Fehler"},
};

struct TStatusWords {
  long Status;
  const char* Key;
  const char* German;
};

constexpr TStatusWords kStatusWords[] = {
    {400, "Main|Http400", "ungültige Anfrage"},
    {401, "Main|Http401", "Anmeldung erforderlich"},
    {403, "Main|Http403", "Zugriff verweigert"},
    {404, "Main|Http404", "nicht gefunden"},
    {408, "Main|Http408", "Zeitüberschreitung beim Server"},
    {410, "Main|Http410", "nicht mehr vorhanden"},
    {429, "Main|Http429", "zu viele Anfragen"},
    {500, "Main|Http500", "interner Serverfehler"},
    {502, "Main|Http502", "fehlerhaftes Gateway"},
    {503, "Main|Http503", "Dienst nicht verfügbar"},
    {504, "Main|Http504", "Gateway-Zeitüberschreitung"},
};

std::string StatusWords(long status) {
  for (const TStatusWords& words : kStatusWords) {
    if (words.Status == status) {
      return GetLangText(words.Key, words.German);
    }
  }
  if (status >= 400 && status < 500) {
    return GetLangText("Main|Http4xx", "Fehler in der Anfrage");
  }
  if (status >= 500 && status < 600) {
    return GetLangText("Main|Http5xx", "Fehler des Servers");
  }
  return GetLangText("Main|HttpOther", "unerwartete Antwort");
}

// The status of an "http-<status>" code, or nothing.
std::optional<long> HttpStatusOf(std::string_view code) {
  if (!code.starts_with(kHttpPrefix)) {
    return std::nullopt;
  }
  const std::string_view digits = code.substr(kHttpPrefix.size());
  long status = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), status);
  if (error != std::errc() || end != digits.data() + digits.size() || digits.size() != 3) {
    return std::nullopt;
  }
  return status;
}

std::string_view CodeOf(TFetchError error) {
  switch (error) {
    case TFetchError::None:
    case TFetchError::HttpStatus:
      return {};
    case TFetchError::HostNotFound:
      return "host-not-found";
    case TFetchError::ProxyNotFound:
      return "proxy-not-found";
    case TFetchError::ConnectionRefused:
      return "connection-refused";
    case TFetchError::NotReachable:
      return "not-reachable";
    case TFetchError::ConnectionBroken:
      return "connection-broken";
    case TFetchError::NoAnswer:
      return "no-answer";
    case TFetchError::TooSlow:
      return "too-slow";
    case TFetchError::TookTooLong:
      return "took-too-long";
    case TFetchError::TooLarge:
      return "too-large";
    case TFetchError::UnsupportedScheme:
      return "unsupported-address";
    case TFetchError::RedirectRefused:
      return "redirect-refused";
    case TFetchError::TooManyRedirects:
      return "too-many-redirects";
    case TFetchError::Tls:
      return "tls";
    case TFetchError::BadAnswer:
      return "bad-answer";
    case TFetchError::FileMissing:
      return "file-missing";
    case TFetchError::Stopped:
      return "stopped";
    case TFetchError::Other:
      break;
  }
  return "network";
}

}  // namespace

std::string HttpFailureCode(long httpCode) {
  return std::string(kHttpPrefix) + std::to_string(httpCode);
}

std::string FetchFailureCode(const TFetchResult& fetched) {
  if (fetched.Ok()) {
    return {};
  }
  if (fetched.Error == TFetchError::HttpStatus) {
    return HttpFailureCode(fetched.HttpCode);
  }
  return std::string(CodeOf(fetched.Error));
}

std::string FailureText(std::string_view code) {
  if (const std::optional<long> status = HttpStatusOf(code)) {
    return GetLangText("Main|RefreshErrHttp", "HTTP %s1% (%s2%)",
                       JoinLangParams({std::to_string(*status), StatusWords(*status)}));
  }
  for (const TFailureWords& words : kPlainFailures) {
    if (words.Code == code) {
      return GetLangText(words.Key, words.German);
    }
  }
  if (code == "too-slow") {
    return GetLangText(
        "Main|RefreshErrTooSlow", "Zeitüberschreitung: der Server sendet zu langsam (unter %s1% Bytes/s über %s2% s)",
        JoinLangParams({std::to_string(kLowSpeedBytesPerSecond), std::to_string(kLowSpeedWindowMs / 1000)}));
  }
  if (code == "took-too-long") {
    return GetLangText("Main|RefreshErrTooLong", "Zeitüberschreitung: die Übertragung dauerte länger als %s1% Minuten",
                       std::to_string(kMaxTransferMs / 60000));
  }
  if (code == "too-large") {
    return GetLangText("Main|RefreshErrTooLarge", "das Dokument ist größer als %s1% MB",
                       std::to_string(kMaxBodyBytes / (1024 * 1024)));
  }
  return std::string(code);
}

}  // namespace tidewick
