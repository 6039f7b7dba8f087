#pragma once

// Draws the images of an entry's page from the document's own resources and nothing else. Qt's image handler
// loads any image whose resource it cannot decode straight from the disk by its name, so a feed could show a local
// picture, read a device or hang the window on a FIFO; this one draws nothing instead.

#include <QObject>
#include <QTextObjectInterface>

class QTextDocument;

namespace tidewick {

class TEntryImageHandler : public QObject, public QTextObjectInterface {
  Q_OBJECT
  Q_INTERFACES(QTextObjectInterface)

 public:
  using QObject::QObject;

  // Puts the handler in place of Qt's on the document's current layout (once per layout).
  void InstallOn(QTextDocument& document);

  QSizeF intrinsicSize(QTextDocument* document, int position, const QTextFormat& format) override;
  void drawObject(QPainter* painter, const QRectF& rect, QTextDocument* document, int position,
                  const QTextFormat& format) override;
};

}  // namespace tidewick
