#include "ui/main/link_opener.h"

#include <string>

#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>

#include "entries/entry_link.h"
#include "feeds/feed_records.h"
#include "lang/lang_text.h"
#include "settings/settings.h"
#include "ui/main/lang_qstring.h"
#include "ui/main/ui_prompts.h"

namespace tidewick {
namespace {

TLauncher& TestLauncher() {
  static TLauncher launcher;
  return launcher;
}

bool Launch(const TLaunchRequest& request) {
  if (TestLauncher()) {
    return TestLauncher()(request);
  }
  if (!request.Program.isEmpty()) {
    return QProcess::startDetached(request.Program, {request.Url.toString(QUrl::FullyEncoded)});
  }
  return QDesktopServices::openUrl(request.Url);
}

void ShowWarning(QWidget* parent, const QString& title, const QString& text) {
  prompts::Message(parent, QMessageBox::Warning, title, text);
}

TOpenLinkOutcome Refuse(QWidget* parent, const std::string& link) {
  ShowWarning(parent, Text("General|MsgLinkRefusedTitle", "Link nicht geöffnet"),
              Text("General|MsgLinkRefusedText", "Dieser Link wird zu Ihrer Sicherheit nicht geöffnet:%w%%s1%",
                   JoinLangParams({link})));
  return TOpenLinkOutcome::Refused;
}

std::optional<std::string> FeedAddress(std::optional<uint64_t> feedId) {
  if (!feedId) {
    return std::nullopt;
  }
  const int position = FindFeedById(*feedId);
  return position < 0 ? std::nullopt : std::optional<std::string>(Feeds[position].URL);
}

}  // namespace

bool IsSafeUrlToOpen(const QUrl& url) {
  if (!url.isValid() || url.isRelative()) {
    return false;
  }
  const QString scheme = url.scheme().toLower();
  if (scheme == QLatin1String("mailto")) {
    return !url.path().startsWith(QLatin1Char('-'));
  }
  const bool web =
      scheme == QLatin1String("http") || scheme == QLatin1String("https") || scheme == QLatin1String("ftp");
  return web && !url.host().isEmpty() && !url.toString(QUrl::FullyEncoded).startsWith(QLatin1Char('-'));
}

TOpenLinkOutcome OpenEntryLink(QWidget* parent, std::string_view link, std::optional<uint64_t> feedId) {
  const std::optional<std::string> feedUrl = FeedAddress(feedId);
  const TLinkDecision decision =
      DecideEntryLink(link, feedUrl ? std::optional<std::string_view>(*feedUrl) : std::nullopt);
  if (decision.Verdict == TLinkVerdict::Empty) {
    return TOpenLinkOutcome::Empty;
  }
  if (decision.Verdict == TLinkVerdict::Refused) {
    return Refuse(parent, decision.Url);
  }
  const QUrl url(QString::fromStdString(decision.Url), QUrl::StrictMode);
  if (!IsSafeUrlToOpen(url)) {
    return Refuse(parent, decision.Url);
  }

  const TSettingsValues& settings = Settings();
  const QString browser = QString::fromStdString(settings.WebBrowser);
  if (settings.UseWebBrowser == 1 && !browser.isEmpty() && QFileInfo(browser).isFile()) {
    if (Launch({browser, url})) {
      return TOpenLinkOutcome::Opened;
    }
    ShowWarning(parent, Text("General|MsgBrowserErrTitle", "Webbrowser nicht gefunden"),
                Text("General|MsgBrowserErrText", "Der Webbrowser konnte nicht geöffnet werden!"));
    return TOpenLinkOutcome::BrowserFailed;
  }
  if (Launch({QString(), url})) {
    return TOpenLinkOutcome::Opened;
  }
  if (url.scheme().compare(QLatin1String("mailto"), Qt::CaseInsensitive) == 0) {
    ShowWarning(parent, Text("General|MsgNoStdMailerTitle", "Kein Standard-Mailclient gefunden"),
                Text("General|MsgNoStdMailerText", "Ihr Standard-Mailclient konnte nicht geöffnet werden!"));
  } else {
    ShowWarning(parent, Text("General|MsgNoStdBrowserTitle", "Kein Standard-Webbrowser gefunden"),
                Text("General|MsgNoStdBrowserText", "Ihr Standard-Webbrowser konnte nicht geöffnet werden!"));
  }
  return TOpenLinkOutcome::DefaultFailed;
}

void SetLauncherForTests(TLauncher launcher) {
  TestLauncher() = std::move(launcher);
}

}  // namespace tidewick
