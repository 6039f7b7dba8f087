#pragma once

// What the OPML and entry export commands share: file filters in Qt's form, the save loop with its overwrite
// question, and the hourglass.

#include <functional>

#include <QString>

class QWidget;

namespace tidewick {

// A filter text of the language file ("OPML-Dateien (*.opml)") in Qt's form: "*.*" matches every file here.
QString QtFileFilter(const QString& text);

// Asks for a file to save until the user picks one (confirming an existing file with Yes) or cancels: then nothing.
// withExtension turns the chosen name and the filter it was chosen with into the name to write.
QString AskSaveFileName(QWidget* parent, const QString& title, const QString& proposed, const QString& filters,
                        QString& selectedFilter,
                        const std::function<QString(const QString& name, const QString& filter)>& withExtension);

// The hourglass for the lifetime of the object.
class TBusyCursor {
 public:
  TBusyCursor();
  ~TBusyCursor();
  TBusyCursor(const TBusyCursor&) = delete;
  TBusyCursor& operator=(const TBusyCursor&) = delete;
};

}  // namespace tidewick
