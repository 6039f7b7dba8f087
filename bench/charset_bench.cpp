// Converting 16 MiB of bytes that are invalid in a declared multi-byte encoding: every bad sequence costs one
// replacement character, never a pass over the rest of the text, so each row should finish well under a second.
// Build with -DTIDEWICK_BENCH=ON (Release), then run bench/charset_bench.

#include <benchmark/benchmark.h>
#include <string>
#include <string_view>

#include "util/charset.h"

namespace {

using tidewick::DecodeToUtf8;

constexpr std::size_t kInputBytes = std::size_t{16} << 20;

// A pattern that is invalid in the encoding, repeated to 16 MiB (whole code units for the wide forms).
std::string InvalidBytes(std::string_view pattern) {
  std::string bytes;
  bytes.reserve(kInputBytes);
  while (bytes.size() + pattern.size() <= kInputBytes) {
    bytes.append(pattern);
  }
  return bytes;
}

void BM_DecodeInvalid(benchmark::State& state, std::string_view encoding, std::string_view pattern) {
  const std::string bytes = InvalidBytes(pattern);
  for (auto _ : state) {
    std::string text = DecodeToUtf8(std::string_view(bytes), encoding);
    benchmark::DoNotOptimize(text.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(bytes.size()));
}

}  // namespace

// 0xFF starts no sequence in any of the byte-oriented encodings; lone low surrogates and values beyond U+10FFFF are
// the wide forms' invalid units.
BENCHMARK_CAPTURE(BM_DecodeInvalid, utf8, "UTF-8", "\xFF")->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK_CAPTURE(BM_DecodeInvalid, euc_jp, "EUC-JP", "\xFF")->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK_CAPTURE(BM_DecodeInvalid, shift_jis, "Shift_JIS", "\xFF")->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK_CAPTURE(BM_DecodeInvalid, iso_2022_jp, "ISO-2022-JP", "\xFF")->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK_CAPTURE(BM_DecodeInvalid, euc_kr, "EUC-KR", "\xFF")->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK_CAPTURE(BM_DecodeInvalid, gbk, "GBK", "\xFF")->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK_CAPTURE(BM_DecodeInvalid, gb18030, "GB18030", "\xFF")->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK_CAPTURE(BM_DecodeInvalid, big5, "Big5", "\xFF")->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK_CAPTURE(BM_DecodeInvalid, utf16le, "UTF-16LE", std::string_view("\x00\xDC", 2))
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);
BENCHMARK_CAPTURE(BM_DecodeInvalid, utf16be, "UTF-16BE", std::string_view("\xDC\x00", 2))
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);
BENCHMARK_CAPTURE(BM_DecodeInvalid, utf32le, "UTF-32LE", "\xFF\xFF\xFF\xFF")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);
BENCHMARK_CAPTURE(BM_DecodeInvalid, utf32be, "UTF-32BE", "\xFF\xFF\xFF\xFF")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);

BENCHMARK_MAIN();
