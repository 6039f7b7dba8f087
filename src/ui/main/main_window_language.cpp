// Translated texts of the frame and the language menu.

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QFontDatabase>
#include <QLabel>
#include <QMenu>
#include <QTabWidget>
#include <QTreeView>

#include "lang/lang_text.h"
#include "lang/window_font.h"
#include "settings/settings.h"
#include "tree/feed_tree.h"
#include "ui/main/entry_controller.h"
#include "ui/main/entry_list_model.h"
#include "ui/main/lang_qstring.h"
#include "ui/main/main_actions.h"
#include "ui/main/main_window.h"
#include "ui/main/qt_translation.h"
#include "ui/rules/language_menu.h"

namespace tidewick {

void TMainWindow::ApplyLanguage() {
  ApplyWindowFont();
  m_actions->ApplyLanguage();
  TMainWidgets& w = m_widgets;
  w.titleLabel->setText(Text("Main|lblTitle", "Titel:"));
  w.dateLabel->setText(Text("Main|lblDate", "Datum:"));
  w.entryTabs->setTabText(0, Text("Main|tabText", "Textansicht"));
  w.entryTabs->setTabText(1, Text("Main|tabHTML", "HTML-Ansicht"));
  ApplyAccessibleNames();
}

void TMainWindow::ApplyWindowFont() {
  const TWindowFont font = GetWindowFont();
  const QString family = QString::fromStdString(font.Name);
  // A face the system lacks would make Qt pick some substitute, often a tiny bitmap font: keep the system font.
  if (!QFontDatabase::hasFamily(family)) {
    setFont(QApplication::font());
    return;
  }
  QFont windowFont(family);
  windowFont.setPointSize(font.Size);
  setFont(windowFont);
}

void TMainWindow::FillLanguageMenu() {
  QMenu* menu = m_actions->mnuLanguage;
  for (QAction* item : m_actions->languageGroup->actions()) {
    m_actions->languageGroup->removeAction(item);
    delete item;
  }
  const auto files = ListLanguageFiles(LanguageFolder(m_options.DataFolder));
  for (const TLanguageMenuItem& entry : BuildLanguageMenu(files, Settings().Language)) {
    QAction* item = menu->addAction(QString::fromStdString(entry.Caption));
    item->setCheckable(true);
    item->setChecked(entry.Checked);
    m_actions->languageGroup->addAction(item);
  }
  connect(m_actions->languageGroup, &QActionGroup::triggered, this, &TMainWindow::OnLanguageChosen,
          Qt::UniqueConnection);
}

void TMainWindow::OnLanguageChosen(QAction* item) {
  const std::string language = item->text().toStdString();
  Settings().Language = language;
  SwitchLanguage(m_options.DataFolder, language);
  UseQtTranslation(CurrentLanguageCode());
  ApplyLanguage();
  // What was made from language texts before: the list's column headers and the tree's root.
  m_entryController->Model().UpdateColumnHeaders();
  m_tree->UpdateTreeCaptions();
  ScheduleSave();
}

}  // namespace tidewick
