// Feed store benchmark: a store of 500 feeds x 200 entries built from the reference corpus, saved with SaveFeeds,
// then, in one run: LoadFeeds, SaveFeeds, a bare libxml2 DOM parse of the same file, one write + fsync of the same
// bytes, the memory held after loading and the peak while loading (each in a fresh process), and the merge of a
// 10,000-entry download into a 10,000-entry feed with 10% changed entries.
//
//   python3 gen_corpus.py --seed 42 --out /tmp/corpus
//   store_bench /tmp/corpus [/tmp/store_bench]

#include <fcntl.h>
#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <sstream>
#include <string>
#include <vector>

#include "feeds/feed_merge.h"
#include "feeds/feed_store.h"
#include "feeds/store_writer.h"
#include "formats/feed_document.h"
#include "median_times.h"
#include "util/files.h"
#include "xml/xml_doc.h"

namespace fs = std::filesystem;
using namespace tidewick;
using bench::MedianMs;

namespace {

constexpr int kFeeds = 500;
constexpr int kItemsPerFeed = 200;
constexpr int kRuns = 5;

// The corpus feeds as read by the program's readers, repeated up to the store size; repeated entries get a
// distinct title so every entry is its own.
TFeeds BuildStore(const std::string& corpus) {
  std::vector<TFeed> read;
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(fs::path(corpus) / "feeds")) {
    files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  for (const fs::path& file : files) {
    TFeed feed;
    if (ReadFeedDocument(ReadFileToString(file.string()), feed) && !feed.Entries.empty()) {
      feed.Name = file.stem().string();
      feed.URL = "http://example.org/" + file.filename().string();
      read.push_back(std::move(feed));
    }
  }
  std::vector<const TEntry*> pool;
  for (const TFeed& feed : read) {
    for (const TEntry& item : feed.Entries) {
      pool.push_back(&item);
    }
  }
  TFeeds store;
  size_t next = 0;
  for (int n = 0; n < kFeeds && !read.empty(); ++n) {
    TFeed feed = read[n % read.size()];
    feed.Name.append("-").append(std::to_string(n));
    feed.Interval = 60;
    feed.Entries.clear();
    for (int m = 0; m < kItemsPerFeed; ++m, ++next) {
      TEntry item = *pool[next % pool.size()];
      if (next >= pool.size()) {
        item.Title.append(" #").append(std::to_string(next / pool.size()));
      }
      item.IsRead = next % 3 == 0;
      feed.Entries.push_back(std::move(item));
    }
    store.push_back(std::move(feed));
  }
  return store;
}

long StatusKb(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind(field, 0) == 0) {
      return std::stol(line.substr(std::string(field).size()));
    }
  }
  return -1;
}

size_t HeapInUse() {
  const struct mallinfo2 info = mallinfo2();
  return info.uordblks + info.hblkhd;
}

// Runs in a fresh process: loads the store once and prints held and peak bytes.
int MeasureLoadMemory(const std::string& file) {
  const size_t heapBefore = HeapInUse();
  const long rssBefore = StatusKb("VmRSS:");
  if (!LoadFeeds(file)) {
    return 1;
  }
  const size_t held = HeapInUse() - heapBefore;
  const long peakKb = StatusKb("VmHWM:") - rssBefore;
  std::printf("%zu %ld\n", held, peakKb * 1024);
  return 0;
}

void MeasureMerge() {
  TFeed stored;
  for (int i = 0; i < 10000; ++i) {
    TEntry item;
    item.Title = "Entry number " + std::to_string(i) + " of a large feed";
    item.Link = "http://example.org/entries/" + std::to_string(i);
    item.Author = "Author " + std::to_string(i % 50);
    item.Description = std::string(300, 'x');
    item.IsRead = i % 2 == 0;
    stored.Entries.push_back(item);
  }
  TFeed fresh = stored;
  for (int i = 0; i < 10000; i += 10) {
    fresh.Entries[i].Title += " (updated)";  // 10% changed: each drops one stored entry and adds one
  }
  const TAutoReadTerms terms = TAutoReadTerms::FromList("sponsored\nanzeige\nwerbung");
  TFeed work;
  const double merge = MedianMs(
      kRuns, [&] { MergeFeed(work, fresh, terms, 1.0); }, [&] { work = stored; });
  std::printf("Merge 10,000 into 10,000 (10%% changed)  %9.2f ms  (%zu entries after)\n", merge, work.Entries.size());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "--load-memory") {
    return MeasureLoadMemory(argv[2]);
  }
  if (argc == 3 && std::string(argv[1]) == "--save-only") {  // for a profiler
    LoadFeeds(argv[2]);
    return SaveFeeds(argv[2]) && SaveFeeds(argv[2]) ? 0 : 1;
  }
  if (argc < 2) {
    std::fprintf(stderr, "usage: store_bench CORPUS_FOLDER [WORK_FOLDER]\n");
    return 2;
  }
  const std::string work = argc > 2 ? argv[2] : "/tmp/store_bench";
  fs::create_directories(work);
  const std::string file = work + "/Feeds.xml";

  Feeds = BuildStore(argv[1]);
  size_t items = 0;
  for (const TFeed& feed : Feeds) {
    items += feed.Entries.size();
  }
  if (!SaveFeeds(file)) {
    std::fprintf(stderr, "cannot save %s\n", file.c_str());
    return 1;
  }
  const std::string bytes = ReadFileToString(file);
  const double sizeMb = static_cast<double>(bytes.size()) / (1 << 20);
  std::printf("Store: %zu feeds, %zu entries, %.1f MiB (%s)\n\n", Feeds.size(), items, sizeMb, file.c_str());

  const double load = MedianMs(kRuns, [&] { LoadFeeds(file); });
  const double save = MedianMs(kRuns, [&] { SaveFeeds(file); });
  size_t textSize = 0;
  const double text = MedianMs(kRuns, [&] {
    textSize = 0;
    WriteStoreText(Feeds, [&](std::string_view piece) {
      textSize += piece.size();
      return true;
    });
  });
  xmlInitParser();
  const double libxml = MedianMs(kRuns, [&] {
    xmlDocPtr doc = xmlReadFile(file.c_str(), nullptr, XML_PARSE_NONET | XML_PARSE_HUGE);
    xmlFreeDoc(doc);
  });
  const double xmlDoc = MedianMs(kRuns, [&] {
    TXmlDoc doc("?xml");
    doc.LoadFromFile(file);
  });
  const std::string plain = work + "/plain.bin";
  const double writeSync = MedianMs(kRuns, [&] {
    const int fd = ::open(plain.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const bool ok = ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    ::fsync(fd);
    ::close(fd);
    if (!ok) {
      std::fprintf(stderr, "short write\n");
    }
  });
  fs::remove(plain);

  std::printf("LoadFeeds                        %9.1f ms  (%.2fx libxml2)\n", load, load / libxml);
  std::printf("libxml2 DOM parse (xmlReadFile)  %9.1f ms\n", libxml);
  std::printf("TXmlDoc LoadFromFile             %9.1f ms  (for comparison)\n", xmlDoc);
  std::printf("SaveFeeds                        %9.1f ms  (%.2fx write+fsync)\n", save, save / writeSync);
  std::printf("write + fsync of the same bytes  %9.1f ms\n", writeSync);
  std::printf("  store text alone, no I/O       %9.1f ms  (%zu bytes)\n", text, textSize);

  const std::string command = std::string(argv[0]) + " --load-memory " + file;
  FILE* child = ::popen(command.c_str(), "r");
  size_t held = 0;
  long peak = 0;
  if (child == nullptr || std::fscanf(child, "%zu %ld", &held, &peak) != 2) {
    std::fprintf(stderr, "memory measurement failed\n");
  }
  if (child != nullptr) {
    ::pclose(child);
  }
  const double size = static_cast<double>(bytes.size());
  std::printf("Held after load                  %9.1f MiB (%.2fx file)\n", held / 1048576.0, held / size);
  std::printf("Peak while loading               %9.1f MiB (%.2fx file)\n", peak / 1048576.0, peak / size);
  MeasureMerge();
  return 0;
}
