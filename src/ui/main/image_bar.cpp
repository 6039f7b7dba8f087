#include "ui/main/image_bar.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

#include "ui/main/lang_qstring.h"

namespace tidewick {

TImageBar::TImageBar(QWidget* parent)
    : QFrame(parent), m_label(new QLabel(this)), m_load(new QPushButton(this)), m_always(new QPushButton(this)) {
  setObjectName(QStringLiteral("pnlImages"));
  m_load->setObjectName(QStringLiteral("btnImagesLoad"));
  m_always->setObjectName(QStringLiteral("btnImagesAlways"));
  setFrameShape(QFrame::StyledPanel);
  setAutoFillBackground(true);
  setBackgroundRole(QPalette::ToolTipBase);
  m_label->setTextFormat(Qt::PlainText);
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(6, 2, 6, 2);
  layout->addWidget(m_label, 1);
  layout->addWidget(m_load);
  layout->addWidget(m_always);
  connect(m_load, &QPushButton::clicked, this, &TImageBar::LoadClicked);
  connect(m_always, &QPushButton::clicked, this, &TImageBar::AlwaysClicked);
  Translate();
}

void TImageBar::changeEvent(QEvent* event) {
  if (event->type() == QEvent::LanguageChange) {
    Translate();
  }
  QFrame::changeEvent(event);
}

void TImageBar::Translate() {
  m_label->setText(Text("Main|pnlImages", "Bilder wurden nicht geladen."));
  m_load->setText(Text("Main|btnImagesLoad", "Bilder laden"));
  m_always->setText(Text("Main|btnImagesAlways", "Immer für diesen Feed"));
  setAccessibleName(m_label->text());
  m_load->setAccessibleName(m_load->text());
  m_always->setAccessibleName(m_always->text());
  m_load->setAccessibleDescription(Text("Main|btnImagesLoadHint", "Lädt die Bilder dieses Eintrags aus dem Web."));
  m_always->setAccessibleDescription(
      Text("Main|btnImagesAlwaysHint", "Lädt die Bilder aller Einträge dieses Feeds ohne Nachfrage."));
}

}  // namespace tidewick
