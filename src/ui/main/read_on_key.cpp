#include "ui/main/read_on_key.h"

#include <QAbstractScrollArea>
#include <QKeyEvent>
#include <QScrollBar>
#include <QTabWidget>

namespace tidewick {

TReadOnKey::TReadOnKey(QWidget* list, QTabWidget* tabs, QAbstractScrollArea* textView, QAbstractScrollArea* htmlView,
                       std::function<void()> readOn, QObject* parent)
    : QObject(parent), m_tabs(tabs), m_textView(textView), m_htmlView(htmlView), m_readOn(std::move(readOn)) {
  for (QObject* watched :
       {static_cast<QObject*>(list), static_cast<QObject*>(textView), static_cast<QObject*>(htmlView)}) {
    watched->installEventFilter(this);
  }
}

bool TReadOnKey::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress) {
    return QObject::eventFilter(watched, event);
  }
  const auto* key = static_cast<QKeyEvent*>(event);
  if (key->key() != Qt::Key_Space || key->modifiers() != Qt::NoModifier) {
    return QObject::eventFilter(watched, event);
  }
  const QWidget* page = m_tabs->currentWidget();
  QAbstractScrollArea* shown = page != nullptr && page->isAncestorOf(m_htmlView) ? m_htmlView : m_textView;
  QScrollBar* bar = shown->verticalScrollBar();
  if (bar->value() >= bar->maximum()) {
    m_readOn();
  } else {
    bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
  }
  return true;
}

}  // namespace tidewick
