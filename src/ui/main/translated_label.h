#pragma once

// A label whose text is made from language texts: it makes it again when the language changes, so a status text
// shown before a switch speaks the new language at once.

#include <functional>
#include <utility>

#include <QEvent>
#include <QLabel>

namespace tidewick {

using TMakeText = std::function<QString()>;

class TTranslatedLabel : public QLabel {
 public:
  using QLabel::QLabel;

  // Shows make()'s text now and after each language switch (an empty function: no text).
  void SetMadeText(TMakeText make) {
    m_make = std::move(make);
    setText(m_make ? m_make() : QString());
  }

 protected:
  void changeEvent(QEvent* event) override {
    if (event->type() == QEvent::LanguageChange && m_make) {
      setText(m_make());
    }
    QLabel::changeEvent(event);
  }

 private:
  TMakeText m_make;
};

// A text that never changes with the language (one the program was handed already made).
inline TMakeText FixedText(QString text) {
  return [text = std::move(text)] { return text; };
}

}  // namespace tidewick
