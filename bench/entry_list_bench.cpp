// Entry list benchmark: a store of 1,000 feeds x 100 entries (100,000 entries, a tenth of them read, dates spread
// over two years, titles and HTML summaries of realistic length), then, median of 5 runs each:
//   - filling and ordering the root's list with grouping on (automatic order, then the manual order by title);
//   - find next over all 100,000 rows for a text that no entry holds (every row is searched).
// Goals: fill and order under 200 ms, find next under 100 ms.
//
//   entry_list_bench

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "entries/entry_list.h"
#include "entries/entry_search.h"
#include "feeds/feed_records.h"

using namespace tidewick;

namespace {

constexpr int kFeeds = 1000;
constexpr int kItemsPerFeed = 100;
constexpr int kRuns = 5;

struct TTimes {
  double WallMs = 0;
  double CpuMs = 0;  // this thread's processor time: what an idle machine would take
};

double CpuNowMs() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

// Medians of kRuns calls.
TTimes Median(const std::function<void()>& action) {
  std::vector<double> wall;
  std::vector<double> cpu;
  for (int i = 0; i < kRuns; ++i) {
    const auto start = std::chrono::steady_clock::now();
    const double cpuStart = CpuNowMs();
    action();
    cpu.push_back(CpuNowMs() - cpuStart);
    wall.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
  }
  std::sort(wall.begin(), wall.end());
  std::sort(cpu.begin(), cpu.end());
  return {wall[wall.size() / 2], cpu[cpu.size() / 2]};
}

void BuildStore() {
  Feeds.clear();
  unsigned seed = 12345;
  auto next = [&seed] {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 8) & 0xFFFFFF;
  };
  for (int f = 0; f < kFeeds; ++f) {
    TFeed feed;
    feed.Name = "Feed number " + std::to_string(f);
    feed.URL = "https://feed" + std::to_string(f) + ".example/rss";
    for (int i = 0; i < kItemsPerFeed; ++i) {
      TEntry item;
      item.Title = (next() % 3 == 0 ? "Über " : "Report ") + std::to_string(next() % 5000) + " on the state of things";
      item.Link = feed.URL + "/entry/" + std::to_string(i);
      item.Author = "author" + std::to_string(i % 7);
      item.Description =
          "<p>Paragraph with <b>some</b> markup and a <a href=\"https://example.org/x\">link</a>. "
          "More text follows here, enough for a typical summary of a news entry.</p>"
          "[~Tidewick_Content~]<p>The full content is not searched.</p>";
      item.PublishedDate = 45000.0 + static_cast<double>(next() % 730) + static_cast<double>(next() % 1440) / 1440.0;
      item.IsRead = next() % 10 == 0;
      feed.Entries.push_back(std::move(item));
    }
    AddFeed(std::move(feed));
  }
}

// The goal is judged on processor time; on a busy machine the wall time also counts waiting for a core.
bool Report(const char* what, TTimes times, double goal) {
  const bool ok = times.CpuMs < goal;
  std::printf("%-46s cpu %7.1f ms  wall %7.1f ms  (goal < %.0f ms) %s\n", what, times.CpuMs, times.WallMs, goal,
              ok ? "ok" : "TOO SLOW");
  return ok;
}

}  // namespace

int main() {
  BuildStore();
  const TListNode root{TListNodeKind::Root, {}};
  TEntryList list;
  bool ok = true;
  ok &= Report("fill + automatic order, 100,000 entries", Median([&] { list.Fill(root, true, TListOrder{}); }), 200);
  ok &= Report("fill + manual order by title, 100,000 entries",
               Median([&] { list.Fill(root, true, {.AutoSort = false, .SortLastColumn = kTitleColumn}); }), 200);
  ok &= Report("find next over 100,000 rows (no match)", Median([&] {
                 if (FindEntryRow(list, "nowhere to be found", TSearchStep::Next, std::nullopt)) {
                   std::puts("unexpected match");
                 }
               }),
               100);
  return ok ? 0 : 1;
}
