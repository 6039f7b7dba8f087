#pragma once

// Loads the pictures an entry's page names from the web, off the UI thread: from the disk cache when it holds
// them, else over http or https with tight limits (size, time, no cookies, no referrer), decoded only as PNG, JPEG,
// GIF or WebP and scaled down to the width asked for. Decoded pictures are kept in memory (bounded); the window
// asks for them with Cached() and hears of new ones through Finished.

#include <atomic>

#include <QCache>
#include <QImage>
#include <QObject>
#include <QSet>
#include <QString>
#include <QThreadPool>

#include "util/http_fetch.h"

namespace tidewick {

class TRemoteImageLoader : public QObject {
  Q_OBJECT

 public:
  // cacheFolder: where pictures are kept on disk (created when the first is written); empty keeps none.
  explicit TRemoteImageLoader(QString cacheFolder, QObject* parent = nullptr);
  // Stops the transfers and waits for the workers (a fraction of a second).
  ~TRemoteImageLoader() override;
  TRemoteImageLoader(const TRemoteImageLoader&) = delete;
  TRemoteImageLoader& operator=(const TRemoteImageLoader&) = delete;

  // The picture when it is in memory; a null image otherwise.
  QImage Cached(const QString& address) const;
  // Starts loading address unless it is in memory or on its way. options: the proxy and agent, taken on the main
  // thread; the limits below are set here.
  void Request(const QString& address, int maxWidth, TFetchOptions options);

  static constexpr size_t kMaxImageBytes = size_t{5} * 1024 * 1024;
  static constexpr int kTimeoutMs = 10000;
  static constexpr int kMemoryCacheKiB = 64 * 1024;
  static constexpr int kWorkers = 4;

 signals:
  // On the UI thread; ok: the picture is now Cached().
  void Finished(const QString& address, bool ok);

 private:
  void Arrived(const QString& address, const QImage& image);

  QString m_cacheFolder;
  bool m_cacheCleaned = false;
  QCache<QString, QImage> m_memory{kMemoryCacheKiB};
  QSet<QString> m_pending;
  std::atomic<bool> m_stop{false};
  QThreadPool m_pool;  // last: its workers are gone before the members they use
};

// The picture in bytes when they are a PNG, JPEG, GIF or WebP image (found by their first bytes, no other decoder is
// tried), scaled down to maxWidth (0: any width); a null image for anything else or a picture too large to decode.
QImage DecodeWebImage(const QByteArray& bytes, int maxWidth);

}  // namespace tidewick
