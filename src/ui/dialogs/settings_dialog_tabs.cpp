// The settings dialog's five tabs and their texts.

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "settings/settings_apply.h"
#include "ui/dialogs/settings_dialog.h"
#include "ui/dialogs/settings_number_box.h"
#include "ui/main/lang_qstring.h"

namespace tidewick {
namespace {

template <typename T>
T* Named(T* widget, const char* name) {
  widget->setObjectName(QString::fromLatin1(name));
  return widget;
}

QWidget* NewPage(const char* name) {
  return Named(new QWidget, name);
}

// A "..." button whose tool tip names it (and gives its accessible name).
QPushButton* NewPickButton(QWidget* parent, const char* name) {
  auto* button = Named(new QPushButton(QStringLiteral("..."), parent), name);
  button->setAutoDefault(false);
  return button;
}

}  // namespace

QWidget* TSettingsDialog::BuildGeneralTab() {
  tabGeneral = NewPage("tabGeneral");
  grpStartWin = Named(new QGroupBox(tabGeneral), "grpStartWin");
  chkStartWithWindows = Named(new QCheckBox(grpStartWin), "chkStartWithWindows");
  chkDontStartMinimized = Named(new QCheckBox(grpStartWin), "chkDontStartMinimized");
  chkMinOnClose = Named(new QCheckBox(grpStartWin), "chkMinOnClose");
  chkMinToSysTray = Named(new QCheckBox(grpStartWin), "chkMinToSysTray");
  chkDetailAutoSize = Named(new QCheckBox(grpStartWin), "chkDetailAutoSize");
  auto* start = new QVBoxLayout(grpStartWin);
  for (QWidget* box : {chkStartWithWindows, chkDontStartMinimized, chkMinOnClose, chkMinToSysTray, chkDetailAutoSize})
    start->addWidget(box);

  grpMisc = Named(new QGroupBox(tabGeneral), "grpMisc");
  chkFeedsGroupInFolders = Named(new QCheckBox(grpMisc), "chkFeedsGroupInFolders");
  (new QVBoxLayout(grpMisc))->addWidget(chkFeedsGroupInFolders);

  grpProxy = Named(new QGroupBox(tabGeneral), "grpProxy");
  rbProxyAuto = Named(new QRadioButton(grpProxy), "rbProxyAuto");
  rbProxyDirect = Named(new QRadioButton(grpProxy), "rbProxyDirect");
  rbProxyProxy = Named(new QRadioButton(grpProxy), "rbProxyProxy");
  txtProxyServer = Named(new QLineEdit(grpProxy), "txtProxyServer");
  lblProxyPort = Named(new QLabel(grpProxy), "lblProxyPort");
  txtProxyPort = Named(new TNumberBox(kMinProxyPort, kMaxProxyPort, grpProxy), "txtProxyPort");
  lblProxyPort->setBuddy(txtProxyPort);
  auto* proxy = new QGridLayout(grpProxy);
  proxy->addWidget(rbProxyAuto, 0, 0, 1, 4);
  proxy->addWidget(rbProxyDirect, 1, 0, 1, 4);
  proxy->addWidget(rbProxyProxy, 2, 0);
  proxy->addWidget(txtProxyServer, 2, 1);
  proxy->addWidget(lblProxyPort, 2, 2);
  proxy->addWidget(txtProxyPort, 2, 3);
  proxy->setColumnStretch(1, 1);

  auto* layout = new QVBoxLayout(tabGeneral);
  layout->addWidget(grpStartWin);
  layout->addWidget(grpMisc);
  layout->addWidget(grpProxy);
  layout->addStretch();
  return tabGeneral;
}

QWidget* TSettingsDialog::BuildViewTab() {
  tabView = NewPage("tabView");
  lblDescDef = Named(new QLabel(tabView), "lblDescDef");
  cmbDescDef = Named(new QComboBox(tabView), "cmbDescDef");
  lblDescDef->setBuddy(cmbDescDef);
  auto* descDef = new QHBoxLayout;
  descDef->addWidget(lblDescDef);
  descDef->addWidget(cmbDescDef, 1);

  grpDescFont = Named(new QGroupBox(tabView), "grpDescFont");
  lblDescFont = Named(new QLabel(grpDescFont), "lblDescFont");
  txtDescSample = Named(new QPlainTextEdit(grpDescFont), "txtDescSample");
  txtDescSample->setReadOnly(true);
  txtDescSample->setMaximumHeight(80);
  lblDescFont->setBuddy(txtDescSample);
  btnTextFont = Named(new QPushButton(grpDescFont), "btnTextFont");
  btnTextFontColor = Named(new QPushButton(grpDescFont), "btnTextFontColor");
  btnTextFont->setAutoDefault(false);
  btnTextFontColor->setAutoDefault(false);
  auto* font = new QGridLayout(grpDescFont);
  font->addWidget(lblDescFont, 0, 0, 1, 3);
  font->addWidget(txtDescSample, 1, 0, 1, 3);
  font->addWidget(btnTextFont, 2, 0);
  font->addWidget(btnTextFontColor, 2, 1);
  font->setColumnStretch(2, 1);

  grpUnreaded = Named(new QGroupBox(tabView), "grpUnreaded");
  lblUnreadStyle = Named(new QLabel(grpUnreaded), "lblUnreadStyle");
  rbUnreadBold = Named(new QRadioButton(grpUnreaded), "rbUnreadBold");
  rbUnreadNormal = Named(new QRadioButton(grpUnreaded), "rbUnreadNormal");
  lblUnreadColor = Named(new QLabel(grpUnreaded), "lblUnreadColor");
  shpUnreadColor = Named(new QFrame(grpUnreaded), "shpUnreadColor");
  shpUnreadColor->setFrameShape(QFrame::Box);
  shpUnreadColor->setFixedSize(40, 20);
  shpUnreadColor->setAutoFillBackground(true);
  shpUnreadColor->setFocusPolicy(Qt::StrongFocus);
  shpUnreadColor->installEventFilter(this);
  chkAutoSort = Named(new QCheckBox(grpUnreaded), "chkAutoSort");
  chkShowUnreadFirst = Named(new QCheckBox(grpUnreaded), "chkShowUnreadFirst");
  chkShowUnreadCount = Named(new QCheckBox(grpUnreaded), "chkShowUnreadCount");
  chkShowFolderUnreadCount = Named(new QCheckBox(grpUnreaded), "chkShowFolderUnreadCount");
  auto* unread = new QGridLayout(grpUnreaded);
  unread->addWidget(lblUnreadStyle, 0, 0);
  unread->addWidget(rbUnreadBold, 0, 1);
  unread->addWidget(rbUnreadNormal, 0, 2);
  unread->addWidget(lblUnreadColor, 0, 3);
  unread->addWidget(shpUnreadColor, 0, 4);
  unread->addWidget(chkAutoSort, 1, 0, 1, 5);
  unread->addWidget(chkShowUnreadFirst, 2, 0, 1, 5);
  unread->addWidget(chkShowUnreadCount, 3, 0, 1, 5);
  unread->addWidget(chkShowFolderUnreadCount, 4, 0, 1, 5);
  unread->setColumnStretch(5, 1);

  auto* layout = new QVBoxLayout(tabView);
  layout->addLayout(descDef);
  layout->addWidget(grpDescFont);
  layout->addWidget(grpUnreaded);
  layout->addStretch();
  return tabView;
}

QWidget* TSettingsDialog::BuildFeedsTab() {
  tabFeeds = NewPage("tabFeeds");
  grpRefresh = Named(new QGroupBox(tabFeeds), "grpRefresh");
  chkFeedsAutoUpdate = Named(new QCheckBox(grpRefresh), "chkFeedsAutoUpdate");
  chkFeedsAutoUpdateAtStart = Named(new QCheckBox(grpRefresh), "chkFeedsAutoUpdateAtStart");
  chkFeedsUpdateOnDblClick = Named(new QCheckBox(grpRefresh), "chkFeedsUpdateOnDblClick");
  lblTimeout = Named(new QLabel(grpRefresh), "lblTimeout");
  txtTimeout = Named(new TNumberBox(kMinTimeoutSeconds, kMaxTimeoutSeconds, grpRefresh), "txtTimeout");
  lblSec = Named(new QLabel(grpRefresh), "lblSec");
  lblTTL = Named(new QLabel(grpRefresh), "lblTTL");
  txtTTL = Named(new TNumberBox(kMinDefaultTtl, kMaxDefaultTtl, grpRefresh), "txtTTL");
  lblMin1 = Named(new QLabel(grpRefresh), "lblMin1");
  lblTimeout->setBuddy(txtTimeout);
  lblTTL->setBuddy(txtTTL);
  auto* refresh = new QGridLayout(grpRefresh);
  refresh->addWidget(chkFeedsAutoUpdate, 0, 0, 1, 3);
  refresh->addWidget(chkFeedsAutoUpdateAtStart, 1, 0, 1, 3);
  refresh->addWidget(chkFeedsUpdateOnDblClick, 2, 0, 1, 3);
  refresh->addWidget(lblTimeout, 3, 0);
  refresh->addWidget(txtTimeout, 3, 1);
  refresh->addWidget(lblSec, 3, 2);
  refresh->addWidget(lblTTL, 4, 0);
  refresh->addWidget(txtTTL, 4, 1);
  refresh->addWidget(lblMin1, 4, 2);
  refresh->setColumnStretch(2, 1);

  grpNotify = Named(new QGroupBox(tabFeeds), "grpNotify");
  chkShowPopup = Named(new QCheckBox(grpNotify), "chkShowPopup");
  chkTrayBlink = Named(new QCheckBox(grpNotify), "chkTrayBlink");
  chkPlaySound = Named(new QCheckBox(grpNotify), "chkPlaySound");
  txtSoundFileName = Named(new QLineEdit(grpNotify), "txtSoundFileName");
  txtSoundFileName->setReadOnly(true);
  btnSoundFileSel = NewPickButton(grpNotify, "btnSoundFileSel");
  chkShowRefreshErrorMsg = Named(new QCheckBox(grpNotify), "chkShowRefreshErrorMsg");
  auto* notify = new QGridLayout(grpNotify);
  notify->addWidget(chkShowPopup, 0, 0, 1, 2);
  notify->addWidget(chkTrayBlink, 1, 0, 1, 2);
  notify->addWidget(chkPlaySound, 2, 0, 1, 2);
  notify->addWidget(txtSoundFileName, 3, 0);
  notify->addWidget(btnSoundFileSel, 3, 1);
  notify->addWidget(chkShowRefreshErrorMsg, 4, 0, 1, 2);

  auto* layout = new QVBoxLayout(tabFeeds);
  layout->addWidget(grpRefresh);
  layout->addWidget(grpNotify);
  layout->addStretch();
  return tabFeeds;
}

QWidget* TSettingsDialog::BuildMiscTab() {
  tabMisc = NewPage("tabMisc");
  grpBrowser = Named(new QGroupBox(tabMisc), "grpBrowser");
  rbBrowserDefault = Named(new QRadioButton(grpBrowser), "rbBrowserDefault");
  rbBrowserUserDef = Named(new QRadioButton(grpBrowser), "rbBrowserUserDef");
  txtBrowserUserDef = Named(new QLineEdit(grpBrowser), "txtBrowserUserDef");
  txtBrowserUserDef->setReadOnly(true);
  btnBrowserUserDefSel = NewPickButton(grpBrowser, "btnBrowserUserDefSel");
  auto* browser = new QGridLayout(grpBrowser);
  browser->addWidget(rbBrowserDefault, 0, 0, 1, 2);
  browser->addWidget(rbBrowserUserDef, 1, 0, 1, 2);
  browser->addWidget(txtBrowserUserDef, 2, 0);
  browser->addWidget(btnBrowserUserDefSel, 2, 1);
  chkLoadRemoteImages = Named(new QCheckBox(tabMisc), "chkLoadRemoteImages");
  auto* layout = new QVBoxLayout(tabMisc);
  layout->addWidget(grpBrowser);
  layout->addWidget(chkLoadRemoteImages);
  layout->addStretch();
  return tabMisc;
}

QWidget* TSettingsDialog::BuildAutoReadTab() {
  tabAutoRead = NewPage("tabAutoRead");
  lblAutoRead = Named(new QLabel(tabAutoRead), "lblAutoRead");
  lblAutoRead->setWordWrap(true);
  txtAutoRead = Named(new QPlainTextEdit(tabAutoRead), "txtAutoRead");
  txtAutoRead->setTabChangesFocus(false);
  lblAutoRead->setBuddy(txtAutoRead);
  auto* layout = new QVBoxLayout(tabAutoRead);
  layout->addWidget(lblAutoRead);
  layout->addWidget(txtAutoRead, 1);
  return tabAutoRead;
}

void TSettingsDialog::ApplyTexts() {
  setWindowTitle(Text("Settings|Title", "Einstellungen"));
  pcSettings->setTabText(0, Text("Settings|tabGeneral", "Allgemein"));
  pcSettings->setTabText(1, Text("Settings|tabView", "Ansicht"));
  pcSettings->setTabText(2, Text("Settings|tabFeeds", "Feeds"));
  pcSettings->setTabText(3, Text("Settings|tabMisc", "Sonstiges"));
  pcSettings->setTabText(4, Text("Settings|tabAutoRead", "Automatisch gelesen"));
  btnOk->setText(Text("General|btnOk", "Ok"));
  btnCancel->setText(Text("General|btnCancel", "Abbrechen"));

  grpStartWin->setTitle(Text("Settings|grpStartWin", "Programm und Programmfenster"));
  chkStartWithWindows->setText(Text("Settings|chkStartWithWindows", "Programm mit Windows starten"));
  chkDontStartMinimized->setText(Text("Settings|chkDontStartMinimized", "Programm nicht minimiert starten"));
  chkMinOnClose->setText(Text("Settings|chkMinOnClose", "Programmfenster beim Schließen nur minimieren"));
  chkMinToSysTray->setText(Text("Settings|chkMinToSysTray", "Beim Minimieren nur Symbol im Infobereich anzeigen"));
  chkDetailAutoSize->setText(Text("Settings|chkDetailAutoSize", "Höhe des Detailbereiches automatisch anpassen"));
  grpMisc->setTitle(Text("Settings|grpMisc", "Sonstiges"));
  chkFeedsGroupInFolders->setText(
      Text("Settings|chkFeedsGroupInFolders", "Feeds in Ordner gruppieren (nur bei wenigen Feeds empfohlen)"));
  grpProxy->setTitle(Text("Settings|grpProxy", "Proxy"));
  rbProxyAuto->setText(Text("Settings|rbProxyAuto", "Automatisch (empfohlen)"));
  rbProxyDirect->setText(Text("Settings|rbProxyDirect", "Direkte Verbindungung"));
  rbProxyProxy->setText(Text("Settings|rbProxyProxy", "Proxy-Server:"));
  lblProxyPort->setText(Text("Settings|lblProxyPort", "Port:"));

  lblDescDef->setText(Text("Settings|lblDescDef", "Standard für Ansichtsformat:"));
  cmbDescDef->clear();
  cmbDescDef->addItems({Text("Settings|cmbDescDefLast", "Zuletzt verwendetes Format"),
                        Text("Settings|cmbDescDefText", "Textansicht"),
                        Text("Settings|cmbDescDefHtml", "HTML-Ansicht")});
  grpDescFont->setTitle(Text("Settings|grpDescFont", "Beschreibungsfeld"));
  lblDescFont->setText(Text("Settings|lblDescFont", "Vorschau:"));
  txtDescSample->setPlainText(
      Text("Settings|txtDescSample",
           "Tidewick ist ein Feed-Reader, der RSS-, Atom- und RDF-Feeds unterstützt. Feeds und Gruppen von Feeds "
           "können in OPML-Dateien exportiert und importiert werden."));
  btnTextFont->setText(Text("Settings|btnTextFont", "Schriftart auswählen..."));
  btnTextFontColor->setText(Text("Settings|btnTextFontColor", "Schriftfarbe auswählen..."));
  grpUnreaded->setTitle(Text("Settings|grpUnreaded", "Neue und ungelesen Einträge"));
  lblUnreadStyle->setText(Text("Settings|lblUnreadStyle", "Hervorhebung:"));
  rbUnreadBold->setText(Text("Settings|rbUnreadBold", "Fett"));
  rbUnreadNormal->setText(Text("Settings|rbUnreadNormal", "Normal"));
  lblUnreadColor->setText(Text("Settings|lblUnreadColor", "Farbe:"));
  shpUnreadColor->setToolTip(QStringLiteral("\"Ctrl+Click\" für die Standardfarbe"));
  shpUnreadColor->setAccessibleName(lblUnreadColor->text().remove(QLatin1Char(':')));
  chkAutoSort->setText(Text("Settings|chkAutoSort", "Liste der Feed-Einträge automatisch sortieren"));
  chkShowUnreadFirst->setText(
      Text("Settings|chkShowUnreadFirst", "Ungelesene Einträge an oberster Position in der Liste anzeigen"));
  chkShowUnreadCount->setText(
      Text("Settings|chkShowUnreadCount", "Anzahl der ungelesenen Einträge in der Feedliste anzeigen"));
  chkShowFolderUnreadCount->setText(
      Text("Settings|chkShowFolderUnreadCount", "Auch bei Ordnern die Summe der ungelesenen Einträge anzeigen"));

  grpRefresh->setTitle(Text("Settings|grpRefresh", "Feed-Aktualisierung"));
  chkFeedsAutoUpdate->setText(Text("Settings|chkFeedsAutoUpdate", "Feeds automatisch abfragen"));
  chkFeedsAutoUpdateAtStart->setText(Text("Settings|chkFeedsAutoUpdateAtStart", "Feeds beim Programmstart abfragen"));
  chkFeedsUpdateOnDblClick->setText(Text("Settings|chkFeedsUpdateOnDblClick", "Feed bei einem Doppelklick abfragen"));
  lblTimeout->setText(Text("Settings|lblTimeout", "Verbindungstimeout:"));
  lblSec->setText(Text("Settings|lblSec", "Sekunden"));
  lblTTL->setText(Text("Settings|lblTTL", "Vorgabewert für das Abfrageintervall:"));
  lblMin1->setText(Text("Settings|lblMin", "Minuten"));
  grpNotify->setTitle(Text("Settings|grpNotify", "Benachrichtigungen"));
  chkShowPopup->setText(Text("Settings|chkShowPopup", "Popup-Fenster bei neuen Einträgen anzeigen"));
  chkTrayBlink->setText(Text("Settings|chkTrayBlink", "Bei neuen Einträgen blinkendes Icon im Infobereich anzeigen"));
  chkPlaySound->setText(Text("Settings|chkPlaySound", "Ton bei neuen Einträgen abspielen:"));
  btnSoundFileSel->setToolTip(Text("Settings|btnSoundFileSel", "Audiodatei auswählen..."));
  chkShowRefreshErrorMsg->setText(
      Text("Settings|chkShowRefreshErrorMsg", "Warnmeldung bei fehlerhaften oder nicht gefundenen Feeds anzeigen"));

  grpBrowser->setTitle(Text("Settings|grpBrowser", "Webbrowser"));
  rbBrowserDefault->setText(Text("Settings|rbBrowserDefault", "Links mit dem Standard-Webbrowser öffnen"));
  rbBrowserUserDef->setText(Text("Settings|rbBrowserUserDef", "Links mit folgendem Programm öffnen:"));
  btnBrowserUserDefSel->setToolTip(Text("Settings|btnBrowserUserDefSel", "Webbrowser auswählen..."));
  chkLoadRemoteImages->setText(
      Text("Settings|chkLoadRemoteImages", "Bilder aus dem Web in Einträgen immer laden (ohne Nachfrage)"));

  lblAutoRead->setText(Text("Settings|lblAutoRead",
                            "Beiträge mit folgenden Begriffen automatisch als gelesen markieren%n%(ein Begriff pro "
                            "Zeile):"));

  // Fields named by a label or a neighbour, and the "..." buttons by their tool tips.
  const auto name = [](QWidget* widget, const QString& text) { widget->setAccessibleName(text); };
  name(txtProxyServer, rbProxyProxy->text());
  name(txtProxyPort, lblProxyPort->text());
  name(txtDescSample, lblDescFont->text());
  name(txtTimeout, lblTimeout->text());
  name(txtTTL, lblTTL->text());
  name(txtSoundFileName, chkPlaySound->text());
  name(btnSoundFileSel, btnSoundFileSel->toolTip());
  name(txtBrowserUserDef, rbBrowserUserDef->text());
  name(btnBrowserUserDefSel, btnBrowserUserDefSel->toolTip());
  name(txtAutoRead, pcSettings->tabText(4));
  name(cmbDescDef, lblDescDef->text());
  name(chkLoadRemoteImages, chkLoadRemoteImages->text());
}

}  // namespace tidewick
