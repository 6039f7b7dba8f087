#include "ui/dialogs/info_dialog.h"

#include <memory>

#include <QDir>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QTest>

#include "lang/lang_text.h"
#include "platform/version.h"
#include "platform/version_info.h"
#include "support/temp_dir.h"
#include "ui/main/ui_prompts.h"
#include "ui/ui_test_support.h"
#include "util/files.h"

using namespace tidewick;
namespace prompts = tidewick::prompts;

class InfoDialogTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<test::TempDir> m_dir;
  TSettingsValues m_settings;

  std::unique_ptr<TInfoDialog> Open() {
    auto dialog = std::make_unique<TInfoDialog>(m_settings, nullptr);
    dialog->show();
    return dialog;
  }
  static QLabel* Label(const TInfoDialog& dialog, const char* name) {
    return dialog.findChild<QLabel*>(QString::fromLatin1(name));
  }
  void WriteLanguage(const std::string& name, const std::string& entries) {
    QDir().mkpath(QString::fromStdString(m_dir->File("Language")));
    QVERIFY(WriteStringToFile(m_dir->File("Language/" + name + ".lng"), entries));
    QVERIFY(LoadLanguageFile(m_dir->File("Language/" + name + ".lng")));
    m_settings.Language = name;
  }

 private slots:
  void init() {
    prompts::SetScripted(true);
    m_dir = std::make_unique<test::TempDir>();
    m_settings = TSettingsValues{};
    m_settings.AppPath = m_dir->Path().string() + "/";
    LoadLanguageFile(m_dir->File("none.lng"));  // the built-in German texts
  }

  void cleanup() {
    LoadLanguageFile(m_dir->File("none.lng"));
    m_dir.reset();
    prompts::SetScripted(false);
  }

  void showsVersionAndTheBuiltInLanguageWithoutPicture() {
    const auto dialog = Open();
    QCOMPARE(Label(*dialog, "lblVersion")->text(),
             "Version " + QString::fromStdString(GetVersionString("ProductVersion")));
    QCOMPARE(Label(*dialog, "lblCopyright")->text(), QString::fromStdString(GetVersionString("LegalCopyright")));
    QCOMPARE(Label(*dialog, "lblLang")->text(), QStringLiteral("Deutsch"));
    QVERIFY(Label(*dialog, "imgLang")->pixmap().isNull());
    QCOMPARE(Label(*dialog, "lblHomePage")->isVisible(), *version_info::kHomePage != '\0');
    QCOMPARE(Label(*dialog, "lblMailAddr")->isVisible(), *version_info::kContactAddress != '\0');
  }

  void languageBlockShowsTheTranslatorAndThePicture() {
    WriteLanguage("Testisch",
                  "Lang|Language=Testisch\nLang|AuthorName=Tess Ter\nLang|AuthorSite=https://tess.example/\n"
                  "Lang|AuthorMail=tess@example.org\nInfo|grpLang=Language file\n");
    QImage picture(16, 11, QImage::Format_RGB32);
    picture.fill(Qt::red);
    QVERIFY(picture.save(QString::fromStdString(m_dir->File("Language/Testisch.png"))));
    const auto dialog = Open();
    QCOMPARE(Label(*dialog, "lblLang")->text(), QStringLiteral("Testisch"));
    QCOMPARE(Label(*dialog, "lblLangAuthorName")->text(), QStringLiteral("Tess Ter"));
    QVERIFY(!Label(*dialog, "imgLang")->pixmap().isNull());
    QVERIFY(test::SaveScreenshot(*dialog, "dialog-info.png"));
    const QString version = QString::fromStdString(GetVersionString("ProductVersion"));
    QCOMPARE(QUrl::fromPercentEncoding(dialog->LinkTarget(Label(*dialog, "lblLangMailAddr")).toEncoded()),
             "mailto:tess@example.org?subject=Language file: Tidewick " + version);
    QCOMPARE(dialog->LinkTarget(Label(*dialog, "lblLangHomePage")), QUrl("https://tess.example/"));
  }

  void onlyWebAndMailLinksAreOpened_data() {
    QTest::addColumn<QString>("site");
    QTest::addColumn<bool>("opened");
    QTest::newRow("https") << "https://tess.example/" << true;
    QTest::newRow("local file") << "file:///etc/passwd" << false;  // the rest of the rule is the opener's
  }
  void onlyWebAndMailLinksAreOpened() {
    QFETCH(QString, site);
    QFETCH(bool, opened);
    WriteLanguage("Testisch", "Lang|AuthorSite=" + site.toStdString() + "\nLang|AuthorMail=a@b.example\n");
    const auto dialog = Open();
    QList<QUrl> urls;
    dialog->SetLinkOpener([&](const QUrl& url) {
      urls << url;
      return true;
    });
    QTest::mouseClick(Label(*dialog, "lblLangHomePage"), Qt::LeftButton);
    QCOMPARE(urls.size(), opened ? 1 : 0);
    QTest::mouseClick(Label(*dialog, "lblLangMailAddr"), Qt::LeftButton);
    QCOMPARE(urls.last().scheme(), QStringLiteral("mailto"));
  }

  void failedMailClientIsReported() {
    WriteLanguage("Testisch", "Lang|AuthorMail=a@b.example\n");
    const auto dialog = Open();
    dialog->SetLinkOpener([](const QUrl&) { return false; });
    QTest::mouseClick(Label(*dialog, "lblLangMailAddr"), Qt::LeftButton);
    QCOMPARE(prompts::ShownPrompts().size(), size_t{1});
    QCOMPARE(prompts::ShownPrompts()[0].Title, QStringLiteral("Kein Standard-Mailclient gefunden"));
  }
};

QTEST_MAIN(InfoDialogTest)
#include "info_dialog_test.moc"
