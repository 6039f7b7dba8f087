#include "ui/main/ui_prompts.h"

#include <deque>
#include <utility>

#include <QColorDialog>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFontDialog>
#include <QInputDialog>
#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

namespace tidewick::prompts {
namespace {

struct TFileAnswer {
  QString Path;
  QString Filter;
};

// An input answer; stored without std::optional, which makes GCC 12 warn about a maybe-uninitialised QString.
struct TInputAnswer {
  bool Cancelled = true;
  QString Text;
};

// A colour or font answer, kept without std::optional for the same reason.
template <typename T>
struct TChoiceAnswer {
  bool Cancelled = true;
  T Value;
};

struct TScript {
  bool Scripted = false;
  std::deque<QMessageBox::StandardButton> Messages;
  std::deque<TFileAnswer> Files;
  std::deque<TInputAnswer> Inputs;
  std::deque<TChoiceAnswer<QColor>> Colors;
  std::deque<TChoiceAnswer<QFont>> Fonts;
  std::deque<TChoiceAnswer<int>> Rows;
  std::vector<TShownPrompt> Shown;
};

TScript& Script() {
  static TScript script;
  return script;
}

// An unprimed message takes its default button, else the most cautious one it offers.
QMessageBox::StandardButton DefaultAnswer(QMessageBox::StandardButtons buttons,
                                          QMessageBox::StandardButton defaultButton) {
  if (defaultButton != QMessageBox::NoButton)
    return defaultButton;
  for (const auto button : {QMessageBox::Cancel, QMessageBox::No, QMessageBox::Ok, QMessageBox::Yes}) {
    if (buttons.testFlag(button))
      return button;
  }
  return QMessageBox::NoButton;
}

QString ScriptedFile(TPromptKind kind, const QString& title, const QString& dir, const QString& filter,
                     QString* selectedFilter) {
  auto& script = Script();
  script.Shown.push_back({kind, QMessageBox::NoIcon, title, dir, filter});
  if (script.Files.empty())
    return {};
  TFileAnswer answer = script.Files.front();
  script.Files.pop_front();
  if (selectedFilter != nullptr && !answer.Filter.isEmpty())
    *selectedFilter = answer.Filter;
  return answer.Path;
}

// The next primed answer of a chooser, or a cancel when none is primed.
template <typename T>
std::optional<T> ScriptedChoice(TPromptKind kind, const QString& title, std::deque<TChoiceAnswer<T>>& answers) {
  Script().Shown.push_back({kind, QMessageBox::NoIcon, title, {}, {}});
  if (answers.empty())
    return std::nullopt;
  const TChoiceAnswer<T> answer = answers.front();
  answers.pop_front();
  if (answer.Cancelled)
    return std::nullopt;
  return answer.Value;
}

}  // namespace

QMessageBox::StandardButton Message(QWidget* parent, QMessageBox::Icon icon, const QString& title, const QString& text,
                                    QMessageBox::StandardButtons buttons, QMessageBox::StandardButton defaultButton) {
  auto& script = Script();
  if (script.Scripted) {
    script.Shown.push_back({TPromptKind::Message, icon, title, text, {}});
    if (script.Messages.empty())
      return DefaultAnswer(buttons, defaultButton);
    const auto answer = script.Messages.front();
    script.Messages.pop_front();
    return answer;
  }
  QMessageBox box(icon, title, text, buttons, parent);
  box.setTextFormat(Qt::PlainText);
  if (defaultButton != QMessageBox::NoButton)
    box.setDefaultButton(defaultButton);
  return static_cast<QMessageBox::StandardButton>(box.exec());
}

QMessageBox* Notice(QWidget* parent, QMessageBox::Icon icon, const QString& title, const QString& text) {
  if (Script().Scripted) {
    Script().Shown.push_back({TPromptKind::Notice, icon, title, text, {}});
    return nullptr;
  }
  auto* box = new QMessageBox(icon, title, text, QMessageBox::Ok, parent);
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->setTextFormat(Qt::PlainText);
  box->setWindowModality(Qt::NonModal);
  box->show();
  return box;
}

QString SaveFileName(QWidget* parent, const QString& title, const QString& dir, const QString& filter,
                     QString* selectedFilter, QFileDialog::Options options) {
  if (Script().Scripted)
    return ScriptedFile(TPromptKind::SaveFile, title, dir, filter, selectedFilter);
  return QFileDialog::getSaveFileName(parent, title, dir, filter, selectedFilter, options);
}

QString OpenFileName(QWidget* parent, const QString& title, const QString& dir, const QString& filter,
                     QString* selectedFilter, QFileDialog::Options options) {
  if (Script().Scripted)
    return ScriptedFile(TPromptKind::OpenFile, title, dir, filter, selectedFilter);
  return QFileDialog::getOpenFileName(parent, title, dir, filter, selectedFilter, options);
}

std::optional<QString> InputText(QWidget* parent, const QString& title, const QString& label, const QString& text,
                                 QLineEdit::EchoMode echo) {
  auto& script = Script();
  if (script.Scripted) {
    script.Shown.push_back({TPromptKind::Input, QMessageBox::NoIcon, title, label, {}});
    if (script.Inputs.empty())
      return std::nullopt;
    const TInputAnswer answer = script.Inputs.front();
    script.Inputs.pop_front();
    if (answer.Cancelled)
      return std::nullopt;
    return answer.Text;
  }
  bool ok = false;
  QString answer = QInputDialog::getText(parent, title, label, echo, text, &ok);
  if (!ok)
    return std::nullopt;
  return answer;
}

std::optional<QColor> ChooseColor(QWidget* parent, const QColor& initial, const QString& title) {
  if (Script().Scripted)
    return ScriptedChoice(TPromptKind::Color, title, Script().Colors);
  const QColor color = QColorDialog::getColor(initial, parent, title);
  if (!color.isValid())
    return std::nullopt;
  return color;
}

std::optional<QFont> ChooseFont(QWidget* parent, const QFont& initial, const QString& title) {
  if (Script().Scripted)
    return ScriptedChoice(TPromptKind::Font, title, Script().Fonts);
  bool ok = false;
  const QFont font = QFontDialog::getFont(&ok, initial, parent, title, QFontDialog::DontUseNativeDialog);
  if (!ok)
    return std::nullopt;
  return font;
}

std::optional<int> ChooseItem(QWidget* parent, const QString& title, const QString& label, const QStringList& items) {
  auto& script = Script();
  if (script.Scripted) {
    script.Shown.push_back({TPromptKind::Choice, QMessageBox::NoIcon, title, label, {}, items});
    if (script.Rows.empty())
      return std::nullopt;
    const TChoiceAnswer<int> answer = script.Rows.front();
    script.Rows.pop_front();
    if (answer.Cancelled || answer.Value < 0 || answer.Value >= items.size())
      return std::nullopt;
    return answer.Value;
  }
  QDialog dialog(parent);
  dialog.setWindowTitle(title);
  auto* text = new QLabel(label, &dialog);
  text->setTextFormat(Qt::PlainText);
  text->setWordWrap(true);
  auto* list = new QListWidget(&dialog);
  list->addItems(items);  // list items never render markup
  list->setCurrentRow(0);
  list->setAccessibleName(label);
  text->setBuddy(list);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  QObject::connect(list, &QListWidget::itemDoubleClicked, &dialog, &QDialog::accept);
  auto* layout = new QVBoxLayout(&dialog);
  layout->addWidget(text);
  layout->addWidget(list);
  layout->addWidget(buttons);
  dialog.resize(520, 280);
  if (dialog.exec() != QDialog::Accepted || list->currentRow() < 0)
    return std::nullopt;
  return list->currentRow();
}

void SetScripted(bool scripted) {
  Script() = TScript{};
  Script().Scripted = scripted;
}

bool IsScripted() {
  return Script().Scripted;
}

void PrimeMessageAnswer(QMessageBox::StandardButton answer) {
  Script().Messages.push_back(answer);
}

void PrimeFileName(const QString& path, const QString& selectedFilter) {
  Script().Files.push_back({path, selectedFilter});
}

void PrimeInput(std::optional<QString> text) {
  Script().Inputs.push_back({!text.has_value(), std::move(text).value_or(QString())});
}

void PrimeColor(std::optional<QColor> color) {
  Script().Colors.push_back({!color.has_value(), color.value_or(QColor())});
}

void PrimeFont(std::optional<QFont> font) {
  Script().Fonts.push_back({!font.has_value(), std::move(font).value_or(QFont())});
}

void PrimeChoice(std::optional<int> row) {
  Script().Rows.push_back({!row.has_value(), row.value_or(-1)});
}

const std::vector<TShownPrompt>& ShownPrompts() {
  return Script().Shown;
}

void ClearShownPrompts() {
  Script().Shown.clear();
}

}  // namespace tidewick::prompts
