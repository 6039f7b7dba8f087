#include "ui/dialogs/settings_dialog.h"

#include <memory>

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFrame>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>

#include "platform/autostart.h"
#include "settings/settings_apply.h"
#include "support/env_guard.h"
#include "support/temp_dir.h"
#include "ui/main/ui_prompts.h"
#include "ui/ui_test_support.h"

using namespace tidewick;
namespace prompts = tidewick::prompts;

namespace {

constexpr const char* kProgram = "/opt/Tide wick/tidewick";

// Every stored value compared, so a control that loses or changes a value on the way through is caught.
bool SameValues(const TSettingsValues& actual, const TSettingsValues& expected) {
  TSettingsValues copy = expected;
  CopySettingsDialogValues(actual, copy);
  return copy == expected;
}

}  // namespace

class SettingsDialogTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<test::TempDir> m_dir;
  std::unique_ptr<test::EnvGuard> m_config;
  std::unique_ptr<TSettingsDialog> m_dialog;

  template <typename T>
  T* Child(const char* name) {
    return test::Child<T>(*m_dialog, name);
  }
  void Open(const TSettingsValues& settings) {
    m_dialog = std::make_unique<TSettingsDialog>(settings, nullptr, kProgram);
    m_dialog->show();
  }
  void ClickOk() { QTest::mouseClick(Child<QPushButton>("btnOk"), Qt::LeftButton); }

 private slots:
  void init() {
    prompts::SetScripted(true);
    m_dir = std::make_unique<test::TempDir>();
    m_config = std::make_unique<test::EnvGuard>("XDG_CONFIG_HOME", m_dir->Path().string());
  }

  void cleanup() {
    m_dialog.reset();
    m_config.reset();
    m_dir.reset();
    prompts::SetScripted(false);
  }

  void okWithoutChangesKeepsEverythingButSortsTheTerms() {
    TSettingsValues settings;
    settings.AutoReadList = {"zebra", "", "  Apple ", "mango"};
    settings.ProxyMode = 2;
    settings.ProxyServer = "proxy.local";
    settings.ProxyPort = 40000;  // above the old 32767 limit: the file accepts it, so must the dialog
    settings.UnreadColor = kClWindowText;
    settings.TextFont = {"DejaVu Serif", 11, 0x123456, true, false, true, false, 161};
    settings.UseWebBrowser = 1;
    settings.WebBrowser = "/usr/bin/firefox";
    settings.LoadRemoteImages = true;
    settings.DefaultDescTab = 2;
    settings.Timeout = 25;
    settings.DefaultTTL = 240;
    settings.ShowFolderUnreadCount = true;
    Open(settings);
    QCOMPARE(m_dialog->windowTitle(), QStringLiteral("Einstellungen"));
    QCOMPARE(Child<QTabWidget>("pcSettings")->currentWidget()->objectName(), QStringLiteral("tabGeneral"));
    QCOMPARE(Child<QPlainTextEdit>("txtAutoRead")->toPlainText(), QStringLiteral("Apple\nmango\nzebra"));
    QVERIFY(test::SaveScreenshot(*m_dialog, "dialog-settings.png"));
    ClickOk();
    QCOMPARE(m_dialog->result(), int(QDialog::Accepted));
    QVERIFY(prompts::ShownPrompts().empty());
    TSettingsValues expected = settings;
    expected.AutoReadList = {"Apple", "mango", "zebra"};
    QVERIFY(SameValues(m_dialog->Values(), expected));
  }

  void enablingFollowsTheControllingBoxes() {
    TSettingsValues settings;
    settings.ProxyMode = 0;
    settings.AutoSort = false;
    settings.PlaySound = false;
    settings.UseWebBrowser = 0;
    Open(settings);
    const std::vector<std::pair<const char*, std::vector<const char*>>> rules = {
        {"rbProxyProxy", {"txtProxyServer", "lblProxyPort", "txtProxyPort"}},
        {"chkAutoSort", {"chkShowUnreadFirst"}},
        {"chkPlaySound", {"txtSoundFileName", "btnSoundFileSel"}},
        {"rbBrowserUserDef", {"txtBrowserUserDef", "btnBrowserUserDefSel"}},
    };
    for (const auto& [control, dependents] : rules) {
      for (const char* name : dependents)
        QVERIFY2(!Child<QWidget>(name)->isEnabled(), name);
      Child<QAbstractButton>(control)->click();
      for (const char* name : dependents)
        QVERIFY2(Child<QWidget>(name)->isEnabled(), name);
    }
    Child<QRadioButton>("rbProxyDirect")->click();
    QVERIFY(!Child<QWidget>("txtProxyPort")->isEnabled());
  }

  void numberFieldsAreNormalisedOnLeaving_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("value");
    QTest::newRow("timeout above the range") << QString("txtTimeout") << QString("500") << 99;
    QTest::newRow("timeout letter keeps the value") << QString("txtTimeout") << QString("x") << 10;
    QTest::newRow("interval below the range") << QString("txtTTL") << QString("5") << 15;
    QTest::newRow("port up to 65535") << QString("txtProxyPort") << QString("65535") << 65535;
    QTest::newRow("port above the range") << QString("txtProxyPort") << QString("99999") << 65535;
  }
  void numberFieldsAreNormalisedOnLeaving() {
    QFETCH(QString, field);
    QFETCH(QString, typed);
    QFETCH(int, value);
    TSettingsValues settings;
    settings.ProxyMode = 2;
    Open(settings);
    Child<QTabWidget>("pcSettings")->setCurrentIndex(field == "txtProxyPort" ? 0 : 2);
    auto* box = Child<QSpinBox>(field.toLatin1().constData());
    box->setFocus();
    QTRY_VERIFY(box->hasFocus());
    box->selectAll();
    QTest::keyClicks(box, typed);
    QTest::keyClick(box, Qt::Key_Tab);
    QCOMPARE(box->value(), value);
    QCOMPARE(box->text(), QString::number(value));
  }

  void lowDefaultIntervalIsQuestioned_data() {
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("yes: correct it") << int(QMessageBox::Yes) << false;
    QTest::newRow("no: keep 30") << int(QMessageBox::No) << true;
  }
  void lowDefaultIntervalIsQuestioned() {
    QFETCH(int, answer);
    QFETCH(bool, accepted);
    Open(TSettingsValues{});
    Child<QSpinBox>("txtTTL")->setValue(30);
    prompts::PrimeMessageAnswer(static_cast<QMessageBox::StandardButton>(answer));
    ClickOk();
    QCOMPARE(prompts::ShownPrompts().size(), size_t{1});
    QCOMPARE(prompts::ShownPrompts()[0].Text.contains("30"), true);
    QCOMPARE(m_dialog->isVisible(), !accepted);
    if (accepted)
      QCOMPARE(m_dialog->Values().DefaultTTL, 30);
  }

  void startWithTheSystemWritesAndRemovesTheEntry_data() {
    QTest::addColumn<bool>("programFolder");
    QTest::addColumn<QString>("command");
    QTest::newRow("beside the program") << true << QString("\"%1\" /MIN").arg(kProgram);
    QTest::newRow("per-user folder") << false << QString("\"%1\" /MIN /APPDATA").arg(kProgram);
  }
  void startWithTheSystemWritesAndRemovesTheEntry() {
    QFETCH(bool, programFolder);
    QFETCH(QString, command);
    TSettingsValues settings;
    settings.UseProgramFolder = programFolder;
    Open(settings);
    QVERIFY(!Child<QCheckBox>("chkStartWithWindows")->isChecked());
    Child<QCheckBox>("chkStartWithWindows")->setChecked(true);
    ClickOk();
    QCOMPARE(QString::fromStdString(ReadAutostartCommand()), command);

    Open(settings);
    QVERIFY(Child<QCheckBox>("chkStartWithWindows")->isChecked());
    Child<QCheckBox>("chkStartWithWindows")->setChecked(false);
    ClickOk();
    QVERIFY(ReadAutostartCommand().empty());
  }

  void colourSwatchTakesWindowTextOnCtrlClickElseTheDialog() {
    TSettingsValues settings;
    settings.UnreadColor = 128;
    Open(settings);
    Child<QTabWidget>("pcSettings")->setCurrentIndex(1);
    auto* swatch = Child<QFrame>("shpUnreadColor");
    QTest::mouseClick(swatch, Qt::LeftButton, Qt::ControlModifier);
    QVERIFY(prompts::ShownPrompts().empty());
    prompts::PrimeColor(QColor(0x11, 0x22, 0x33));
    QTest::mouseClick(swatch, Qt::LeftButton);
    QCOMPARE(prompts::ShownPrompts().size(), size_t{1});
    ClickOk();
    QCOMPARE(m_dialog->Values().UnreadColor, RgbColor(0x11, 0x22, 0x33));

    Open(settings);
    QTest::mouseClick(Child<QFrame>("shpUnreadColor"), Qt::LeftButton, Qt::ControlModifier);
    ClickOk();
    QCOMPARE(m_dialog->Values().UnreadColor, kClWindowText);
  }

  void fontButtonsChangeTheWorkingFontAndThePreview() {
    TSettingsValues settings;
    settings.TextFont.Charset = 161;
    Open(settings);
    QFont chosen("DejaVu Sans Mono");
    chosen.setPointSize(14);
    chosen.setStrikeOut(true);
    prompts::PrimeFont(chosen);
    prompts::PrimeColor(QColor(0xAA, 0xBB, 0xCC));
    QTest::mouseClick(Child<QPushButton>("btnTextFont"), Qt::LeftButton);
    QTest::mouseClick(Child<QPushButton>("btnTextFontColor"), Qt::LeftButton);
    QCOMPARE(Child<QPlainTextEdit>("txtDescSample")->font().pointSize(), 14);
    ClickOk();
    const TFontRecord& font = m_dialog->Values().TextFont;
    QVERIFY(font.Name == "DejaVu Sans Mono" && font.Size == 14 && font.StrikeOut);
    QCOMPARE(font.Color, RgbColor(0xAA, 0xBB, 0xCC));
    QCOMPARE(font.Charset, 161);  // kept for the file, though it changes nothing on screen
  }

  void pickersTakeOnlyFitFiles() {
    const QString wave = QString::fromStdString(m_dir->File("ding.wav"));
    const QString script = QString::fromStdString(m_dir->File("browser"));
    const QString text = QString::fromStdString(m_dir->File("notes.txt"));
    for (const QString& path : {wave, script, text}) {
      QFile file(path);
      QVERIFY(file.open(QIODevice::WriteOnly));
    }
    QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    TSettingsValues settings;
    settings.PlaySound = true;
    settings.UseWebBrowser = 1;
    Open(settings);
    prompts::PrimeFileName(QString::fromStdString(m_dir->File("missing.wav")));
    prompts::PrimeFileName(wave);
    prompts::PrimeFileName(text);  // not executable: refused with a message
    prompts::PrimeFileName(script);
    auto* sound = Child<QPushButton>("btnSoundFileSel");
    auto* browser = Child<QPushButton>("btnBrowserUserDefSel");
    sound->click();
    QVERIFY(Child<QLineEdit>("txtSoundFileName")->text().isEmpty());
    sound->click();
    QCOMPARE(Child<QLineEdit>("txtSoundFileName")->text(), wave);
    browser->click();
    QVERIFY(Child<QLineEdit>("txtBrowserUserDef")->text().isEmpty());
    browser->click();
    QCOMPARE(Child<QLineEdit>("txtBrowserUserDef")->text(), script);
    const auto& shown = prompts::ShownPrompts();
    QCOMPARE(shown.size(), size_t{5});
    QCOMPARE(shown[3].Kind, prompts::TPromptKind::Message);
    QVERIFY(shown[2].Filter.contains("(*)"));  // programs without an extension stay visible
  }
};

QTEST_MAIN(SettingsDialogTest)
#include "settings_dialog_test.moc"
