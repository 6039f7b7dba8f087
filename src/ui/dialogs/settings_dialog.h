#pragma once

// The settings dialog: five tabs over a copy of the settings record. It copies the values into its controls when
// created and back only on OK; the caller then takes Values() in with ApplySettingsChange (settings_apply.h). The
// "start with the system" entry is the one thing it writes itself, on OK and only when that box was changed.

#include <string>

#include <QDialog>
#include <QFont>

#include "settings/settings.h"

class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QWidget;

namespace tidewick {

class TNumberBox;

class TSettingsDialog : public QDialog {
  Q_OBJECT

 public:
  // `programPath` is the program the autostart entry starts (the running program by default).
  TSettingsDialog(const TSettingsValues& settings, QWidget* parent, std::string programPath = {});

  // The record with the dialog's values; after OK it holds what the user chose.
  const TSettingsValues& Values() const { return m_values; }

 public slots:
  void accept() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* BuildGeneralTab();
  QWidget* BuildViewTab();
  QWidget* BuildFeedsTab();
  QWidget* BuildMiscTab();
  QWidget* BuildAutoReadTab();
  void ApplyTexts();
  void Fill();
  void ApplyEnabling();
  void CopyBack();
  void ShowUnreadColor();
  void ShowWorkingFont();
  void PickUnreadColor(bool useWindowText);
  void PickFont();
  void PickFontColor();
  void PickSoundFile();
  void PickBrowser();

  TSettingsValues m_values;
  const std::string m_programPath;
  TColor m_unreadColor = 0;
  TFontRecord m_workingFont;
  bool m_startedWithSystem = false;

  QTabWidget* pcSettings = nullptr;
  QPushButton* btnOk = nullptr;
  QPushButton* btnCancel = nullptr;
  // General
  QWidget* tabGeneral = nullptr;
  QGroupBox* grpStartWin = nullptr;
  QCheckBox* chkStartWithWindows = nullptr;
  QCheckBox* chkDontStartMinimized = nullptr;
  QCheckBox* chkMinOnClose = nullptr;
  QCheckBox* chkMinToSysTray = nullptr;
  QCheckBox* chkDetailAutoSize = nullptr;
  QGroupBox* grpMisc = nullptr;
  QCheckBox* chkFeedsGroupInFolders = nullptr;
  QGroupBox* grpProxy = nullptr;
  QRadioButton* rbProxyAuto = nullptr;
  QRadioButton* rbProxyDirect = nullptr;
  QRadioButton* rbProxyProxy = nullptr;
  QLineEdit* txtProxyServer = nullptr;
  QLabel* lblProxyPort = nullptr;
  TNumberBox* txtProxyPort = nullptr;
  // View
  QWidget* tabView = nullptr;
  QLabel* lblDescDef = nullptr;
  QComboBox* cmbDescDef = nullptr;
  QGroupBox* grpDescFont = nullptr;
  QLabel* lblDescFont = nullptr;
  QPlainTextEdit* txtDescSample = nullptr;
  QPushButton* btnTextFont = nullptr;
  QPushButton* btnTextFontColor = nullptr;
  QGroupBox* grpUnreaded = nullptr;
  QLabel* lblUnreadStyle = nullptr;
  QRadioButton* rbUnreadBold = nullptr;
  QRadioButton* rbUnreadNormal = nullptr;
  QLabel* lblUnreadColor = nullptr;
  QFrame* shpUnreadColor = nullptr;
  QCheckBox* chkAutoSort = nullptr;
  QCheckBox* chkShowUnreadFirst = nullptr;
  QCheckBox* chkShowUnreadCount = nullptr;
  QCheckBox* chkShowFolderUnreadCount = nullptr;
  // Feeds
  QWidget* tabFeeds = nullptr;
  QGroupBox* grpRefresh = nullptr;
  QCheckBox* chkFeedsAutoUpdate = nullptr;
  QCheckBox* chkFeedsAutoUpdateAtStart = nullptr;
  QCheckBox* chkFeedsUpdateOnDblClick = nullptr;
  QLabel* lblTimeout = nullptr;
  TNumberBox* txtTimeout = nullptr;
  QLabel* lblSec = nullptr;
  QLabel* lblTTL = nullptr;
  TNumberBox* txtTTL = nullptr;
  QLabel* lblMin1 = nullptr;
  QGroupBox* grpNotify = nullptr;
  QCheckBox* chkShowPopup = nullptr;
  QCheckBox* chkTrayBlink = nullptr;
  QCheckBox* chkPlaySound = nullptr;
  QLineEdit* txtSoundFileName = nullptr;
  QPushButton* btnSoundFileSel = nullptr;
  QCheckBox* chkShowRefreshErrorMsg = nullptr;
  // Misc
  QWidget* tabMisc = nullptr;
  QGroupBox* grpBrowser = nullptr;
  QCheckBox* chkLoadRemoteImages = nullptr;
  QRadioButton* rbBrowserDefault = nullptr;
  QRadioButton* rbBrowserUserDef = nullptr;
  QLineEdit* txtBrowserUserDef = nullptr;
  QPushButton* btnBrowserUserDefSel = nullptr;
  // Auto-read
  QWidget* tabAutoRead = nullptr;
  QLabel* lblAutoRead = nullptr;
  QPlainTextEdit* txtAutoRead = nullptr;
};

}  // namespace tidewick
