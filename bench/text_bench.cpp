// Per-call cost of the date parser and of reference decoding + HTML-to-text on the entry bodies of the reference
// corpus (run: python3 /work/shared/bench/gen_corpus.py --seed 42 --out /tmp/corpus, build with
// -DTIDEWICK_BENCH=ON, then bench/text_bench /tmp/corpus).

#include <benchmark/benchmark.h>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "util/dates.h"
#include "util/html_text.h"

namespace {

struct TDateText {
  std::string Text;
  std::string Kind;
};

std::vector<TDateText> g_dates;
std::vector<std::string> g_bodies;

// Forms seen in the wild besides the two standard ones, mixed in so every parser path is measured.
const TDateText kOtherForms[] = {
    {"Tue, 5 Dec 2006 22:30 EST", "U"},
    {"05 December 2006 22:30:00 GMT", "U"},
    {"Dec 5, 2006 10:30:00 PM", "U"},
    {"2006-12-05 22:30:00", "U"},
    {"2006-12-05T22:30Z", "C"},
    {"Tue, 05 Dec 06 22:30:00 (CEST)", "U"},
    {"December 05, 2006 22:30:15", "U"},
    {"2006/12/05", "U"},
    {"not a date", "U"},
};

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Crude: the text between an opening tag (attributes allowed) and its closing tag, CDATA unwrapped or the XML
// escapes undone, roughly what the XML reader hands over.
void CollectElements(const std::string& document, const std::string& name, std::vector<std::string>& out) {
  const std::string open = "<" + name;
  const std::string close = "</" + name + ">";
  for (std::size_t pos = document.find(open); pos != std::string::npos; pos = document.find(open, pos + 1)) {
    const std::size_t start = document.find('>', pos);
    if (start == std::string::npos || (document[pos + open.size()] != '>' && document[pos + open.size()] != ' ')) {
      continue;
    }
    const std::size_t end = document.find(close, start);
    if (end == std::string::npos) {
      break;
    }
    std::string text = document.substr(start + 1, end - start - 1);
    if (text.rfind("<![CDATA[", 0) == 0 && text.size() >= 12) {
      text = text.substr(9, text.size() - 12);
    } else {
      for (const auto& [escaped, plain] : {std::pair{"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&amp;", "&"}}) {
        std::string next;
        std::size_t from = 0;
        for (std::size_t at = text.find(escaped); at != std::string::npos; at = text.find(escaped, from)) {
          next.append(text, from, at - from).append(plain);
          from = at + std::string(escaped).size();
        }
        text = next.append(text, from);
      }
    }
    out.push_back(std::move(text));
  }
}

bool LoadCorpus(const std::filesystem::path& folder) {
  std::vector<std::string> rfcDates;
  std::vector<std::string> isoDates;
  for (const auto& entry : std::filesystem::directory_iterator(folder / "feeds")) {
    const std::string document = ReadFile(entry.path());
    CollectElements(document, "pubDate", rfcDates);
    for (const char* name : {"updated", "published", "dc:date"}) {
      CollectElements(document, name, isoDates);
    }
    for (const char* name : {"description", "content:encoded", "content", "summary"}) {
      CollectElements(document, name, g_bodies);
    }
  }
  for (std::string& text : rfcDates) {
    g_dates.push_back({std::move(text), "U"});
  }
  for (std::string& text : isoDates) {
    g_dates.push_back({std::move(text), "C"});
  }
  // One date in ten of another form, interleaved.
  const std::size_t standard = g_dates.size();
  for (std::size_t i = 0; i < standard / 9; ++i) {
    g_dates.insert(g_dates.begin() + static_cast<std::ptrdiff_t>(i * 10), kOtherForms[i % std::size(kOtherForms)]);
  }
  return !g_dates.empty() && !g_bodies.empty();
}

std::size_t TotalBytes(const std::vector<std::string>& texts) {
  std::size_t total = 0;
  for (const std::string& text : texts) {
    total += text.size();
  }
  return total;
}

void ParseDates(benchmark::State& state) {
  std::size_t index = 0;
  for (auto _ : state) {
    const TDateText& date = g_dates[index];
    int zoneOffset = 0;
    benchmark::DoNotOptimize(tidewick::ParseFeedDate(date.Text, zoneOffset, date.Kind));
    index = index + 1 == g_dates.size() ? 0 : index + 1;
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
}
BENCHMARK(ParseDates);

template <typename TFunction>
void OverBodies(benchmark::State& state, TFunction function) {
  for (auto _ : state) {
    for (const std::string& body : g_bodies) {
      benchmark::DoNotOptimize(function(body));
    }
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * g_bodies.size()));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * TotalBytes(g_bodies)));
}

void DecodeBodies(benchmark::State& state) {
  OverBodies(state, [](const std::string& body) { return tidewick::DecodeEntities(body); });
}
BENCHMARK(DecodeBodies)->Unit(benchmark::kMillisecond);

void HtmlToTextBodies(benchmark::State& state) {
  OverBodies(state, [](const std::string& body) { return tidewick::HtmlToText(body); });
}
BENCHMARK(HtmlToTextBodies)->Unit(benchmark::kMillisecond);

void DecodeThenHtmlToTextBodies(benchmark::State& state) {
  OverBodies(state, [](const std::string& body) { return tidewick::HtmlToText(tidewick::DecodeEntities(body)); });
}
BENCHMARK(DecodeThenHtmlToTextBodies)->Unit(benchmark::kMillisecond);

// Texts made to provoke rescans: the time must grow with the length, not its square.
void DecodeWorstCase(benchmark::State& state) {
  std::string text;
  while (text.size() < static_cast<std::size_t>(state.range(0))) {
    text += "&&#&#x&CounterClockwiseContourIntegra&amp";
  }
  for (auto _ : state) {
    benchmark::DoNotOptimize(tidewick::DecodeEntities(text));
  }
  state.SetComplexityN(state.range(0));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(DecodeWorstCase)->RangeMultiplier(8)->Range(1 << 10, 1 << 22)->Complexity(benchmark::oN);

void HtmlToTextWorstCase(benchmark::State& state) {
  std::string text;
  while (text.size() < static_cast<std::size_t>(state.range(0))) {
    text += "<br<BR /\r\n\r\n<b\r\n<p<span<blockquot>";
  }
  for (auto _ : state) {
    benchmark::DoNotOptimize(tidewick::HtmlToText(text));
  }
  state.SetComplexityN(state.range(0));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(HtmlToTextWorstCase)->RangeMultiplier(8)->Range(1 << 10, 1 << 22)->Complexity(benchmark::oN);

void UtcToLocalCalls(benchmark::State& state) {
  tidewick::TDateTime value = 39056.9375;
  for (auto _ : state) {
    benchmark::DoNotOptimize(tidewick::UtcToLocal(value));
    value += 0.01;
  }
}
BENCHMARK(UtcToLocalCalls);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (argc != 2 || !LoadCorpus(argv[1])) {
    std::fprintf(stderr, "usage: text_bench [benchmark options] CORPUS_FOLDER (from gen_corpus.py)\n");
    return 2;
  }
  std::printf("%zu dates, %zu bodies, %zu body bytes\n", g_dates.size(), g_bodies.size(), TotalBytes(g_bodies));
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
