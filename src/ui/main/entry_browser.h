#pragma once

// The HTML view of an entry. Feed content is hostile: the view never navigates and never reads a local file. It
// shows small images carried inside the page (data: addresses of common bitmap formats) and, only when the user
// allows it for the entry or its feed, pictures from the web, loaded off the UI thread (TRemoteImageLoader); while
// they are not allowed, a bar above the page offers to load them. Clicked links are reported through anchorClicked.

#include <cstdint>
#include <string_view>

#include <QStringList>
#include <QTextBrowser>

namespace tidewick {

class TEntryImageHandler;
class TImageBar;
class TRemoteImageLoader;

class TEntryBrowser : public QTextBrowser {
  Q_OBJECT

 public:
  explicit TEntryBrowser(QWidget* parent = nullptr);

  // Sanitises the page and shows it; an empty text blanks the view.
  void LoadHtml(std::string_view html);
  // For the pages shown from now on: whose feed they are and whether its pictures from the web are loaded without
  // asking.
  void SetRemoteImages(uint64_t feedId, bool allowed);
  // The web pictures of the shown page that may be loaded (no tracking pixels), at most kMaxRemoteImages.
  const QStringList& RemoteImages() const { return m_remoteImages; }
  TRemoteImageLoader& ImageLoader() { return *m_loader; }

  // Every resource the document asks for: a bounded data: image, or an empty (but not null) value, so Qt never
  // falls back to reading files or decoding addresses by itself.
  QVariant loadResource(int type, const QUrl& name) override;

  // Longest tool tip a page's title attribute gives, in characters.
  static constexpr qsizetype kMaxToolTipLength = 500;

  // Largest data: address taken, and the image it may hold.
  static constexpr qsizetype kMaxDataUrlLength = 1024 * 1024;
  static constexpr qsizetype kMaxImageBytes = 512 * 1024;
  // Pictures from the web loaded for one page.
  static constexpr int kMaxRemoteImages = 50;

 signals:
  // "Always for this feed" was clicked on a page of this feed.
  void AlwaysLoadImages(uint64_t feedId);

 protected:
  bool event(QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void CollectRemoteImages();
  void LoadRemoteImages();
  void ShowImageBar(bool shown);
  void PlaceImageBar();
  void ImageArrived(const QString& address);
  // Lays the page out again for pictures that arrived; the part in view stays where it is.
  void Relayout();

  TEntryImageHandler* m_imageHandler;
  TRemoteImageLoader* m_loader;
  TImageBar* m_imageBar;
  QStringList m_remoteImages;
  uint64_t m_feedId = 0;
  bool m_imagesAllowed = false;
  bool m_loadingImages = false;  // the shown page's pictures were asked for
};

// The bytes of a data: image of a common bitmap format (PNG, JPEG, GIF, BMP, WebP), or nothing.
QByteArray DecodeDataImage(const QUrl& url);

}  // namespace tidewick
