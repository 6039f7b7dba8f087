#include "ui/main/remote_image_loader.h"

#include <chrono>
#include <filesystem>
#include <system_error>

#include <QBuffer>
#include <QImageReader>

#include "platform/file_io.h"
#include "platform/paths.h"
#include "web/image_cache.h"

namespace tidewick {
namespace {

namespace fs = std::filesystem;

// Pixel memory one picture may take while it is decoded (QImageReader counts in MiB).
constexpr int kDecodeLimitMiB = 64;

QByteArray FormatOf(const QByteArray& bytes) {
  if (bytes.startsWith("\x89PNG")) {
    return "png";
  }
  if (bytes.startsWith("\xFF\xD8\xFF")) {
    return "jpeg";
  }
  if (bytes.startsWith("GIF8")) {
    return "gif";
  }
  if (bytes.startsWith("RIFF") && bytes.mid(8, 4) == "WEBP") {
    return "webp";
  }
  return {};
}

QByteArray FromStd(std::string_view text) {
  return {text.data(), static_cast<qsizetype>(text.size())};
}

// Removes what is too old or beyond the folder's size, oldest first. Runs on a worker.
void CleanCacheFolder(const std::string& folder) {
  std::error_code error;
  std::vector<TImageCacheFile> files;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
    if (entry.is_regular_file(error)) {
      const auto modified = entry.last_write_time(error);
      const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(
          std::chrono::file_clock::to_sys(modified).time_since_epoch());
      files.push_back({entry.path().filename().string(), entry.file_size(error), seconds.count()});
    }
  }
  const int64_t now =
      std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch()).count();
  for (const std::string& name : ImageCacheFilesToRemove(std::move(files), now)) {
    fs::remove(fs::path(folder) / name, error);
  }
}

// The picture from the disk cache, or fetched and then kept there. Runs on a worker.
QImage LoadImage(const std::string& address, int maxWidth, const std::string& folder, const TFetchOptions& options) {
  const std::string file = folder.empty() ? std::string() : (fs::path(folder) / ImageCacheFileName(address)).string();
  std::error_code error;
  if (!file.empty() && fs::file_size(file, error) <= TRemoteImageLoader::kMaxImageBytes + 4096 && !error) {
    if (const std::optional<std::string> record = ReadWholeFile(file)) {
      const std::optional<std::string_view> bytes = ImageCacheImage(*record, address);
      QImage image = bytes ? DecodeWebImage(FromStd(*bytes), maxWidth) : QImage();
      if (!image.isNull()) {
        return image;
      }
    }
  }
  if (!file.empty() && fs::exists(file, error)) {
    fs::remove(file, error);  // corrupt, foreign or oversized: fetched again below
  }
  std::string content;
  if (!FetchUrl(address, content, TRemoteImageLoader::kTimeoutMs, options).Ok()) {
    return {};
  }
  QImage image = DecodeWebImage(FromStd(content), maxWidth);
  if (!image.isNull() && !file.empty() && EnsureFolder(folder)) {
    AtomicWriteFile(file, ImageCacheRecord(address, content));
  }
  return image;
}

}  // namespace

QImage DecodeWebImage(const QByteArray& bytes, int maxWidth) {
  const QByteArray format = FormatOf(bytes);
  if (format.isEmpty()) {
    return {};
  }
  QBuffer buffer;
  buffer.setData(bytes);
  QImageReader reader(&buffer, format);
  reader.setAutoDetectImageFormat(false);
  reader.setAllocationLimit(kDecodeLimitMiB);
  const QSize size = reader.size();
  if (maxWidth > 0 && size.isValid() && size.width() > maxWidth) {
    reader.setScaledSize(size.scaled(maxWidth, size.height(), Qt::KeepAspectRatio));
  }
  return reader.read();
}

TRemoteImageLoader::TRemoteImageLoader(QString cacheFolder, QObject* parent)
    : QObject(parent), m_cacheFolder(std::move(cacheFolder)) {
  m_pool.setMaxThreadCount(kWorkers);
}

TRemoteImageLoader::~TRemoteImageLoader() {
  m_stop = true;
  m_pool.clear();
  m_pool.waitForDone();
}

QImage TRemoteImageLoader::Cached(const QString& address) const {
  const QImage* image = m_memory.object(address);
  return image != nullptr ? *image : QImage();
}

void TRemoteImageLoader::Request(const QString& address, int maxWidth, TFetchOptions options) {
  if (m_memory.contains(address) || m_pending.contains(address)) {
    return;
  }
  m_pending.insert(address);
  const std::string folder = m_cacheFolder.toStdString();
  if (!m_cacheCleaned && !folder.empty()) {
    m_cacheCleaned = true;
    m_pool.start([folder] { CleanCacheFolder(folder); });
  }
  options.WebOnly = true;
  options.MaxBodyBytes = kMaxImageBytes;
  options.MaxTransferMs = kTimeoutMs;
  options.StopFlag = &m_stop;
  options.IfNoneMatch.clear();
  options.IfModifiedSince.clear();
  m_pool.start([this, address, maxWidth, folder, options] {
    const QImage image = LoadImage(address.toStdString(), maxWidth, folder, options);
    QMetaObject::invokeMethod(
        this, [this, address, image] { Arrived(address, image); }, Qt::QueuedConnection);
  });
}

void TRemoteImageLoader::Arrived(const QString& address, const QImage& image) {
  m_pending.remove(address);
  if (!image.isNull()) {
    m_memory.insert(address, new QImage(image), static_cast<int>(std::max<qsizetype>(1, image.sizeInBytes() / 1024)));
  }
  emit Finished(address, !image.isNull());
}

}  // namespace tidewick
