// Every shipped language file loads, and its texts fit the settings, feed and info dialogs at the default font.

#include <memory>

#include <QAbstractButton>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>

#include "lang/lang_text.h"
#include "ui/dialogs/feed_edit_dialog.h"
#include "ui/dialogs/info_dialog.h"
#include "ui/dialogs/settings_dialog.h"
#include "ui/main/ui_prompts.h"
#include "ui/rules/language_menu.h"
#include "ui/ui_test_support.h"

using namespace tidewick;

namespace {

// The texts of the shown labels, buttons and group titles below top that got less width than they need, or (wrapped
// labels) less height than their width needs.
QStringList CutTexts(const QWidget& top, const QString& where) {
  QStringList cut;
  const auto report = [&](const QWidget* widget, const QString& text, const QSize need) {
    cut << QStringLiteral("%1 %2 \"%3\": needs %4x%5, got %6x%7")
               .arg(where, widget->objectName(), text)
               .arg(need.width())
               .arg(need.height())
               .arg(widget->width())
               .arg(widget->height());
  };
  for (const QWidget* widget : top.findChildren<QWidget*>()) {
    if (!widget->isVisibleTo(&top))
      continue;
    if (const auto* label = qobject_cast<const QLabel*>(widget)) {
      if (label->text().isEmpty())
        continue;
      const QSize need = label->wordWrap()
                             ? QSize(label->minimumSizeHint().width(), label->heightForWidth(label->width()))
                             : label->minimumSizeHint();
      if (need.width() > label->width() || need.height() > label->height())
        report(label, label->text(), need);
    } else if (const auto* button = qobject_cast<const QAbstractButton*>(widget)) {
      if (!button->text().isEmpty() && button->sizeHint().width() > button->width())
        report(button, button->text(), button->sizeHint());
    } else if (const auto* group = qobject_cast<const QGroupBox*>(widget)) {
      if (!group->title().isEmpty() && group->minimumSizeHint().width() > group->width())
        report(group, group->title(), group->minimumSizeHint());
    }
  }
  return cut;
}

// Shows the dialog at its default size, every page of its tabs in turn, and collects what is cut.
QStringList CutTextsShown(QWidget& dialog, const QString& language, const QString& name) {
  dialog.show();
  QStringList cut;
  const auto tabs = dialog.findChildren<QTabWidget*>();
  if (tabs.isEmpty())
    return CutTexts(dialog, language + QLatin1Char(' ') + name);
  for (QTabWidget* tab : tabs) {
    // Tabs that do not fit get scroll arrows and elided captions.
    if (tab->tabBar()->sizeHint().width() > tab->tabBar()->width())
      cut << QStringLiteral("%1 %2 tabs: need %3, got %4")
                 .arg(language, name)
                 .arg(tab->tabBar()->sizeHint().width())
                 .arg(tab->tabBar()->width());
    for (int page = 0; page < tab->count(); ++page) {
      tab->setCurrentIndex(page);
      cut << CutTexts(dialog, QStringLiteral("%1 %2/%3").arg(language, name, tab->tabText(page)));
    }
    tab->setCurrentIndex(0);
  }
  return cut;
}

}  // namespace

class LanguageFitTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { prompts::SetScripted(true); }
  void cleanupTestCase() { LoadLanguageFile(""); }

  void dialogsShowEveryTextWhole_data() {
    QTest::addColumn<QString>("file");
    QTest::newRow("built-in German") << QString();
    const QDir folder(QStringLiteral(TIDEWICK_SOURCE_DIR "/Language"));
    const QStringList files = folder.entryList({QStringLiteral("*.lng")}, QDir::Files, QDir::Name);
    QVERIFY(files.size() >= 13);
    for (const QString& file : files)
      QTest::newRow(qPrintable(file)) << folder.filePath(file);
  }
  void dialogsShowEveryTextWhole() {
    QFETCH(QString, file);
    QVERIFY(file.isEmpty() || LoadLanguageFile(file.toStdString()));
    const QString language = file.isEmpty() ? QStringLiteral("German") : QFileInfo(file).baseName();
    const TSettingsValues settings;
    QStringList cut;
    {
      TSettingsDialog dialog(settings, nullptr);
      cut << CutTextsShown(dialog, language, QStringLiteral("settings"));
      QVERIFY(test::SaveScreenshot(dialog, QString::fromStdString(CurrentLanguageCode()) + QStringLiteral(".png")));
    }
    for (const bool edit : {false, true}) {
      TFeedEditDialog dialog(settings, nullptr);
      TFeed feed;
      feed.URL = "https://example.invalid/feed.xml";
      edit ? dialog.PrepareEdit(feed) : dialog.PrepareAdd(QStringLiteral("-"));
      cut << CutTextsShown(dialog, language, edit ? QStringLiteral("feed edit") : QStringLiteral("feed add"));
    }
    {
      TInfoDialog dialog(settings, nullptr);
      cut << CutTextsShown(dialog, language, QStringLiteral("info"));
    }
    QVERIFY2(cut.isEmpty(), qPrintable(cut.join(QLatin1Char('\n'))));
  }
};

QTEST_MAIN(LanguageFitTest)
#include "language_fit_test.moc"
