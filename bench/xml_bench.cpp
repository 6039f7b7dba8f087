// Times our XML reader against libxml2 and pugixml on the reference corpus, in one run.
//   xml_bench CORPUS_FOLDER [--rounds N]
// CORPUS_FOLDER holds feeds/ (gen_corpus.py --seed 42) and/or store.xml (gen_corpus.py --seed 42 --store).

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <libxml/parser.h>
#include <pugixml.hpp>
#include <string>
#include <vector>

#include "xml/xml_doc.h"

namespace {

using TClock = std::chrono::steady_clock;

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Median seconds of `rounds` runs of `parseAll`, which parses every input once and reports the time it spent
// parsing (building the tree), not freeing.
double MedianSeconds(int rounds, const std::function<double()>& parseAll) {
  std::vector<double> times;
  for (int round = 0; round < rounds; ++round) {
    times.push_back(parseAll());
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

template <typename TParse>
double TimeEach(const std::vector<std::string>& inputs, TParse&& parse) {
  double total = 0;
  for (const std::string& input : inputs) {
    total += parse(input);
  }
  return total;
}

double Ours(const std::string& input) {
  auto doc = std::make_unique<tidewick::TXmlDoc>();
  const auto start = TClock::now();
  const bool ok = doc->LoadFromString(input);
  const double seconds = std::chrono::duration<double>(TClock::now() - start).count();
  if (!ok) {
    std::fprintf(stderr, "our reader failed\n");
  }
  return seconds;
}

double LibXml2(const std::string& input) {
  const auto start = TClock::now();
  xmlDocPtr doc = xmlReadMemory(input.data(), static_cast<int>(input.size()), nullptr, nullptr,
                                XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_HUGE);
  const double seconds = std::chrono::duration<double>(TClock::now() - start).count();
  if (doc == nullptr) {
    std::fprintf(stderr, "libxml2 failed\n");
  }
  xmlFreeDoc(doc);
  return seconds;
}

double Pugixml(const std::string& input) {
  auto doc = std::make_unique<pugi::xml_document>();
  const auto start = TClock::now();
  const pugi::xml_parse_result result = doc->load_buffer(input.data(), input.size());
  const double seconds = std::chrono::duration<double>(TClock::now() - start).count();
  if (!result) {
    std::fprintf(stderr, "pugixml failed: %s\n", result.description());
  }
  return seconds;
}

void Compare(const char* title, const std::vector<std::string>& inputs, int rounds) {
  double bytes = 0;
  for (const std::string& input : inputs) {
    bytes += static_cast<double>(input.size());
  }
  const double megabytes = bytes / 1e6;
  const double ours = MedianSeconds(rounds, [&] { return TimeEach(inputs, Ours); });
  const double libxml2 = MedianSeconds(rounds, [&] { return TimeEach(inputs, LibXml2); });
  const double pugixml = MedianSeconds(rounds, [&] { return TimeEach(inputs, Pugixml); });
  std::printf("%s: %zu document(s), %.1f MB, median of %d rounds\n", title, inputs.size(), megabytes, rounds);
  std::printf("  tidewick LoadFromString  %8.1f MB/s\n", megabytes / ours);
  std::printf("  libxml2 xmlReadMemory    %8.1f MB/s   (tidewick is %.2fx libxml2)\n", megabytes / libxml2,
              libxml2 / ours);
  std::printf("  pugixml load_buffer      %8.1f MB/s   (tidewick is %.2fx pugixml)\n", megabytes / pugixml,
              pugixml / ours);
}

void TimeSave(const std::string& input, int rounds) {
  tidewick::TXmlDoc doc;
  doc.LoadFromString(input);
  std::string out;
  const double seconds = MedianSeconds(rounds, [&] {
    const auto start = TClock::now();
    doc.SaveToStream(out, 2, true);
    return std::chrono::duration<double>(TClock::now() - start).count();
  });
  std::printf("  tidewick SaveToStream    %8.1f MB/s   (%.1f MB written)\n",
              static_cast<double>(out.size()) / 1e6 / seconds, static_cast<double>(out.size()) / 1e6);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s CORPUS_FOLDER [--rounds N]\n", argv[0]);
    return 2;
  }
  const std::filesystem::path folder = argv[1];
  int rounds = 5;
  if (argc >= 4 && std::string(argv[2]) == "--rounds") {
    rounds = std::max(1, std::atoi(argv[3]));
  }
  xmlInitParser();
  std::vector<std::string> feeds;
  if (std::filesystem::is_directory(folder / "feeds")) {
    std::vector<std::filesystem::path> paths;
    for (const auto& entry : std::filesystem::directory_iterator(folder / "feeds")) {
      paths.push_back(entry.path());
    }
    std::sort(paths.begin(), paths.end());
    for (const auto& path : paths) {
      feeds.push_back(ReadFile(path));
    }
    Compare("feeds", feeds, rounds);
  }
  if (std::filesystem::is_regular_file(folder / "store.xml")) {
    const std::vector<std::string> store{ReadFile(folder / "store.xml")};
    Compare("store", store, std::max(1, rounds / 2));
    TimeSave(store.front(), std::max(1, rounds / 2));
  }
  xmlCleanupParser();
  return feeds.empty() && !std::filesystem::exists(folder / "store.xml") ? 1 : 0;
}
