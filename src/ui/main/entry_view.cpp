#include "ui/main/entry_view.h"

#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QStringList>

#include "entries/enclosure_list.h"
#include "entries/entry_page.h"
#include "feeds/entry_title.h"
#include "lang/export_file.h"
#include "lang/lang_text.h"
#include "settings/settings.h"
#include "ui/main/entry_browser.h"
#include "ui/main/entry_date_text.h"
#include "util/html_text.h"
#include "util/utf8.h"

namespace tidewick {
namespace {

QString FromUtf8(const std::string& text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The summary as plain text, cut (at a character boundary) with a note when it is very long: a long unbroken line
// costs the text page time that grows faster than its length.
QString SummaryText(const TEntry& entry) {
  const std::string summary = ItemSummary(entry.Description);
  // Markup is rarely more than three quarters of a text: cut the source first, so a huge entry is never converted
  // whole.
  const TLimitedContent source = LimitEntryContent(summary, {.MaxBytes = 4 * TEntryView::kMaxSummaryBytes, .Html = {}});
  std::string text = HtmlToDisplayText(source.Text);
  bool truncated = source.Truncated;
  if (text.size() > TEntryView::kMaxSummaryBytes) {
    text.resize(Utf8Prefix(text, TEntryView::kMaxSummaryBytes).size());
    truncated = true;
  }
  if (truncated) {
    text += "\r\n\r\n" +
            GetLangText("Main|EntryTruncatedNote", "Dieser Eintrag ist sehr groß und wird hier nur gekürzt angezeigt.");
  }
  return FromUtf8(text);
}

// "Von Jane Roe  ·  Kategorien: Rust, Qt": the author and categories as the feed gave them, plain text.
QString BylineText(const TEntry& entry) {
  QStringList parts;
  if (const std::string author = HtmlToText(entry.Author); !author.empty()) {
    parts << FromUtf8(LangTextWithValues("Main|lblEntryAuthor", "Von %s1%", {ShownText(author)}));
  }
  if (!entry.Categories.empty()) {
    std::string categories;
    for (const std::string& category : entry.Categories) {
      categories.append(categories.empty() ? "" : ", ").append(HtmlToText(category));
    }
    parts << FromUtf8(LangTextWithValues("Main|lblEntryCategories", "Kategorien: %s1%", {ShownText(categories)}));
  }
  return parts.join(QStringLiteral("  \u00b7  "));
}

}  // namespace

TEntryView::TEntryView(const TEntryViewWidgets& widgets, QObject* parent)
    : QObject(parent),
      m_titleLink(widgets.titleLinkLabel),
      m_date(widgets.dateField),
      m_byline(widgets.bylineLabel),
      m_text(widgets.entryTextView),
      m_page(widgets.entryHtmlView) {
  m_titleLink->setTextFormat(Qt::PlainText);
  m_titleLink->setCursor(Qt::PointingHandCursor);
  m_titleLink->installEventFilter(this);
  m_page->installEventFilter(this);
  m_text->setReadOnly(true);
  m_date->setReadOnly(true);
  m_byline->setTextFormat(Qt::PlainText);
  m_byline->hide();
}

void TEntryView::Show(const TEntry& entry) {
  const std::string title = HtmlToText(ShownTitle(entry));
  m_shownLink = HtmlToText(entry.Link);
  m_titleLink->setText(FromUtf8(title));
  // Tool tips guess at rich text; escaped inside <qt> the feed's text stays text.
  m_titleLink->setToolTip(QStringLiteral("<qt>%1<br><br>%2</qt>")
                              .arg(FromUtf8(title).toHtmlEscaped(), FromUtf8(ShownText(m_shownLink)).toHtmlEscaped()));
  m_titleLink->setAccessibleDescription(FromUtf8(ShownText(m_shownLink)));  // screen readers: the link, not the markup
  m_date->setText(EntryDateText(entry.PublishedDate));
  m_date->setCursorPosition(0);
  const QString byline = BylineText(entry);
  m_byline->setText(byline);
  m_byline->setAccessibleName(byline);
  m_byline->setVisible(!byline.isEmpty());
  m_text->setPlainText(SummaryText(entry));
  m_pageFiles = EnclosureListHtml(entry.Enclosures);
  m_pageContent = ItemContent(entry.Description);
  m_pageFilled = false;
  m_showing = true;
  FillPageIfVisible();
}

void TEntryView::FillPageIfVisible() {
  if (!m_showing || m_pageFilled || !m_page->isVisible()) {
    return;
  }
  m_page->LoadHtml(BuildEntryPage(Settings().TextFont, m_pageFiles + ViewableEntryContent(m_pageContent)));
  m_pageContent = std::string();
  m_pageFilled = true;
}

void TEntryView::Clear() {
  if (!m_showing) {
    return;
  }
  m_titleLink->clear();
  m_titleLink->setToolTip(QString());
  m_titleLink->setAccessibleDescription(QString());
  m_date->clear();
  m_byline->clear();
  m_byline->hide();
  m_text->clear();
  if (m_pageFilled) {
    m_page->LoadHtml("");
  }
  m_pageContent = std::string();
  m_pageFilled = false;
  m_shownLink.clear();
  m_showing = false;
}

bool TEntryView::eventFilter(QObject* watched, QEvent* event) {
  if (watched == m_page && event->type() == QEvent::Show) {
    FillPageIfVisible();
  }
  if (watched == m_titleLink) {
    if (event->type() == QEvent::MouseButtonPress && static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) {
      emit TitleLinkRightPressed();
      return true;
    }
    if (event->type() == QEvent::MouseButtonRelease && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton &&
        m_titleLink->rect().contains(static_cast<QMouseEvent*>(event)->position().toPoint())) {
      emit TitleLinkClicked();
      return true;
    }
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace tidewick
