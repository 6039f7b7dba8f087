#include "ui/dialogs/settings_dialog.h"

#include <algorithm>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "platform/paths.h"
#include "settings/settings_apply.h"
#include "settings/start_with_system.h"
#include "ui/dialogs/settings_number_box.h"
#include "ui/main/lang_qstring.h"
#include "ui/main/text_font.h"
#include "ui/main/ui_prompts.h"
#include "util/strings.h"

namespace tidewick {
namespace {

// The chosen font's face, size and style; colour and character set stay the working font's.
void TakeFont(TFontRecord& record, const QFont& font) {
  record.Name = font.family().toStdString();
  record.Size = font.pointSize() > 0 ? font.pointSize() : record.Size;
  record.Bold = font.bold();
  record.Italic = font.italic();
  record.Underline = font.underline();
  record.StrikeOut = font.strikeOut();
}

// The "all files" filter with a pattern that also shows files without an extension, as programs are on Linux.
QString AllFilesFilter() {
  QString filter = Text("General|FilterAll", "Alle Dateien (*.*)");
  filter.replace(QStringLiteral("(*.*)"), QStringLiteral("(*)"));
  return filter;
}

}  // namespace

TSettingsDialog::TSettingsDialog(const TSettingsValues& settings, QWidget* parent, std::string programPath)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_values(settings),
      m_programPath(programPath.empty() ? ProgramFilePath() : std::move(programPath)) {
  setObjectName(QStringLiteral("frmSettings"));
  pcSettings = new QTabWidget(this);
  pcSettings->setObjectName(QStringLiteral("pcSettings"));
  // The dialog grows to show every tab caption whole: scroll arrows would hide a page in a wordy language.
  pcSettings->setUsesScrollButtons(false);
  pcSettings->setElideMode(Qt::ElideNone);
  pcSettings->addTab(BuildGeneralTab(), {});
  pcSettings->addTab(BuildViewTab(), {});
  pcSettings->addTab(BuildFeedsTab(), {});
  pcSettings->addTab(BuildMiscTab(), {});
  pcSettings->addTab(BuildAutoReadTab(), {});

  auto* buttons = new QDialogButtonBox(this);
  btnOk = buttons->addButton(QString(), QDialogButtonBox::AcceptRole);
  btnCancel = buttons->addButton(QString(), QDialogButtonBox::RejectRole);
  btnOk->setObjectName(QStringLiteral("btnOk"));
  btnCancel->setObjectName(QStringLiteral("btnCancel"));
  btnOk->setDefault(true);
  connect(buttons, &QDialogButtonBox::accepted, this, &TSettingsDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &TSettingsDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(pcSettings);
  layout->addWidget(buttons);

  ApplyTexts();
  Fill();
  for (QAbstractButton* control : std::initializer_list<QAbstractButton*>{
           rbProxyAuto, rbProxyDirect, rbProxyProxy, chkAutoSort, chkPlaySound, rbBrowserDefault, rbBrowserUserDef})
    connect(control, &QAbstractButton::toggled, this, [this] { ApplyEnabling(); });
  connect(btnTextFont, &QPushButton::clicked, this, [this] { PickFont(); });
  connect(btnTextFontColor, &QPushButton::clicked, this, [this] { PickFontColor(); });
  connect(btnSoundFileSel, &QPushButton::clicked, this, [this] { PickSoundFile(); });
  connect(btnBrowserUserDefSel, &QPushButton::clicked, this, [this] { PickBrowser(); });
  pcSettings->setCurrentWidget(tabGeneral);
}

void TSettingsDialog::Fill() {
  const TSettingsValues& v = m_values;
  m_startedWithSystem = IsStartWithSystemEnabled(m_programPath);
  chkStartWithWindows->setChecked(m_startedWithSystem);
  chkDontStartMinimized->setChecked(v.DontStartMinimized);
  chkMinOnClose->setChecked(v.MinOnClose);
  chkMinToSysTray->setChecked(v.MinToSysTray);
  chkDetailAutoSize->setChecked(v.DetailAutoSize);
  chkFeedsGroupInFolders->setChecked(v.GroupInFolders);
  (v.ProxyMode == 1 ? rbProxyDirect : v.ProxyMode == 2 ? rbProxyProxy : rbProxyAuto)->setChecked(true);
  txtProxyServer->setText(QString::fromStdString(v.ProxyServer));
  txtProxyPort->setValue(v.ProxyPort);

  cmbDescDef->setCurrentIndex(std::clamp(v.DefaultDescTab, 0, 2));
  (v.UnreadUseColor ? rbUnreadNormal : rbUnreadBold)->setChecked(true);
  m_unreadColor = v.UnreadColor;
  ShowUnreadColor();
  chkAutoSort->setChecked(v.AutoSort);
  chkShowUnreadFirst->setChecked(v.ShowUnreadFirst);
  chkShowUnreadCount->setChecked(v.ShowUnreadCount);
  chkShowFolderUnreadCount->setChecked(v.ShowFolderUnreadCount);

  chkFeedsAutoUpdate->setChecked(v.AutoUpdate);
  chkFeedsAutoUpdateAtStart->setChecked(v.FeedsAutoUpdateAtStart);
  chkFeedsUpdateOnDblClick->setChecked(v.FeedsUpdateOnDblClick);
  txtTimeout->setValue(v.Timeout);
  txtTTL->setValue(v.DefaultTTL);
  chkShowPopup->setChecked(v.ShowPopupWindow);
  chkTrayBlink->setChecked(v.TrayBlink);
  chkPlaySound->setChecked(v.PlaySound);
  txtSoundFileName->setText(QString::fromStdString(v.PlaySoundFileName));
  chkShowRefreshErrorMsg->setChecked(v.ShowRefreshErrorMsg);

  (v.UseWebBrowser == 1 ? rbBrowserUserDef : rbBrowserDefault)->setChecked(true);
  txtBrowserUserDef->setText(QString::fromStdString(v.WebBrowser));
  chkLoadRemoteImages->setChecked(v.LoadRemoteImages);

  txtAutoRead->setPlainText(QString::fromStdString(JoinStrings(NormalizedAutoReadList(v.AutoReadList), "\n")));
  m_workingFont = v.TextFont;
  ShowWorkingFont();
  ApplyEnabling();
}

void TSettingsDialog::ApplyEnabling() {
  const bool proxy = rbProxyProxy->isChecked();
  for (QWidget* widget : std::initializer_list<QWidget*>{txtProxyServer, lblProxyPort, txtProxyPort})
    widget->setEnabled(proxy);
  chkShowUnreadFirst->setEnabled(chkAutoSort->isChecked());
  txtSoundFileName->setEnabled(chkPlaySound->isChecked());
  btnSoundFileSel->setEnabled(chkPlaySound->isChecked());
  txtBrowserUserDef->setEnabled(rbBrowserUserDef->isChecked());
  btnBrowserUserDefSel->setEnabled(rbBrowserUserDef->isChecked());
}

void TSettingsDialog::ShowUnreadColor() {
  QPalette palette = shpUnreadColor->palette();
  palette.setColor(QPalette::Window, ToQColor(m_unreadColor));
  shpUnreadColor->setPalette(palette);
}

void TSettingsDialog::ShowWorkingFont() {
  ApplyTextFont(*txtDescSample, m_workingFont);
}

bool TSettingsDialog::eventFilter(QObject* watched, QEvent* event) {
  if (watched == shpUnreadColor && event->type() == QEvent::MouseButtonPress) {
    PickUnreadColor(static_cast<QMouseEvent*>(event)->modifiers().testFlag(Qt::ControlModifier));
    return true;
  }
  if (watched == shpUnreadColor && event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Space || key->key() == Qt::Key_Return) {
      PickUnreadColor(key->modifiers().testFlag(Qt::ControlModifier));
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

void TSettingsDialog::PickUnreadColor(bool useWindowText) {
  if (useWindowText) {
    m_unreadColor = kClWindowText;
  } else {
    const auto chosen = prompts::ChooseColor(this, ToQColor(m_unreadColor), lblUnreadColor->text());
    if (!chosen)
      return;
    m_unreadColor = RgbColor(chosen->red(), chosen->green(), chosen->blue());
  }
  ShowUnreadColor();
}

void TSettingsDialog::PickFont() {
  const auto chosen = prompts::ChooseFont(this, ToQFont(m_workingFont), btnTextFont->text());
  if (!chosen)
    return;
  TakeFont(m_workingFont, *chosen);
  ShowWorkingFont();
}

void TSettingsDialog::PickFontColor() {
  const auto chosen = prompts::ChooseColor(this, ToQColor(m_workingFont.Color), btnTextFontColor->text());
  if (!chosen)
    return;
  m_workingFont.Color = RgbColor(chosen->red(), chosen->green(), chosen->blue());
  ShowWorkingFont();
}

void TSettingsDialog::PickSoundFile() {
  const QString file = prompts::OpenFileName(this, Text("Settings|DlgSoundFileSelTitle", "Wave-Audiodatei öffnen"), {},
                                             Text("General|FilterWave", "Wave-Audiodateien (*.wav)"));
  if (!file.isEmpty() && QFileInfo(file).isFile())
    txtSoundFileName->setText(file);
}

void TSettingsDialog::PickBrowser() {
  const QString file = prompts::OpenFileName(this, Text("Settings|DlgBrowserUserDefSelTitle", "Programmdatei öffnen"),
                                             {}, AllFilesFilter());
  if (file.isEmpty() || !QFileInfo(file).isFile())
    return;
  if (!QFileInfo(file).isExecutable()) {
    prompts::Message(
        this, QMessageBox::Critical, Text("Settings|MsgNotExecutableTitle", "Kein Programm"),
        Text("Settings|MsgNotExecutableText", "\"%s1%\" ist keine ausführbare Programmdatei.", file.toStdString()));
    return;
  }
  txtBrowserUserDef->setText(file);
}

void TSettingsDialog::accept() {
  txtTTL->interpretText();
  txtTimeout->interpretText();
  txtProxyPort->interpretText();
  if (AskAboutLowDefaultInterval(txtTTL->value())) {
    if (WantsToCorrectLowInterval(this, txtTTL->value()))
      return;
  }
  // Written only when the box was changed, so an entry of another copy of the program is left alone.
  if (chkStartWithWindows->isChecked() != m_startedWithSystem)
    SetStartWithSystem(chkStartWithWindows->isChecked(), m_programPath, !m_values.UseProgramFolder);
  CopyBack();
  QDialog::accept();
}

void TSettingsDialog::CopyBack() {
  TSettingsValues& v = m_values;
  v.MinOnClose = chkMinOnClose->isChecked();
  v.DontStartMinimized = chkDontStartMinimized->isChecked();
  v.MinToSysTray = chkMinToSysTray->isChecked();
  v.ShowPopupWindow = chkShowPopup->isChecked();
  v.TrayBlink = chkTrayBlink->isChecked();
  v.DetailAutoSize = chkDetailAutoSize->isChecked();
  v.AutoUpdate = chkFeedsAutoUpdate->isChecked();
  v.FeedsAutoUpdateAtStart = chkFeedsAutoUpdateAtStart->isChecked();
  v.FeedsUpdateOnDblClick = chkFeedsUpdateOnDblClick->isChecked();
  v.AutoReadList = NormalizedAutoReadList(SplitLines(txtAutoRead->toPlainText().toStdString()));
  v.Timeout = txtTimeout->value();
  v.GroupInFolders = chkFeedsGroupInFolders->isChecked();
  v.UnreadUseColor = rbUnreadNormal->isChecked();
  v.UnreadColor = m_unreadColor;
  v.PlaySound = chkPlaySound->isChecked();
  v.PlaySoundFileName = txtSoundFileName->text().toStdString();
  v.AutoSort = chkAutoSort->isChecked();
  v.ShowUnreadFirst = chkShowUnreadFirst->isChecked();
  v.ShowUnreadCount = chkShowUnreadCount->isChecked();
  v.ShowFolderUnreadCount = chkShowFolderUnreadCount->isChecked();
  v.DefaultTTL = txtTTL->value();
  v.DefaultDescTab = cmbDescDef->currentIndex();
  v.ShowRefreshErrorMsg = chkShowRefreshErrorMsg->isChecked();
  v.ProxyMode = rbProxyDirect->isChecked() ? 1 : rbProxyProxy->isChecked() ? 2 : 0;
  v.ProxyServer = txtProxyServer->text().toStdString();
  v.ProxyPort = txtProxyPort->value();
  v.UseWebBrowser = rbBrowserUserDef->isChecked() ? 1 : 0;
  v.WebBrowser = txtBrowserUserDef->text().toStdString();
  v.LoadRemoteImages = chkLoadRemoteImages->isChecked();
  v.TextFont = m_workingFont;
}

}  // namespace tidewick
