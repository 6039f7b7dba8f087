#pragma once

// Every message box, file dialog and input box of the window layer goes through here, so tests can answer them
// without a modal loop: in scripted mode nothing is shown, each prompt takes the next primed answer (or its
// default when none is primed) and is recorded for the test to inspect.
//
// Message texts are always shown as plain text: they may carry feed titles and addresses.

#include <optional>
#include <vector>

#include <QColor>
#include <QFileDialog>
#include <QFont>
#include <QLineEdit>
#include <QMessageBox>
#include <QString>
#include <QStringList>

namespace tidewick::prompts {

QMessageBox::StandardButton Message(QWidget* parent, QMessageBox::Icon icon, const QString& title, const QString& text,
                                    QMessageBox::StandardButtons buttons = QMessageBox::Ok,
                                    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton);

// A message that does not block: the window goes on working while it is open. The box deletes itself when it is
// closed; null in scripted mode.
QMessageBox* Notice(QWidget* parent, QMessageBox::Icon icon, const QString& title, const QString& text);

// The chosen file, or an empty text when the user cancelled. selectedFilter is read and written like Qt's own.
QString SaveFileName(QWidget* parent, const QString& title, const QString& dir, const QString& filter,
                     QString* selectedFilter = nullptr, QFileDialog::Options options = {});
QString OpenFileName(QWidget* parent, const QString& title, const QString& dir, const QString& filter,
                     QString* selectedFilter = nullptr, QFileDialog::Options options = {});

// A one-line input box (echo Password for a password); nothing when the user cancelled.
std::optional<QString> InputText(QWidget* parent, const QString& title, const QString& label, const QString& text = {},
                                 QLineEdit::EchoMode echo = QLineEdit::Normal);

// A colour dialog; nothing when the user cancelled.
std::optional<QColor> ChooseColor(QWidget* parent, const QColor& initial, const QString& title = {});
// Qt's own font dialog (native choosers may lack underline and strike-out); nothing when the user cancelled.
std::optional<QFont> ChooseFont(QWidget* parent, const QFont& initial, const QString& title = {});

// A choice of one of `items` (plain text) in a list box; the chosen row, or nothing when the user cancelled.
std::optional<int> ChooseItem(QWidget* parent, const QString& title, const QString& label, const QStringList& items);

// ---- for tests ----

enum class TPromptKind { Message, Notice, SaveFile, OpenFile, Input, Color, Font, Choice };

struct TShownPrompt {
  TPromptKind Kind = TPromptKind::Message;
  QMessageBox::Icon Icon = QMessageBox::NoIcon;
  QString Title;
  QString Text;  // the message, the input label, or the file dialog's proposed path
  QString Filter;
  QStringList Items = {};  // the rows offered by ChooseItem
};

// Scripted mode: no dialog is ever shown. Switching it off clears every primed answer and the record.
void SetScripted(bool scripted);
bool IsScripted();

void PrimeMessageAnswer(QMessageBox::StandardButton answer);
void PrimeFileName(const QString& path, const QString& selectedFilter = {});  // empty path: the user cancelled
void PrimeInput(std::optional<QString> text);                                 // nothing: the user cancelled
void PrimeColor(std::optional<QColor> color);                                 // nothing: the user cancelled
void PrimeFont(std::optional<QFont> font);                                    // nothing: the user cancelled
void PrimeChoice(std::optional<int> row);  // nothing (or a row that is not offered): the user cancelled

const std::vector<TShownPrompt>& ShownPrompts();
void ClearShownPrompts();

}  // namespace tidewick::prompts
