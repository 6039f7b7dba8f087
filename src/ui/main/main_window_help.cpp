// The help menu's links: home page, donation page and an e-mail to the maker.

#include <QAction>
#include <QDesktopServices>
#include <QUrl>

#include "platform/version.h"
#include "platform/version_info.h"
#include "ui/main/lang_qstring.h"
#include "ui/main/main_actions.h"
#include "ui/main/main_window.h"
#include "ui/main/ui_prompts.h"
#include "util/strings.h"

namespace tidewick {
namespace {

bool OpenAddress(const std::string& address) {
  return QDesktopServices::openUrl(QUrl(QString::fromStdString(address), QUrl::StrictMode));
}

}  // namespace

void TMainWindow::HideEmptyHelpLinks() {
  m_actions->mnuHelpWebsite->setVisible(*version_info::kHomePage != '\0');
  m_actions->mnuHelpDonate->setVisible(*version_info::kDonatePage != '\0');
  m_actions->mnuHelpEMail->setVisible(*version_info::kContactAddress != '\0');
}

void TMainWindow::OpenHomePage() {
  if (!OpenAddress(version_info::kHomePage)) {
    prompts::Message(this, QMessageBox::Warning,
                     Text("General|MsgNoStdBrowserTitle", "Kein Standard-Webbrowser gefunden"),
                     Text("General|MsgNoStdBrowserText", "Ihr Standard-Webbrowser konnte nicht geöffnet werden!"));
  }
}

void TMainWindow::OpenDonatePage() {
  if (!OpenAddress(version_info::kDonatePage)) {
    prompts::Message(this, QMessageBox::Warning,
                     Text("General|MsgNoStdBrowserTitle", "Kein Standard-Webbrowser gefunden"),
                     Text("General|MsgNoStdBrowserText", "Ihr Standard-Webbrowser konnte nicht geöffnet werden!"));
  }
}

void TMainWindow::WriteMail() {
  const std::string subject = GetVersionString("ProductName") + " " + GetVersionString("ProductVersion");
  const std::string address = "mailto:" + UrlEncode(version_info::kContactAddress) + "?subject=" + UrlEncode(subject);
  if (!OpenAddress(address)) {
    prompts::Message(this, QMessageBox::Warning,
                     Text("General|MsgNoStdMailerTitle", "Kein Standard-Mailclient gefunden"),
                     Text("General|MsgNoStdMailerText", "Ihr Standard-Mailclient konnte nicht geöffnet werden!"));
  }
}

}  // namespace tidewick
