#pragma once

// A number field with its up-down arrows whose text is normalised when the field is left: a number outside the
// range is clamped to it (typing 500 into a 0-99 field gives 99), anything that is not a number keeps the previous
// value. Used by the settings and the feed dialog.

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

}  // namespace tidewick
