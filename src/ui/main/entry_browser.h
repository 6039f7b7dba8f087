#pragma once

// The HTML view of an entry. Feed content is hostile: the view never navigates, never reads a local file and
// never fetches anything from the network; the only images it shows are small ones carried inside the page
// (data: addresses of common bitmap formats). Clicked links are reported through anchorClicked.

#include <string_view>

#include <QTextBrowser>

namespace tidewick {

class TEntryImageHandler;

class TEntryBrowser : public QTextBrowser {
  Q_OBJECT

 public:
  explicit TEntryBrowser(QWidget* parent = nullptr);

  // Sanitises the page and shows it; an empty text blanks the view.
  void LoadHtml(std::string_view html);

  // Every resource the document asks for: a bounded data: image, or an empty (but not null) value, so Qt never
  // falls back to reading files or decoding addresses by itself.
  QVariant loadResource(int type, const QUrl& name) override;

  // Longest tool tip a page's title attribute gives, in characters.
  static constexpr qsizetype kMaxToolTipLength = 500;

  // Largest data: address taken, and the image it may hold.
  static constexpr qsizetype kMaxDataUrlLength = 1024 * 1024;
  static constexpr qsizetype kMaxImageBytes = 512 * 1024;

 protected:
  bool event(QEvent* event) override;

 private:
  TEntryImageHandler* m_imageHandler;
};

// The bytes of a data: image of a common bitmap format (PNG, JPEG, GIF, BMP, WebP), or nothing.
QByteArray DecodeDataImage(const QUrl& url);

}  // namespace tidewick
