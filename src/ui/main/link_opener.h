#pragma once

// Opens an entry's link in the user's browser (or mail program), after the core's decision and a second, strict
// check of the parsed address. Only http, https, ftp and mailto addresses ever leave the program.

#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>

#include <QString>
#include <QUrl>

class QWidget;

namespace tidewick {

enum class TOpenLinkOutcome {
  Opened,
  BrowserFailed,  // the user's chosen browser did not start (the default one is not tried)
  DefaultFailed,  // the desktop's default program did not start
  Refused,        // not an address we open; the user was told
  Empty,          // nothing to open
};

// What is started: the user's browser program with the address as its one argument, or (Program empty) the
// desktop's default handler for the address.
struct TLaunchRequest {
  QString Program;
  QUrl Url;
};

// Starts a request; true when it started.
using TLauncher = std::function<bool(const TLaunchRequest&)>;

// The strict check of the parsed address: a known scheme, a host for web addresses, nothing that could be read as
// an option.
bool IsSafeUrlToOpen(const QUrl& url);

// Completes a relative link with the scheme and host of the feed (when feedId names one), checks it and opens it;
// every failure and refusal is reported to the user in a message box.
TOpenLinkOutcome OpenEntryLink(QWidget* parent, std::string_view link, std::optional<uint64_t> feedId);

// ---- for tests ----
// Replaces the real launcher; an empty function puts it back.
void SetLauncherForTests(TLauncher launcher);

}  // namespace tidewick
