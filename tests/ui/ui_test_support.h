#pragma once

// What the window and dialog tests share: named children, the titles of the prompts shown, a window on files in a
// temporary folder, and pictures of dialogs for the documentation.

#include <QAccessible>
#include <QLabel>
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

// The controls below node that a screen reader would meet without a name (role in hex, class, object name). Not
// asked: layout (panels, separators, stacks, grips, scroll bars), empty labels, and the rows of item views, which
// are their data.
inline void CollectUnnamedControls(QAccessibleInterface* node, QStringList& unnamed) {
  const QAccessible::Role role = node->role();
  const auto* label = qobject_cast<const QLabel*>(node->object());
  const bool layout = role == QAccessible::Client || role == QAccessible::Separator ||
                      role == QAccessible::LayeredPane || role == QAccessible::Grip || role == QAccessible::ScrollBar;
  if (!layout && !(label != nullptr && label->text().isEmpty()) && node->text(QAccessible::Name).trimmed().isEmpty()) {
    const QObject* object = node->object();
    unnamed << QStringLiteral("%1 %2 %3")
                   .arg(static_cast<int>(role), 0, 16)
                   .arg(object != nullptr ? QString::fromLatin1(object->metaObject()->className()) : QString(),
                        object != nullptr ? object->objectName() : QString());
  }
  if (role == QAccessible::Tree || role == QAccessible::List || role == QAccessible::Table)
    return;
  for (int i = 0; i < node->childCount(); ++i) {
    if (QAccessibleInterface* child = node->child(i))
      CollectUnnamedControls(child, unnamed);
  }
}

inline QStringList UnnamedControls(QWidget& top) {
  QStringList unnamed;
  CollectUnnamedControls(QAccessible::queryAccessibleInterface(&top), unnamed);
  return unnamed;
}

// What a screen reader reads as the object's name.
inline QString AccessibleName(QObject* object) {
  return QAccessible::queryAccessibleInterface(object)->text(QAccessible::Name);
}

inline QStringList PromptTitles() {
  QStringList titles;
  for (const auto& prompt : prompts::ShownPrompts())
    titles << prompt.Title;
  return titles;
}

// The texts of the prompts of that kind shown.
inline QStringList PromptTexts(prompts::TPromptKind kind) {
  QStringList texts;
  for (const auto& prompt : prompts::ShownPrompts())
    if (prompt.Kind == kind)
      texts << prompt.Text;
  return texts;
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
