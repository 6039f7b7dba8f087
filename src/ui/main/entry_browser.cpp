#include "ui/main/entry_browser.h"

#include <filesystem>
#include <optional>

#include <QHelpEvent>
#include <QScrollBar>
#include <QSet>
#include <QTextBlock>
#include <QTextDocument>
#include <QToolTip>

#include "entries/entry_page.h"
#include "platform/paths.h"
#include "settings/settings.h"
#include "ui/main/entry_image_handler.h"
#include "ui/main/image_bar.h"
#include "ui/main/remote_image_loader.h"
#include "web/remote_image.h"

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

TEntryBrowser::TEntryBrowser(QWidget* parent)
    : QTextBrowser(parent),
      m_imageHandler(new TEntryImageHandler(this)),
      m_loader(new TRemoteImageLoader(
          QString::fromStdString((std::filesystem::path(UserCacheFolder()) / "images").string()), this)),
      m_imageBar(new TImageBar(this)) {
  setOpenLinks(false);
  setOpenExternalLinks(false);
  setUndoRedoEnabled(false);
  setSearchPaths({});
  m_imageHandler->InstallOn(*document());
  m_imageBar->hide();
  connect(m_imageBar, &TImageBar::LoadClicked, this, [this] { LoadRemoteImages(); });
  connect(m_imageBar, &TImageBar::AlwaysClicked, this, [this] {
    m_imagesAllowed = true;
    emit AlwaysLoadImages(m_feedId);
    LoadRemoteImages();
  });
  connect(m_loader, &TRemoteImageLoader::Finished, this, [this](const QString& address, bool ok) {
    if (ok) {
      ImageArrived(address);
    }
  });
}

void TEntryBrowser::LoadHtml(std::string_view html) {
  m_imageHandler->InstallOn(*document());
  const std::string document = EntryDocumentText(SanitizeEntryHtml(html));
  m_loadingImages = false;
  setHtml(QString::fromUtf8(document.data(), static_cast<qsizetype>(document.size())));
  CollectRemoteImages();
  if (m_imagesAllowed && !m_remoteImages.isEmpty()) {
    LoadRemoteImages();
  } else {
    ShowImageBar(!m_remoteImages.isEmpty());
  }
}

void TEntryBrowser::SetRemoteImages(uint64_t feedId, bool allowed) {
  m_feedId = feedId;
  m_imagesAllowed = allowed;
}

void TEntryBrowser::CollectRemoteImages() {
  m_remoteImages.clear();
  QSet<QString> seen;
  for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      const QTextCharFormat format = it.fragment().charFormat();
      if (!format.isImageFormat()) {
        continue;
      }
      const QTextImageFormat image = format.toImageFormat();
      const auto side = [&image](QTextFormat::Property property) {
        return image.hasProperty(property) ? std::optional(image.doubleProperty(property)) : std::nullopt;
      };
      const QString name = image.name();
      if (!seen.contains(name) && JudgeRemoteImage(name.toStdString(), side(QTextFormat::ImageWidth),
                                                   side(QTextFormat::ImageHeight)) == TRemoteImageVerdict::Fetch) {
        seen.insert(name);
        m_remoteImages.append(name);
        if (m_remoteImages.size() == kMaxRemoteImages) {
          return;
        }
      }
    }
  }
}

void TEntryBrowser::LoadRemoteImages() {
  ShowImageBar(false);
  m_loadingImages = true;
  TFetchOptions options;
  options.Proxy = ProxyFrom(Settings());
  const int width = std::max(1, viewport()->width() - 2 * static_cast<int>(document()->documentMargin()));
  bool anyInMemory = false;
  for (const QString& address : std::as_const(m_remoteImages)) {
    const QImage image = m_loader->Cached(address);
    if (image.isNull()) {
      m_loader->Request(address, width, options);
    } else {
      document()->addResource(QTextDocument::ImageResource, QUrl(address), image);
      anyInMemory = true;
    }
  }
  if (anyInMemory) {
    Relayout();
  }
}

void TEntryBrowser::ImageArrived(const QString& address) {
  const QImage image = m_loadingImages && m_remoteImages.contains(address) ? m_loader->Cached(address) : QImage();
  if (image.isNull()) {
    return;  // a picture of an earlier page, or one too large to keep
  }
  document()->addResource(QTextDocument::ImageResource, QUrl(address), image);
  Relayout();
}

void TEntryBrowser::Relayout() {
  const int top = verticalScrollBar()->value();
  document()->markContentsDirty(0, document()->characterCount());
  verticalScrollBar()->setValue(top);
}

void TEntryBrowser::ShowImageBar(bool shown) {
  m_imageBar->setVisible(shown);
  setViewportMargins(0, shown ? m_imageBar->sizeHint().height() : 0, 0, 0);
  PlaceImageBar();
}

void TEntryBrowser::PlaceImageBar() {
  const int frame = frameWidth();
  m_imageBar->setGeometry(frame, frame, width() - 2 * frame, m_imageBar->sizeHint().height());
}

void TEntryBrowser::resizeEvent(QResizeEvent* event) {
  QTextBrowser::resizeEvent(event);
  PlaceImageBar();
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
