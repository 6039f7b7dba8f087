#include "ui/main/document_accessible.h"

#include <algorithm>

#include <QAccessibleWidget>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

#include "ui/main/entry_browser.h"

namespace tidewick {
namespace {

// A read-only QTextEdit as a document: its plain text by offsets, the selection and the caret the reader moves.
class TDocumentAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
 public:
  explicit TDocumentAccessible(QTextEdit* edit) : QAccessibleWidget(edit, QAccessible::Document) {}

  void* interface_cast(QAccessible::InterfaceType type) override {
    if (type == QAccessible::TextInterface) {
      return static_cast<QAccessibleTextInterface*>(this);
    }
    return QAccessibleWidget::interface_cast(type);
  }

  QAccessible::State state() const override {
    QAccessible::State state = QAccessibleWidget::state();
    state.readOnly = true;
    state.multiLine = true;
    state.selectableText = true;
    return state;
  }

  QString text(QAccessible::Text type) const override {
    return type == QAccessible::Value ? Edit()->toPlainText() : QAccessibleWidget::text(type);
  }

  void selection(int selectionIndex, int* startOffset, int* endOffset) const override {
    const QTextCursor cursor = Edit()->textCursor();
    const bool selected = selectionIndex == 0 && cursor.hasSelection();
    *startOffset = selected ? cursor.selectionStart() : 0;
    *endOffset = selected ? cursor.selectionEnd() : 0;
  }
  int selectionCount() const override { return Edit()->textCursor().hasSelection() ? 1 : 0; }
  void addSelection(int startOffset, int endOffset) override { setSelection(0, startOffset, endOffset); }
  void removeSelection(int selectionIndex) override {
    if (selectionIndex == 0) {
      QTextCursor cursor = Edit()->textCursor();
      cursor.clearSelection();
      Edit()->setTextCursor(cursor);
    }
  }
  void setSelection(int selectionIndex, int startOffset, int endOffset) override {
    if (selectionIndex == 0) {
      Edit()->setTextCursor(CursorAt(startOffset, endOffset));
    }
  }

  int cursorPosition() const override { return Edit()->textCursor().position(); }
  void setCursorPosition(int position) override { Edit()->setTextCursor(CursorAt(position, position)); }

  QString text(int startOffset, int endOffset) const override {
    return CursorAt(startOffset, endOffset).selectedText().replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
  }
  int characterCount() const override { return Edit()->document()->characterCount() - 1; }  // without the last end

  QRect characterRect(int offset) const override {
    const QTextCursor cursor = CursorAt(offset, offset);
    QRect rect = Edit()->cursorRect(cursor);
    const QString character = text(offset, offset + 1);
    rect.setWidth(character.isEmpty() ? 1 : Edit()->fontMetrics().horizontalAdvance(character));
    return QRect(Edit()->viewport()->mapToGlobal(rect.topLeft()), rect.size());
  }
  int offsetAtPoint(const QPoint& point) const override {
    return Edit()->cursorForPosition(Edit()->viewport()->mapFromGlobal(point)).position();
  }
  void scrollToSubstring(int startIndex, int /*endIndex*/) override {
    setCursorPosition(startIndex);
    Edit()->ensureCursorVisible();
  }
  // Formatting is not told: one run without attributes over the whole text.
  QString attributes(int /*offset*/, int* startOffset, int* endOffset) const override {
    *startOffset = 0;
    *endOffset = characterCount();
    return {};
  }

 private:
  QTextEdit* Edit() const { return static_cast<QTextEdit*>(widget()); }

  QTextCursor CursorAt(int anchor, int position) const {
    const int last = characterCount();
    QTextCursor cursor(Edit()->document());
    cursor.setPosition(std::clamp(anchor, 0, last));
    cursor.setPosition(std::clamp(position, 0, last), QTextCursor::KeepAnchor);
    return cursor;
  }
};

QAccessibleInterface* DocumentFactory(const QString& className, QObject* object) {
  if (className != QLatin1String(TEntryBrowser::staticMetaObject.className())) {
    return nullptr;
  }
  // Qt's accessibility cache owns the interface and deletes it with the widget.
  return new TDocumentAccessible(static_cast<TEntryBrowser*>(object));
}

}  // namespace

void InstallDocumentAccessibility() {
  static const bool installed = [] {
    QAccessible::installFactory(&DocumentFactory);
    return true;
  }();
  static_cast<void>(installed);
}

}  // namespace tidewick
