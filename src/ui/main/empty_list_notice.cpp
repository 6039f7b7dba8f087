#include "ui/main/empty_list_notice.h"

#include <algorithm>

#include <QAbstractScrollArea>
#include <QEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/main/lang_qstring.h"

namespace tidewick {
namespace {

QString ReasonText(TEmptyListReason reason) {
  switch (reason) {
    case TEmptyListReason::NotGrouped:
      return Text("Main|lblItemsNotGrouped",
                  "Ordner zeigen ihre Einträge nur, wenn die Feeds in Ordnern gruppiert werden.");
    case TEmptyListReason::FeedEmpty:
      return Text("Main|lblItemsFeedEmpty", "Dieses Feed enthält keine Einträge.");
    case TEmptyListReason::FolderEmpty:
      return Text("Main|lblItemsFolderEmpty", "Die Feeds in diesem Ordner enthalten keine Einträge.");
    case TEmptyListReason::NoUnread:
      return Text("Main|sbMainNoUnread", "Keine ungelesenen Einträge.");
    case TEmptyListReason::NoneStarred:
      return Text("Main|lblItemsNoneStarred", "Kein Eintrag hat einen Stern.");
    case TEmptyListReason::None:
      break;
  }
  return {};
}

}  // namespace

TEmptyListNotice::TEmptyListNotice(QAbstractScrollArea* list, std::function<void()> turnOnGrouping)
    : QWidget(list->viewport()), m_text(new QLabel(this)), m_button(new QPushButton(this)) {
  setObjectName(QStringLiteral("pnlItemsEmpty"));
  m_text->setObjectName(QStringLiteral("lblItemsEmpty"));
  m_text->setTextFormat(Qt::PlainText);
  m_text->setWordWrap(true);
  m_text->setAlignment(Qt::AlignCenter);
  m_button->setObjectName(QStringLiteral("btnItemsGroupInFolders"));
  connect(m_button, &QPushButton::clicked, this, [turnOnGrouping = std::move(turnOnGrouping)] { turnOnGrouping(); });
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_text);
  layout->addWidget(m_button, 0, Qt::AlignHCenter);
  list->viewport()->installEventFilter(this);
  hide();
}

void TEmptyListNotice::Show(TEmptyListReason reason) {
  m_reason = reason;
  ApplyTexts();
  setVisible(reason != TEmptyListReason::None);
  if (isVisible()) {
    Place();
  }
}

void TEmptyListNotice::ApplyTexts() {
  m_text->setText(ReasonText(m_reason));
  m_text->setAccessibleName(m_text->text());
  m_button->setText(Text("Main|btnItemsGroupInFolders", "Feeds in Ordnern gruppieren"));
  m_button->setAccessibleName(QString(m_button->text()).remove(QLatin1Char('&')));
  m_button->setVisible(m_reason == TEmptyListReason::NotGrouped);
}

void TEmptyListNotice::Place() {
  const QWidget* viewport = parentWidget();
  const int width = std::max(0, viewport->width() - 16);
  const int height = layout()->hasHeightForWidth() ? layout()->totalHeightForWidth(width) : sizeHint().height();
  setGeometry(8, 8, width, height);
}

bool TEmptyListNotice::eventFilter(QObject* watched, QEvent* event) {
  if (watched == parentWidget() && event->type() == QEvent::Resize && isVisible()) {
    Place();
  }
  return QWidget::eventFilter(watched, event);
}

void TEmptyListNotice::changeEvent(QEvent* event) {
  if (event->type() == QEvent::LanguageChange) {
    ApplyTexts();
  }
  QWidget::changeEvent(event);
}

}  // namespace tidewick
