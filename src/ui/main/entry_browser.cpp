#include "ui/main/entry_browser.h"

#include <QHelpEvent>
#include <QTextDocument>
#include <QToolTip>

#include "entries/entry_page.h"
#include "ui/main/entry_image_handler.h"

namespace tidewick {
namespace {

// Bitmap formats recognised by their first bytes; vector formats could name further files and are left out.
bool IsCommonBitmap(const QByteArray& bytes) {
  return bytes.startsWith("\x89PNG") || bytes.startsWith("\xFF\xD8\xFF") || bytes.startsWith("GIF8") ||
         bytes.startsWith("BM") || (bytes.startsWith("RIFF") && bytes.mid(8, 4) == "WEBP");
}

}  // namespace

QByteArray DecodeDataImage(const QUrl& url) {
  if (url.scheme().compare(QLatin1String("data"), Qt::CaseInsensitive) != 0) {
    return {};
  }
  const QByteArray encoded = url.toEncoded();
  if (encoded.size() > TEntryBrowser::kMaxDataUrlLength) {
    return {};
  }
  const qsizetype comma = encoded.indexOf(',');
  if (comma < 0) {
    return {};
  }
  const QByteArray header = encoded.mid(5, comma - 5).toLower();  // after "data:"
  if (!header.startsWith("image/")) {
    return {};
  }
  const QByteArray payload = QByteArray::fromPercentEncoding(encoded.mid(comma + 1));
  const QByteArray bytes = header.endsWith(";base64") ? QByteArray::fromBase64(payload) : payload;
  if (bytes.size() > TEntryBrowser::kMaxImageBytes || !IsCommonBitmap(bytes)) {
    return {};
  }
  return bytes;
}

TEntryBrowser::TEntryBrowser(QWidget* parent) : QTextBrowser(parent), m_imageHandler(new TEntryImageHandler(this)) {
  setOpenLinks(false);
  setOpenExternalLinks(false);
  setUndoRedoEnabled(false);
  setSearchPaths({});
  m_imageHandler->InstallOn(*document());
}

void TEntryBrowser::LoadHtml(std::string_view html) {
  m_imageHandler->InstallOn(*document());
  const std::string document = EntryDocumentText(SanitizeEntryHtml(html));
  setHtml(QString::fromUtf8(document.data(), static_cast<qsizetype>(document.size())));
}

QVariant TEntryBrowser::loadResource(int type, const QUrl& name) {
  if (type == QTextDocument::ImageResource) {
    const QByteArray image = DecodeDataImage(name);
    if (!image.isEmpty()) {
      return image;
    }
  }
  return QVariant(QByteArray());
}

bool TEntryBrowser::event(QEvent* event) {
  if (event->type() == QEvent::ToolTip) {
    // A title attribute is the feed's text: Qt would show it as markup whose images it loads from the disk.
    const auto* help = static_cast<QHelpEvent*>(event);
    const QString tip =
        cursorForPosition(viewport()->mapFrom(this, help->pos())).charFormat().toolTip().left(kMaxToolTipLength);
    if (tip.isEmpty()) {
      QToolTip::hideText();
    } else {
      QToolTip::showText(help->globalPos(), Qt::convertFromPlainText(tip, Qt::WhiteSpaceNormal), this);
    }
    return true;
  }
  return QTextBrowser::event(event);
}

}  // namespace tidewick
