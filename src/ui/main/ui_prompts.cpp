#include "ui/main/ui_prompts.h"

#include <deque>

#include <QInputDialog>

namespace tidewick::prompts {
namespace {

struct TFileAnswer {
  QString Path;
  QString Filter;
};

struct TScript {
  bool Scripted = false;
  std::deque<QMessageBox::StandardButton> Messages;
  std::deque<TFileAnswer> Files;
  std::deque<std::optional<QString>> Inputs;
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

std::optional<QString> InputText(QWidget* parent, const QString& title, const QString& label, const QString& text) {
  auto& script = Script();
  if (script.Scripted) {
    script.Shown.push_back({TPromptKind::Input, QMessageBox::NoIcon, title, label, {}});
    if (script.Inputs.empty())
      return std::nullopt;
    auto answer = script.Inputs.front();
    script.Inputs.pop_front();
    return answer;
  }
  bool ok = false;
  QString answer = QInputDialog::getText(parent, title, label, QLineEdit::Normal, text, &ok);
  if (!ok)
    return std::nullopt;
  return answer;
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
  Script().Inputs.push_back(std::move(text));
}

const std::vector<TShownPrompt>& ShownPrompts() {
  return Script().Shown;
}

void ClearShownPrompts() {
  Script().Shown.clear();
}

}  // namespace tidewick::prompts
