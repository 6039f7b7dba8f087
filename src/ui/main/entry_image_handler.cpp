#include "ui/main/entry_image_handler.h"

#include <QAbstractTextDocumentLayout>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QTextDocument>

namespace tidewick {
namespace {

// The resource the document holds for the image's name (the view gives only images carried in the page); a null
// image when there is none.
QImage ResourceImage(QTextDocument& document, const QTextImageFormat& format) {
  const QVariant data = document.resource(QTextDocument::ImageResource, QUrl(format.name()));
  if (data.userType() == QMetaType::QImage) {
    return data.value<QImage>();
  }
  if (data.userType() == QMetaType::QPixmap) {
    return data.value<QPixmap>().toImage();
  }
  QImage image;
  if (data.userType() == QMetaType::QByteArray) {
    image.loadFromData(data.toByteArray());
  }
  return image;
}

}  // namespace

void TEntryImageHandler::InstallOn(QTextDocument& document) {
  QAbstractTextDocumentLayout* layout = document.documentLayout();
  if (layout->handlerForObject(QTextFormat::ImageObject) != this) {
    layout->registerHandler(QTextFormat::ImageObject, this);
  }
}

QSizeF TEntryImageHandler::intrinsicSize(QTextDocument* document, int /*position*/, const QTextFormat& format) {
  const QTextImageFormat imageFormat = format.toImageFormat();
  const bool hasWidth = imageFormat.hasProperty(QTextFormat::ImageWidth);
  const bool hasHeight = imageFormat.hasProperty(QTextFormat::ImageHeight);
  QSizeF size(hasWidth ? imageFormat.width() : 0, hasHeight ? imageFormat.height() : 0);
  const QImage image = hasWidth && hasHeight ? QImage() : ResourceImage(*document, imageFormat);
  if (!image.isNull()) {
    // A missing side keeps the picture's proportions, as browsers do.
    const QSizeF natural = image.deviceIndependentSize();
    if (!hasWidth) {
      size.setWidth(hasHeight ? size.height() * natural.width() / natural.height() : natural.width());
    }
    if (!hasHeight) {
      size.setHeight(hasWidth ? size.width() * natural.height() / natural.width() : natural.height());
    }
  }
  if (const QPaintDevice* device = document->documentLayout()->paintDevice()) {
    size *= device->logicalDpiY() / 96.0;
  }
  // A picture wider than the page is scaled down to its width, as browsers do with pictures in feed readers.
  const qreal room = document->textWidth() - 2 * document->documentMargin();
  if (room > 0 && size.width() > room) {
    size = QSizeF(room, size.height() * room / size.width());
  }
  return size;
}

void TEntryImageHandler::drawObject(QPainter* painter, const QRectF& rect, QTextDocument* document, int /*position*/,
                                    const QTextFormat& format) {
  const QImage image = ResourceImage(*document, format.toImageFormat());
  if (!image.isNull()) {
    painter->drawImage(rect, image);
  }
}

}  // namespace tidewick
