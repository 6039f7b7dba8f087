#pragma once

// What the window and dialog tests share: named children, the titles of the prompts shown, a window on files in a
// temporary folder, and pictures of dialogs for the documentation.

#include <QString>
#include <QStringList>
#include <QWidget>

#include "ui/main/main_window.h"
#include "ui/main/ui_prompts.h"

namespace tidewick::test {

// The child of that object name; a missing one ends the run, as no later check could mean anything.
template <typename T>
T* Child(const QObject& parent, const char* name) {
  T* child = parent.findChild<T*>(QString::fromLatin1(name));
  if (child == nullptr)
    qFatal("no child %s", name);
  return child;
}

inline QStringList PromptTitles() {
  QStringList titles;
  for (const auto& prompt : prompts::ShownPrompts())
    titles << prompt.Title;
  return titles;
}

// A window keeping its settings and store in folder, with the language files of the source tree.
inline TMainWindowOptions WindowOptionsIn(const QString& folder) {
  TMainWindowOptions options;
  options.DataFolder = TIDEWICK_SOURCE_DIR "/";
  options.SettingsFileName = (folder + QStringLiteral("/Tidewick.ini")).toStdString();
  options.FeedsFileName = (folder + QStringLiteral("/Feeds.xml")).toStdString();
  return options;
}

// With TIDEWICK_SCREENSHOT_DIR set (scripts/dialog_screenshots.sh), the widget is drawn into that folder; false only
// when that fails.
inline bool SaveScreenshot(QWidget& widget, const QString& fileName) {
  const QString folder = qEnvironmentVariable("TIDEWICK_SCREENSHOT_DIR");
  return folder.isEmpty() || widget.grab().save(folder + QLatin1Char('/') + fileName);
}

}  // namespace tidewick::test
