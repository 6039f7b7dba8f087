// Remote pictures benchmark: an entry with 50 different 800x600 JPEG pictures from the web, all in the disk cache.
// It times how long the pictures take to arrive from the disk cache (decoded on the workers, wall time), and then
// the first paint of the same entry shown again with the pictures in memory: the page filled, the pictures put in,
// laid out and painted once, CPU time of the window's thread. Goal: under 100 ms. The memory cache (64 MiB) holds
// about 35 such pictures at the view's width; the others come from the disk cache again, off this thread.
//
//   QT_QPA_PLATFORM=offscreen remote_images_bench [rounds]

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include <QApplication>
#include <QBuffer>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include "platform/file_io.h"
#include "ui/main/entry_browser.h"
#include "ui/main/remote_image_loader.h"
#include "web/image_cache.h"

using namespace tidewick;

namespace {

constexpr int kPictures = 50;

double CpuNowMs() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

std::string Jpeg(int n) {
  QImage image(800, 600, QImage::Format_RGB32);
  QPainter painter(&image);
  painter.fillRect(image.rect(), QColor::fromHsv(n * 7 % 360, 160, 220));
  painter.drawText(image.rect(), Qt::AlignCenter, QString::number(n));
  painter.end();
  QByteArray bytes;
  QBuffer buffer(&bytes);
  image.save(&buffer, "JPEG", 85);
  return bytes.toStdString();
}

}  // namespace

int main(int argc, char** argv) {
  QTemporaryDir cache;
  qputenv("XDG_CACHE_HOME", cache.path().toUtf8());
  QApplication app(argc, argv);
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  const std::filesystem::path folder = std::filesystem::path(cache.path().toStdString()) / "Tidewick" / "images";
  std::filesystem::create_directories(folder);
  std::string html = "<h1>Fifty pictures</h1>";
  for (int n = 0; n < kPictures; ++n) {
    // A port nothing listens on: every picture must come from the disk cache.
    const std::string address = "http://127.0.0.1:9/picture" + std::to_string(n) + ".jpg";
    AtomicWriteFile((folder / ImageCacheFileName(address)).string(), ImageCacheRecord(address, Jpeg(n)));
    html += "<p>Picture " + std::to_string(n) + "</p><img src=\"" + address + "\">";
  }

  TEntryBrowser page;
  page.resize(800, 600);
  page.show();
  page.SetRemoteImages(1, true);
  int arrived = 0;
  QObject::connect(&page.ImageLoader(), &TRemoteImageLoader::Finished, &page,
                   [&arrived](const QString&, bool ok) { arrived += ok ? 1 : 0; });
  QElapsedTimer disk;
  disk.start();
  page.LoadHtml(html);
  while (arrived < kPictures && disk.elapsed() < 60000) {
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
  }
  std::printf("%d of %d pictures from the disk cache in %lld ms (wall time)\n", arrived, kPictures,
              static_cast<long long>(disk.elapsed()));

  std::vector<double> paints;
  int inMemory = 0;
  for (int n = 0; n < kPictures; ++n) {
    inMemory +=
        page.ImageLoader().Cached(QString::fromLatin1("http://127.0.0.1:9/picture%1.jpg").arg(n)).isNull() ? 0 : 1;
  }
  for (int round = 0; round < rounds; ++round) {
    page.LoadHtml("");
    const double start = CpuNowMs();
    page.LoadHtml(html);  // every picture in memory now
    page.document()->size();
    page.repaint();
    paints.push_back(CpuNowMs() - start);
  }
  std::sort(paints.begin(), paints.end());
  const double median = paints[paints.size() / 2];
  std::printf(
      "first paint, %d of %d pictures in memory: median %.1f ms, best %.1f ms, worst %.1f ms (CPU, %d rounds)\n",
      inMemory, kPictures, median, paints.front(), paints.back(), rounds);
  return arrived == kPictures && median < 100 ? 0 : 1;
}
