// How long the main window takes to look up its two hundred captions, with a language file of a few hundred
// entries loaded (run: build with -DTIDEWICK_BENCH=ON, then bench/lang_text_bench).

#include <stdlib.h>

#include <benchmark/benchmark.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "lang/lang_text.h"

namespace {

constexpr int kEntries = 400;
constexpr int kCaptions = 200;

std::string Key(int i) {
  return "Main|mnuCaptionNumber" + std::to_string(i);
}

// Writes a language file of kEntries entries into a fresh temporary folder and loads it.
void LoadSampleLanguage() {
  std::string pattern = (std::filesystem::temp_directory_path() / "tidewick-bench-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) {
    return;
  }
  const std::filesystem::path file = std::filesystem::path(pattern) / "Bench.lng";
  {
    std::ofstream out(file, std::ios::binary);
    for (int i = 0; i < kEntries; ++i) {
      out << "# entry " << i << "\r\n" << Key(i) << "=&Caption number " << i << "%t%Ctrl+" << i % 10 << "\r\n";
    }
  }
  tidewick::LoadLanguageFile(file.string());
  std::filesystem::remove_all(pattern);
}

std::vector<std::string> CaptionKeys(int offset) {
  std::vector<std::string> keys;
  for (int i = 0; i < kCaptions; ++i) {
    keys.push_back(Key(i * 2 + offset));  // offset 0 and 1 hit, kEntries and beyond miss
  }
  return keys;
}

void ApplyCaptions(benchmark::State& state, int offset) {
  LoadSampleLanguage();
  const std::vector<std::string> keys = CaptionKeys(offset);
  for (auto _ : state) {
    for (const std::string& key : keys) {
      benchmark::DoNotOptimize(tidewick::GetLangText(key, "&Vorgabe"));
    }
  }
  state.counters["lookups"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * kCaptions, benchmark::Counter::kIsRate);
  tidewick::LoadLanguageFile("");
}

void BM_TwoHundredCaptionsFound(benchmark::State& state) {
  ApplyCaptions(state, 0);
}
void BM_TwoHundredCaptionsMissing(benchmark::State& state) {
  ApplyCaptions(state, kEntries);
}

void BM_LoadLanguageFile(benchmark::State& state) {
  for (auto _ : state) {
    LoadSampleLanguage();
  }
  tidewick::LoadLanguageFile("");
}

BENCHMARK(BM_TwoHundredCaptionsFound)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TwoHundredCaptionsMissing)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LoadLanguageFile)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
