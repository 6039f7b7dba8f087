#include "ui/dialogs/settings_number_box.h"

#include <algorithm>
#include <string>

#include "ui/main/lang_qstring.h"
#include "ui/main/ui_prompts.h"

namespace tidewick {
namespace {

bool AllDigits(const QString& text) {
  return !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) { return c.isDigit(); });
}

}  // namespace

TNumberBox::TNumberBox(int minimum, int maximum, QWidget* parent) : QSpinBox(parent) {
  setRange(minimum, maximum);
  setCorrectionMode(QAbstractSpinBox::CorrectToPreviousValue);
  setButtonSymbols(QAbstractSpinBox::UpDownArrows);
}

QValidator::State TNumberBox::validate(QString& text, int& position) const {
  const QValidator::State state = QSpinBox::validate(text, position);
  // Digits beyond the range are accepted while typing and clamped on leaving, instead of being swallowed.
  if (state == QValidator::Invalid && AllDigits(text.trimmed()))
    return QValidator::Intermediate;
  return state;
}

void TNumberBox::fixup(QString& text) const {
  const QString digits = text.trimmed();
  if (!AllDigits(digits))
    return;  // not a number: the field falls back to its previous value
  bool ok = false;
  const qlonglong number = digits.toLongLong(&ok);
  const int clamped = ok ? static_cast<int>(std::clamp<qlonglong>(number, minimum(), maximum())) : maximum();
  text = QString::number(clamped);
}

bool WantsToCorrectLowInterval(QWidget* parent, int minutes) {
  const auto answer = prompts::Message(
      parent, QMessageBox::Warning, Text("FeedEdit|MsgTTLLowTitle", "Niedriges Abfrageintervall"),
      Text("FeedEdit|MsgTTLLowText",
           "Das Abfrageintervall wurde auf nur %s1% Minuten eingestellt.%w%Sie sollten das Intervall auf mindestens "
           "60 Minuten setzen.%w%%w%Möchten Sie das Abfrageintervall jetzt korrigieren?",
           std::to_string(minutes)),
      QMessageBox::Yes | QMessageBox::No);
  return answer != QMessageBox::No;
}

}  // namespace tidewick
