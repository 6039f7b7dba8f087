#pragma once

// Space reads on: in the entry list or the entry view it pages the shown entry down, and once the entry is at its end
// (or too short to scroll) it moves on to the next unread entry.

#include <functional>

#include <QObject>

class QAbstractScrollArea;
class QTabWidget;
class QWidget;

namespace tidewick {

class TReadOnKey : public QObject {
  Q_OBJECT

 public:
  // Watches the list and both views; the view on the tabs' current page is the one paged.
  TReadOnKey(QWidget* list, QTabWidget* tabs, QAbstractScrollArea* textView, QAbstractScrollArea* htmlView,
             std::function<void()> readOn, QObject* parent);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QTabWidget* m_tabs;
  QAbstractScrollArea* m_textView;
  QAbstractScrollArea* m_htmlView;
  std::function<void()> m_readOn;
};

}  // namespace tidewick
