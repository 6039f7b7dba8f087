// Times full feed reading (ReadFeedDocument: parse, detect, clean, dates) against a bare libxml2 DOM parse of the
// same bytes, in one run.
//   formats_bench CORPUS_FOLDER [--rounds N]
// CORPUS_FOLDER holds feeds/ from gen_corpus.py --seed 42.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <libxml/parser.h>
#include <string>
#include <vector>

#include "feeds/feed_records.h"
#include "formats/feed_document.h"
#include "xml/xml_doc.h"

namespace {

// The thread's CPU time: other programs on a busy machine then barely move the figures.
struct TClock {
  using time_point = double;
  static double now() {
    timespec reading{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &reading);
    return static_cast<double>(reading.tv_sec) + static_cast<double>(reading.tv_nsec) * 1e-9;
  }
};

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

double Seconds(TClock::time_point start) {
  return TClock::now() - start;
}

double Median(std::vector<double> times) {
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

// Full reading into a feed record; the record is freed outside the timed part, the document inside it.
double ReadAll(const std::vector<std::string>& inputs, size_t& entries) {
  double total = 0;
  entries = 0;
  for (const std::string& input : inputs) {
    tidewick::TFeed feed;
    const auto start = TClock::now();
    const bool ok = tidewick::ReadFeedDocument(input, feed);
    total += Seconds(start);
    if (!ok) {
      std::fprintf(stderr, "ReadFeedDocument failed\n");
    }
    entries += feed.Entries.size();
  }
  return total;
}

// Our bare XML parse and free, to show what the readers add on top.
double ParseAll(const std::vector<std::string>& inputs) {
  double total = 0;
  for (const std::string& input : inputs) {
    const auto start = TClock::now();
    {
      tidewick::TXmlDoc doc;
      doc.LoadFromString(input);
    }
    total += Seconds(start);
  }
  return total;
}

// libxml2's DOM parse; withFree also counts freeing the tree, as the document's end is part of our reading.
double LibXml2All(const std::vector<std::string>& inputs, bool withFree) {
  double total = 0;
  for (const std::string& input : inputs) {
    const auto start = TClock::now();
    xmlDocPtr doc = xmlReadMemory(input.data(), static_cast<int>(input.size()), nullptr, nullptr,
                                  XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_HUGE);
    if (withFree) {
      xmlFreeDoc(doc);
      total += Seconds(start);
    } else {
      total += Seconds(start);
      xmlFreeDoc(doc);
    }
    if (doc == nullptr) {
      std::fprintf(stderr, "libxml2 failed\n");
    }
  }
  return total;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s CORPUS_FOLDER [--rounds N]\n", argv[0]);
    return 2;
  }
  const std::filesystem::path folder = std::filesystem::path(argv[1]) / "feeds";
  int rounds = 5;
  if (argc >= 4 && std::string(argv[2]) == "--rounds") {
    rounds = std::max(1, std::atoi(argv[3]));
  }
  std::vector<std::filesystem::path> paths;
  if (std::filesystem::is_directory(folder)) {
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
      paths.push_back(entry.path());
    }
  }
  if (paths.empty()) {
    std::fprintf(stderr, "no feeds in %s\n", folder.c_str());
    return 1;
  }
  std::sort(paths.begin(), paths.end());
  std::vector<std::string> inputs;
  double bytes = 0;
  for (const auto& path : paths) {
    inputs.push_back(ReadFile(path));
    bytes += static_cast<double>(inputs.back().size());
  }
  const double megabytes = bytes / 1e6;
  xmlInitParser();
  size_t entries = 0;
  // The contenders take turns within each round, so a slow phase of the machine hits all of them alike.
  std::vector<double> reads, parses, libxml2Frees, libxml2s;
  for (int round = 0; round < rounds; ++round) {
    reads.push_back(ReadAll(inputs, entries));
    parses.push_back(ParseAll(inputs));
    libxml2Frees.push_back(LibXml2All(inputs, true));
    libxml2s.push_back(LibXml2All(inputs, false));
  }
  xmlCleanupParser();
  const double read = Median(reads);
  const double parse = Median(parses);
  const double libxml2Free = Median(libxml2Frees);
  const double libxml2 = Median(libxml2s);
  std::printf("feeds: %zu documents, %zu entries, %.1f MB, median CPU time of %d rounds\n", inputs.size(), entries,
              megabytes, rounds);
  std::printf("  ReadFeedDocument (full reading)   %8.1f MB/s\n", megabytes / read);
  std::printf("  TXmlDoc parse + free               %8.1f MB/s\n", megabytes / parse);
  std::printf("  libxml2 xmlReadMemory + free       %8.1f MB/s   (full reading takes %.2fx its time)\n",
              megabytes / libxml2Free, read / libxml2Free);
  std::printf("  libxml2 xmlReadMemory              %8.1f MB/s   (full reading takes %.2fx its time)\n",
              megabytes / libxml2, read / libxml2);
  return 0;
}
