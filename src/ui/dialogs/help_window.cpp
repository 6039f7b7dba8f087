#include "ui/dialogs/help_window.h"

#include <memory>
#include <optional>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#include "lang/lang_text.h"
#include "ui/main/lang_qstring.h"
#include "ui/main/link_opener.h"
#include "ui/main/ui_prompts.h"

namespace tidewick {
namespace {

// Longest language tag taken from a language file (BCP 47 allows 35 characters).
constexpr qsizetype kMaxTagLength = 35;

bool IsPlainTag(const QString& tag) {
  if (tag.isEmpty() || tag.size() > kMaxTagLength) {
    return false;
  }
  for (const QChar c : tag) {
    const bool letterOrDigit = c.unicode() < 128 && c.isLetterOrNumber();
    if (!letterOrDigit && c != QLatin1Char('-') && c != QLatin1Char('_')) {
      return false;
    }
  }
  return true;
}

// The tag of the language in use: the built-in German has no file, and a file that names no tag gets English.
QString CurrentLanguageTag() {
  return QString::fromStdString(GetLangText("Lang|Code", LanguageEntryCount() == 0 ? "de" : ""));
}

// Draws what a page names from nothing: the pages need no pictures, and a page must never read another file.
class THelpBrowser : public QTextBrowser {
 public:
  using QTextBrowser::QTextBrowser;
  QVariant loadResource(int /*type*/, const QUrl& /*name*/) override { return {}; }
};

}  // namespace

QString HelpPagePath(const QString& helpFolder, const QString& languageTag) {
  QString tag = languageTag.trimmed();
  tag.replace(QLatin1Char('_'), QLatin1Char('-'));
  QStringList tags;
  if (IsPlainTag(tag)) {
    tags << tag;
    const qsizetype dash = tag.indexOf(QLatin1Char('-'));
    if (dash > 0) {
      tags << tag.left(dash);
    }
  }
  tags << QStringLiteral("en");
  const QDir folder(helpFolder);
  for (const QString& each : tags) {
    const QString path = folder.filePath(QStringLiteral("help_") + each + QStringLiteral(".html"));
    if (QFileInfo(path).isFile()) {
      return QDir::cleanPath(path);
    }
  }
  return QDir::cleanPath(folder.filePath(QStringLiteral("help_en.html")));
}

THelpWindow::THelpWindow(const QString& helpFolder, QWidget* parent)
    : QDialog(parent), m_helpFolder(QFileInfo(helpFolder).canonicalFilePath()), txtHelp(new THelpBrowser(this)) {
  setObjectName(QStringLiteral("frmHelp"));
  setAttribute(Qt::WA_DeleteOnClose);
  setSizeGripEnabled(true);
  txtHelp->setObjectName(QStringLiteral("txtHelp"));
  txtHelp->setOpenLinks(false);  // every link goes through FollowLink
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(txtHelp);
  connect(txtHelp, &QTextBrowser::anchorClicked, this, &THelpWindow::FollowLink);
  const int line = fontMetrics().height();
  resize(55 * line, 40 * line);
}

QString THelpWindow::PageInHelpFolder(const QString& path) const {
  const QFileInfo file(path);
  const QString canonical = file.canonicalFilePath();  // empty when missing
  if (m_helpFolder.isEmpty() || canonical.isEmpty() || !file.isFile() || !canonical.endsWith(QLatin1String(".html"))) {
    return {};
  }
  return QFileInfo(canonical).absolutePath() == m_helpFolder ? canonical : QString();
}

bool THelpWindow::ShowPage(const QString& path, const QString& anchor) {
  const QString page = PageInHelpFolder(path);
  QFile file(page);
  if (page.isEmpty() || file.size() > kMaxHelpPageBytes || !file.open(QIODevice::ReadOnly)) {
    return false;
  }
  const QByteArray bytes = file.read(kMaxHelpPageBytes + 1);
  if (file.error() != QFileDevice::NoError || bytes.size() > kMaxHelpPageBytes) {
    return false;
  }
  m_page = page;
  txtHelp->setHtml(QString::fromUtf8(bytes));
  const QString title = txtHelp->documentTitle();
  setWindowTitle(title.isEmpty() ? QStringLiteral("Tidewick") : title);
  txtHelp->setAccessibleName(windowTitle());
  if (!anchor.isEmpty()) {
    txtHelp->scrollToAnchor(anchor);
  }
  return true;
}

void THelpWindow::FollowLink(const QUrl& link) {
  const QUrl target = QUrl::fromLocalFile(m_page).resolved(link);
  if (target.isLocalFile()) {
    const QString page = PageInHelpFolder(target.toLocalFile());
    if (!page.isEmpty() && page == m_page) {
      txtHelp->scrollToAnchor(target.fragment());
      return;
    }
    if (ShowPage(page, target.fragment())) {
      return;
    }
  }
  // Anything else is judged as an entry's link would be: a local file is refused with a word.
  OpenEntryLink(this, target.toString(QUrl::FullyEncoded).toStdString(), std::nullopt);
}

void ShowHelp(QWidget* parent, const std::string& dataFolder) {
  const QString helpFolder = QDir(QString::fromStdString(dataFolder)).filePath(QLatin1String(kHelpFolderName));
  const QString page = HelpPagePath(helpFolder, CurrentLanguageTag());
  std::unique_ptr<THelpWindow> made;
  auto* window = parent->findChild<THelpWindow*>(QString(), Qt::FindDirectChildrenOnly);
  if (window == nullptr) {
    made = std::make_unique<THelpWindow>(helpFolder, parent);
    window = made.get();
  }
  if (!window->ShowPage(page)) {
    prompts::Message(parent, QMessageBox::Warning, Text("General|MsgHelpMissingTitle", "Hilfeseite nicht gefunden"),
                     Text("General|MsgHelpMissingText", "Die Hilfeseite konnte nicht gelesen werden:%w%%s1%",
                          JoinLangParams({QDir::toNativeSeparators(page).toStdString()})));
    return;
  }
  static_cast<void>(made.release());  // the parent owns an open window
  window->show();
  window->raise();
  window->activateWindow();
}

}  // namespace tidewick
