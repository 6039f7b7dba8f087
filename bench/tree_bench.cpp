// How long the window takes to build and caption the feed tree of a large subscription list: 2,000 feeds in 200
// folders, unread counts shown (goal: well under 100 ms; run: build with -DTIDEWICK_BENCH=ON, then
// bench/tree_bench).

#include <benchmark/benchmark.h>
#include <string>
#include <vector>

#include "feeds/feed_records.h"
#include "tree/feed_tree.h"

namespace {

constexpr int kFolders = 200;
constexpr int kFeeds = 2000;

struct TArrangementTexts {
  std::string Structure;
  std::string PathList;
};

// 20 top-level folders with 9 subfolders each; ten feeds of five entries (two unread) per folder.
TArrangementTexts FillStore() {
  tidewick::Feeds.clear();
  TArrangementTexts texts;
  std::vector<std::string> folders;
  for (int top = 0; top < kFolders / 10; ++top) {
    const std::string parent = "\\Topic " + std::to_string(top);
    folders.push_back(parent);
    for (int sub = 1; sub < 10; ++sub) {
      folders.push_back(parent + "\\Sub " + std::to_string(sub));
    }
  }
  for (const std::string& folder : folders) {
    texts.Structure += folder + "\t-1\r\n";
  }
  for (int i = 0; i < kFeeds; ++i) {
    tidewick::TFeed feed;
    feed.Name = "Feed number " + std::to_string(i);
    for (int e = 0; e < 5; ++e) {
      tidewick::TEntry item;
      item.Title = "Entry " + std::to_string(e);
      item.IsRead = e >= 2;
      feed.Entries.push_back(item);
    }
    feed.Error = i % 50 == 0;
    tidewick::AddFeed(std::move(feed));
    texts.PathList += folders[static_cast<size_t>(i % kFolders)] + "\\Feed number " + std::to_string(i) + "\r\n";
  }
  return texts;
}

void BM_BuildAndCaptionTree(benchmark::State& state) {
  const TArrangementTexts texts = FillStore();
  tidewick::TFeedTree tree;
  for (auto _ : state) {
    tree.BuildFeedTree(texts.Structure, texts.PathList, true);  // ends with the caption pass
    benchmark::DoNotOptimize(tree.Root());
  }
  tidewick::Feeds.clear();
}

void BM_CaptionPass(benchmark::State& state) {
  const TArrangementTexts texts = FillStore();
  tidewick::TFeedTree tree;
  tree.BuildFeedTree(texts.Structure, texts.PathList, true);
  for (auto _ : state) {
    tree.UpdateTreeCaptions(true);
  }
  tidewick::Feeds.clear();
}

void BM_SaveArrangement(benchmark::State& state) {
  const TArrangementTexts texts = FillStore();
  tidewick::TFeedTree tree;
  tree.BuildFeedTree(texts.Structure, texts.PathList, true);
  for (auto _ : state) {
    benchmark::DoNotOptimize(tree.SaveTreeStructure());
  }
  tidewick::Feeds.clear();
}

BENCHMARK(BM_BuildAndCaptionTree)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CaptionPass)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveArrangement)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
