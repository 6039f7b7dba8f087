#pragma once

// The entry view below the list: the title as a link label, the date, the summary as plain text and the content
// as a sanitised HTML page. It shows what it is given and reports clicks on the title link; the list decides
// which entry that is. The HTML page is filled only when it can be seen: at once when it is in front, else the
// moment its tab is shown, so reading on the text page never waits for a page nobody looks at.

#include <string>

#include <QObject>
#include <QPointer>

#include "feeds/feed_records.h"

class QLabel;
class QLineEdit;
class QPlainTextEdit;

namespace tidewick {

class TEntryBrowser;

struct TEntryViewWidgets {
  QLabel* titleLinkLabel = nullptr;
  QLineEdit* dateField = nullptr;
  QLabel* bylineLabel = nullptr;  // author and categories; hidden when the entry has neither
  QPlainTextEdit* entryTextView = nullptr;
  TEntryBrowser* entryHtmlView = nullptr;
};

class TEntryView : public QObject {
  Q_OBJECT

 public:
  TEntryView(const TEntryViewWidgets& widgets, QObject* parent);

  void Show(const TEntry& entry);
  // Empties every control (and the page) when an entry is shown.
  void Clear();
  bool IsShowing() const { return m_showing; }
  // The link of the shown entry as plain text ("" when none is shown).
  const std::string& ShownLink() const { return m_shownLink; }

  // Most text the plain-text page takes; a longer summary is cut with a note.
  static constexpr size_t kMaxSummaryBytes = 32 * 1024;

 signals:
  void TitleLinkClicked();       // left click on the title
  void TitleLinkRightPressed();  // right button pressed on the title: copy the link

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void FillPageIfVisible();

  QPointer<QLabel> m_titleLink;
  QPointer<QLineEdit> m_date;
  QPointer<QLabel> m_byline;
  QPointer<QPlainTextEdit> m_text;
  QPointer<TEntryBrowser> m_page;
  std::string m_shownLink;
  std::string m_pageFiles;    // the list of its files, shown above the content
  std::string m_pageContent;  // the shown entry's content while the page waits to be filled
  bool m_pageFilled = false;
  bool m_showing = false;
};

}  // namespace tidewick
