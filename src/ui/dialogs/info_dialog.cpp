#include "ui/dialogs/info_dialog.h"

#include <filesystem>

#include <QApplication>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

#include "lang/lang_text.h"
#include "platform/version.h"
#include "platform/version_info.h"
#include "ui/main/lang_qstring.h"
#include "ui/main/ui_prompts.h"
#include "ui/rules/language_menu.h"
#include "util/case_fold.h"
#include "util/strings.h"

namespace tidewick {
namespace {

constexpr const char* kProductName = "Tidewick";
constexpr const char* kSubjectProperty = "mailSubject";

QLabel* NewLabel(QWidget* parent, const char* name) {
  auto* label = new QLabel(parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setTextFormat(Qt::PlainText);
  return label;
}

// Shown as a link: underlined, dark blue, hand cursor, reachable by keyboard.
QLabel* NewLink(QWidget* parent, const char* name) {
  QLabel* label = NewLabel(parent, name);
  QFont font = label->font();
  font.setUnderline(true);
  label->setFont(font);
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, QColor(0, 0, 128));
  label->setPalette(palette);
  label->setCursor(Qt::PointingHandCursor);
  label->setFocusPolicy(Qt::StrongFocus);
  return label;
}

bool IsWebAddress(const QString& text) {
  const std::string lower = LowerAscii(text.trimmed().toStdString());
  return lower.starts_with("http://") || lower.starts_with("https://");
}

}  // namespace

TInfoDialog::TInfoDialog(const TSettingsValues& settings, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_openLink([](const QUrl& url) { return QDesktopServices::openUrl(url); }) {
  setObjectName(QStringLiteral("frmInfo"));
  BuildControls();
  ApplyTexts();
  ShowLanguagePicture(settings.AppPath, settings.Language);
}

void TInfoDialog::BuildControls() {
  imgIcon = NewLabel(this, "imgIcon");
  const QIcon icon = QApplication::windowIcon();
  if (!icon.isNull())
    imgIcon->setPixmap(icon.pixmap(48, 48));
  titleLabel = NewLabel(this, "lblTitle");
  QFont titleFont = titleLabel->font();
  titleFont.setBold(true);
  titleFont.setPointSize(titleFont.pointSize() + 4);
  titleLabel->setFont(titleFont);
  lblDescription = NewLabel(this, "lblDescription");
  lblVersion = NewLabel(this, "lblVersion");
  lblCopyright = NewLabel(this, "lblCopyright");
  lblRights = NewLabel(this, "lblRights");
  lblHome = NewLabel(this, "lblHome");
  lblHomePage = NewLink(this, "lblHomePage");
  lblMail = NewLabel(this, "lblMail");
  lblMailAddr = NewLink(this, "lblMailAddr");

  grpLang = new QGroupBox(this);
  grpLang->setObjectName(QStringLiteral("grpLang"));
  imgLang = NewLabel(grpLang, "imgLang");
  imgLang->setFixedWidth(80);
  imgLang->setAlignment(Qt::AlignRight | Qt::AlignTop);
  lblLang = NewLabel(grpLang, "lblLang");
  lblLangAuthor = NewLabel(grpLang, "lblLangAuthor");
  lblLangAuthorName = NewLabel(grpLang, "lblLangAuthorName");
  lblLangHome = NewLabel(grpLang, "lblLangHome");
  lblLangHomePage = NewLink(grpLang, "lblLangHomePage");
  lblLangMail = NewLabel(grpLang, "lblLangMail");
  lblLangMailAddr = NewLink(grpLang, "lblLangMailAddr");
  for (QLabel* link : {lblHomePage, lblMailAddr, lblLangHomePage, lblLangMailAddr})
    link->installEventFilter(this);

  auto* head = new QGridLayout;
  head->addWidget(imgIcon, 0, 0, 4, 1, Qt::AlignTop);
  head->addWidget(titleLabel, 0, 1, 1, 2);
  head->addWidget(lblDescription, 1, 1, 1, 2);
  head->addWidget(lblVersion, 2, 1, 1, 2);
  head->addWidget(lblCopyright, 3, 1, 1, 2);
  head->addWidget(lblRights, 4, 1, 1, 2);
  head->addWidget(lblHome, 5, 1);
  head->addWidget(lblHomePage, 5, 2);
  head->addWidget(lblMail, 6, 1);
  head->addWidget(lblMailAddr, 6, 2);
  head->setColumnStretch(2, 1);

  auto* lang = new QGridLayout(grpLang);
  lang->addWidget(imgLang, 0, 0, 4, 1);
  lang->addWidget(lblLang, 0, 1, 1, 2);
  lang->addWidget(lblLangAuthor, 1, 1);
  lang->addWidget(lblLangAuthorName, 1, 2);
  lang->addWidget(lblLangHome, 2, 1);
  lang->addWidget(lblLangHomePage, 2, 2);
  lang->addWidget(lblLangMail, 3, 1);
  lang->addWidget(lblLangMailAddr, 3, 2);
  lang->setColumnStretch(2, 1);

  auto* buttons = new QDialogButtonBox(this);
  btnOk = buttons->addButton(QString(), QDialogButtonBox::AcceptRole);
  btnOk->setObjectName(QStringLiteral("btnOk"));
  btnOk->setDefault(true);
  connect(buttons, &QDialogButtonBox::accepted, this, &TInfoDialog::accept);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(head);
  layout->addWidget(grpLang);
  layout->addWidget(buttons);
}

void TInfoDialog::ApplyTexts() {
  const QString product = QString::fromLatin1(kProductName);
  const std::string version = GetVersionString("ProductVersion");
  setWindowTitle(Text("Info|frmTitle", "Info über %s1%", kProductName));
  titleLabel->setText(product);
  lblDescription->setText(Text("Info|lblDescription", "Der einfache Feed-Reader"));
  lblVersion->setText(Text("Info|lblVersion", "Version %s1%", version));
  lblCopyright->setText(QString::fromStdString(GetVersionString("LegalCopyright")));
  lblRights->setText(Text("Info|lblRights", "Alle Rechte vorbehalten."));
  lblHome->setText(Text("Info|lblHome", "Homepage:"));
  lblHomePage->setText(QString::fromUtf8(version_info::kHomePage));
  lblHomePage->setToolTip(Text("Info|lblHomePage", "Homepage des Autors besuchen"));
  lblMail->setText(Text("Info|lblMail", "E-Mail:"));
  lblMailAddr->setText(QString::fromUtf8(version_info::kContactAddress));
  lblMailAddr->setToolTip(Text("Info|lblMailAddr", "E-Mail an den Autor senden"));
  // The subject names the program and its bare version number.
  const QString subject = product + ' ' + QString::fromStdString(version);
  lblMailAddr->setProperty(kSubjectProperty, subject);

  grpLang->setTitle(Text("Info|grpLang", "Sprachdatei"));
  lblLang->setText(Text("Lang|Language", "Deutsch"));
  lblLangAuthor->setText(Text("Info|lblLangAuthor", "Autor:"));
  lblLangAuthorName->setText(Text("Lang|AuthorName", "Die Tidewick-Entwickler"));
  lblLangHome->setText(lblHome->text());
  lblLangHomePage->setText(Text("Lang|AuthorSite", version_info::kHomePage));
  lblLangHomePage->setToolTip(Text("Info|lblLangHomePage", "Homepage des Übersetzers besuchen"));
  lblLangMail->setText(lblMail->text());
  lblLangMailAddr->setText(Text("Lang|AuthorMail", version_info::kContactAddress));
  lblLangMailAddr->setToolTip(Text("Info|lblLangMailAddr", "E-Mail an den Übersetzer senden"));
  lblLangMailAddr->setProperty(kSubjectProperty, grpLang->title() + QStringLiteral(": ") + subject);
  btnOk->setText(Text("General|btnOk", "Ok"));

  // A link without an address is hidden with its caption.
  const std::pair<QLabel*, QLabel*> rows[] = {
      {lblHome, lblHomePage}, {lblMail, lblMailAddr}, {lblLangHome, lblLangHomePage}, {lblLangMail, lblLangMailAddr}};
  for (const auto& [caption, link] : rows) {
    const bool present = !link->text().trimmed().isEmpty();
    caption->setVisible(present);
    link->setVisible(present);
    link->setAccessibleName(link->toolTip());
    link->setAccessibleDescription(link->text());
  }
}

void TInfoDialog::ShowLanguagePicture(const std::string& appPath, const std::string& language) {
  imgLang->clear();
  for (const std::string& path :
       {LanguagePicturePath(appPath, language), LanguageFolder(appPath) + language + ".png"}) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error))
      continue;
    const QPixmap picture(QString::fromStdString(path));
    if (!picture.isNull()) {
      imgLang->setPixmap(picture.scaled(80, 80, Qt::KeepAspectRatio, Qt::SmoothTransformation));
      return;
    }
  }
}

QUrl TInfoDialog::LinkTarget(const QLabel* link) const {
  const QString text = link->text().trimmed();
  if (text.isEmpty())
    return {};
  if (link == lblMailAddr || link == lblLangMailAddr) {
    const std::string subject = link->property(kSubjectProperty).toString().toStdString();
    return QUrl(QString::fromStdString("mailto:" + UrlEncode(text.toStdString()) + "?subject=" + UrlEncode(subject)));
  }
  if (!IsWebAddress(text))
    return {};  // a language file may name anything; only web pages are opened
  const QUrl url(text, QUrl::StrictMode);
  return url.isValid() ? url : QUrl();
}

void TInfoDialog::OpenLink(const QLabel* link) {
  const QUrl url = LinkTarget(link);
  if (url.isEmpty() || m_openLink(url))
    return;
  const bool mail = url.scheme() == QLatin1String("mailto");
  prompts::Message(this, QMessageBox::NoIcon,
                   mail ? Text("General|MsgNoStdMailerTitle", "Kein Standard-Mailclient gefunden")
                        : Text("General|MsgNoStdBrowserTitle", "Kein Standard-Webbrowser gefunden"),
                   mail ? Text("General|MsgNoStdMailerText", "Ihr Standard-Mailclient konnte nicht geöffnet werden!")
                        : Text("General|MsgNoStdBrowserText", "Ihr Standard-Webbrowser konnte nicht geöffnet werden!"));
}

bool TInfoDialog::eventFilter(QObject* watched, QEvent* event) {
  auto* link = qobject_cast<QLabel*>(watched);
  if (link != nullptr && event->type() == QEvent::MouseButtonRelease &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
    OpenLink(link);
    return true;
  }
  if (link != nullptr && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter) {
      OpenLink(link);
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace tidewick
