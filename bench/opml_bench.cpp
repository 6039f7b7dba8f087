// OPML benchmark: importing a list of 5,000 outlines (100 folders of 49 feeds each, one level nested) must take
// under one second, reading and adding included. In the same run: the same bytes parsed by libxml2 for scale, a
// list of 5,000 feeds that all share one name (each gets a number), and the export of the imported tree.
//
//   opml_bench [--rounds 5]

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <libxml/parser.h>
#include <string>
#include <vector>

#include "feeds/feed_records.h"
#include "median_times.h"
#include "tree/feed_tree.h"
#include "tree/opml_export.h"
#include "tree/opml_import.h"

using namespace tidewick;
using bench::MedianMs;

namespace {

constexpr int kFolders = 100;
constexpr int kFeedsPerFolder = 49;  // with the folders: 5,000 outlines
constexpr double kGoalMs = 1000.0;

// Folders in pairs, the second inside the first; feeds with distinct names or all with one name.
std::string MakeOpml(bool equalNames) {
  std::string text =
      "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<opml version=\"2.0\"><head><title>Bench</title></head><body>\n";
  int feed = 0;
  const auto addFolder = [&](int folder) {
    text += "<outline text=\"Folder " + std::to_string(folder) + "\" title=\"Folder\">\n";
    for (int i = 0; i < kFeedsPerFolder; ++i, ++feed) {
      const std::string name = equalNames ? "Same name" : "Feed number " + std::to_string(feed) + " &amp; more";
      text += "  <outline type=\"rss\" text=\"" + name + "\" title=\"" + name + "\" xmlUrl=\"https://feeds" +
              std::to_string(feed) + ".example.org/rss?id=" + std::to_string(feed) +
              "&amp;lang=en\" htmlUrl=\"https://example.org/\"/>\n";
    }
  };
  for (int folder = 0; folder < kFolders; folder += 2) {
    addFolder(folder);
    addFolder(folder + 1);
    text += "</outline></outline>\n";
  }
  return text + "</body></opml>\n";
}

struct TImportRun {
  TFeedTree Tree;
  TOpmlImportReport Report;
};

void Reset(TImportRun& run) {
  Feeds.clear();
  run.Tree.BuildFeedTree("", "", false);
}

void Import(TImportRun& run, const std::string& text) {
  const TOpmlReadResult read = ReadOpmlText(text);
  run.Report = ImportOpmlOutlines(run.Tree, run.Tree.Root(), read.Outlines, 60);
}

}  // namespace

int main(int argc, char** argv) {
  int rounds = 5;
  if (argc == 3 && std::strcmp(argv[1], "--rounds") == 0) {
    rounds = std::max(1, std::atoi(argv[2]));
  }
  const std::string distinct = MakeOpml(false);
  const std::string equal = MakeOpml(true);
  TImportRun run;

  const double importMs = MedianMs(
      rounds, [&] { Import(run, distinct); }, [&] { Reset(run); });
  std::printf("import, 5,000 outlines (%zu KB): %d feeds in %d folders, median %.1f ms (goal < %.0f ms: %s)\n",
              distinct.size() / 1024, run.Report.Feeds, run.Report.Folders, importMs, kGoalMs,
              importMs < kGoalMs ? "met" : "MISSED");

  const double readMs = MedianMs(
      rounds, [&] { ReadOpmlText(distinct); }, [] {});
  const double libxmlMs = MedianMs(
      rounds,
      [&] {
        xmlDocPtr doc =
            xmlReadMemory(distinct.data(), static_cast<int>(distinct.size()), "bench.opml", nullptr, XML_PARSE_NONET);
        xmlFreeDoc(doc);
      },
      [] {});
  std::printf("  of which reading the outlines: %.1f ms; libxml2 DOM parse of the same bytes: %.1f ms\n", readMs,
              libxmlMs);

  const double equalMs = MedianMs(
      rounds, [&] { Import(run, equal); }, [&] { Reset(run); });
  std::printf("import, 4,900 feeds of one name: median %.1f ms (last name: %s)\n", equalMs,
              Feeds.empty() ? "-" : Feeds.back().Name.c_str());

  std::string exported;
  const double exportMs = MedianMs(
      rounds, [&] { exported = OpmlExportText(*run.Tree.Root(), "Bench"); }, [] {});
  std::printf("export of the imported tree (%zu KB): median %.1f ms\n", exported.size() / 1024, exportMs);
  return importMs < kGoalMs ? 0 : 1;
}
