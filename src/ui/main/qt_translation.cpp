#include "ui/main/qt_translation.h"

#include <algorithm>

#include <QApplication>
#include <QEvent>
#include <QLibraryInfo>
#include <QTranslator>
#include <QWidget>

namespace tidewick {

void UseQtTranslation(std::string_view languageTag) {
  QCoreApplication* app = QCoreApplication::instance();
  if (app == nullptr) {
    return;
  }
  // One translator for the whole program, owned by the application and found again by its name.
  const QString name = QStringLiteral("tidewickQtTranslation");
  auto* translator = app->findChild<QTranslator*>(name, Qt::FindDirectChildrenOnly);
  if (translator == nullptr) {
    translator = new QTranslator(app);
    translator->setObjectName(name);
  }
  QCoreApplication::removeTranslator(translator);
  // Qt names its files with "_" ("qtbase_pt_BR"); load() falls back from "pt_BR" to "pt" by itself.
  QString tag = QString::fromUtf8(languageTag.data(), static_cast<qsizetype>(languageTag.size()));
  tag.replace(QLatin1Char('-'), QLatin1Char('_'));
  const bool plain = std::all_of(tag.begin(), tag.end(), [](QChar c) {
    return (c.isLetterOrNumber() && c.unicode() < 128) || c == QLatin1Char('_');
  });
  if (plain && !tag.isEmpty() &&
      translator->load(QStringLiteral("qtbase_") + tag, QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    QCoreApplication::installTranslator(translator);
  }
  // Qt only posts its news of a new translator, and none when there is none for the language: every open window
  // hears of the switch now, so the texts it made from language texts change together with the menus.
  for (QWidget* window : QApplication::topLevelWidgets()) {
    QEvent change(QEvent::LanguageChange);
    QCoreApplication::sendEvent(window, &change);
  }
}

}  // namespace tidewick
