#pragma once

// A number field with its up-down arrows whose text is normalised when the field is left: a number outside the
// range is clamped to it (typing 500 into a 0-99 field gives 99), anything that is not a number keeps the previous
// value. Used by the settings and the feed dialog, with the question both ask about a low refresh interval.

#include <QSpinBox>

namespace tidewick {

class TNumberBox : public QSpinBox {
  Q_OBJECT

 public:
  TNumberBox(int minimum, int maximum, QWidget* parent);

 protected:
  QValidator::State validate(QString& text, int& position) const override;
  void fixup(QString& text) const override;
};

// Warns that a refresh interval of `minutes` is low and asks whether to correct it; true unless the user says No.
bool WantsToCorrectLowInterval(QWidget* parent, int minutes);

}  // namespace tidewick
