#pragma once

// The help: one page per language in the data folder's "help/" ("help_de.html"), English where a language has
// none, shown in a window of its own. The window reads the pages of that folder and nothing else (no pictures, no
// style sheets, no other file); a link out of the help goes through the entry-link checks, so only web and mail
// addresses ever reach the browser.

#include <string>

#include <QDialog>
#include <QString>

class QTextBrowser;
class QUrl;

namespace tidewick {

// Folder inside the data folder (DataFolder(): beside the program, or share/tidewick) that holds the help pages.
inline constexpr char kHelpFolderName[] = "help";

// A larger page is not read: the shipped ones are a few dozen KiB.
inline constexpr qint64 kMaxHelpPageBytes = qint64{1} << 20;

// The page for a language tag ("de", "pt-BR"): help_<tag>.html in helpFolder when it is there, else the one of the
// language alone ("help_pt.html"), else help_en.html, which is also the answer when none is there. A tag holding
// anything but ASCII letters, digits, "-" and "_" counts as none: it comes from a language file.
QString HelpPagePath(const QString& helpFolder, const QString& languageTag);

class THelpWindow : public QDialog {
  Q_OBJECT

 public:
  THelpWindow(const QString& helpFolder, QWidget* parent);

  // Shows the page of the help folder at path, scrolled to anchor; false (the window unchanged) when it is no
  // readable page of that folder.
  bool ShowPage(const QString& path, const QString& anchor = {});

 private:
  void FollowLink(const QUrl& link);
  // The path when it names a file inside the help folder; empty otherwise.
  QString PageInHelpFolder(const QString& path) const;

  QString m_helpFolder;  // canonical
  QString m_page;        // canonical path of the page shown
  QTextBrowser* txtHelp = nullptr;
};

// F1 and Help, Help: the help window with the page for the current language (the one already open is reused and
// brought to the front). A missing or unreadable page is told in a message box naming it.
void ShowHelp(QWidget* parent, const std::string& dataFolder);

}  // namespace tidewick
