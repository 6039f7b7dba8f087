#include "util/utf8_check_avx2.h"

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>

#include <cstdint>
#include <cstring>

namespace tidewick {

namespace {

// What a pair of bytes can be wrong with, one bit each; a pair is wrong when all three look-ups agree on a bit.
constexpr uint8_t kTooShort = 1 << 0;   // a lead byte not followed by a continuation
constexpr uint8_t kTooLong = 1 << 1;    // a continuation after an ASCII byte
constexpr uint8_t kOverlong3 = 1 << 2;  // E0 80..9F
constexpr uint8_t kTooLarge = 1 << 3;   // F4 90..BF and F5..FF
constexpr uint8_t kSurrogate = 1 << 4;  // ED A0..BF
constexpr uint8_t kOverlong2 = 1 << 5;  // C0, C1
constexpr uint8_t kTooLarge1000 = 1 << 6;
constexpr uint8_t kOverlong4 = 1 << 6;  // F0 80..8F
constexpr uint8_t kTwoContinuations = 1 << 7;
constexpr uint8_t kCarry = kTooShort | kTooLong | kTwoContinuations;

#define TIDEWICK_AVX2 __attribute__((target("avx2")))

TIDEWICK_AVX2 __m256i Table(uint8_t a0, uint8_t a1, uint8_t a2, uint8_t a3, uint8_t a4, uint8_t a5, uint8_t a6,
                            uint8_t a7, uint8_t a8, uint8_t a9, uint8_t a10, uint8_t a11, uint8_t a12, uint8_t a13,
                            uint8_t a14, uint8_t a15) {
  return _mm256_setr_epi8(static_cast<char>(a0), static_cast<char>(a1), static_cast<char>(a2), static_cast<char>(a3),
                          static_cast<char>(a4), static_cast<char>(a5), static_cast<char>(a6), static_cast<char>(a7),
                          static_cast<char>(a8), static_cast<char>(a9), static_cast<char>(a10), static_cast<char>(a11),
                          static_cast<char>(a12), static_cast<char>(a13), static_cast<char>(a14),
                          static_cast<char>(a15), static_cast<char>(a0), static_cast<char>(a1), static_cast<char>(a2),
                          static_cast<char>(a3), static_cast<char>(a4), static_cast<char>(a5), static_cast<char>(a6),
                          static_cast<char>(a7), static_cast<char>(a8), static_cast<char>(a9), static_cast<char>(a10),
                          static_cast<char>(a11), static_cast<char>(a12), static_cast<char>(a13),
                          static_cast<char>(a14), static_cast<char>(a15));
}

TIDEWICK_AVX2 __m256i HighHalves(__m256i bytes) {
  return _mm256_and_si256(_mm256_srli_epi16(bytes, 4), _mm256_set1_epi8(0x0F));
}

// The block shifted by n bytes towards its end, with the last n bytes of the block before in front.
template <int N>
TIDEWICK_AVX2 __m256i Previous(__m256i block, __m256i before) {
  return _mm256_alignr_epi8(block, _mm256_permute2x128_si256(before, block, 0x21), 16 - N);
}

class TChecker {
 public:
  TIDEWICK_AVX2 TChecker()
      : m_error(_mm256_setzero_si256()),
        m_before(_mm256_setzero_si256()),
        m_incomplete(_mm256_setzero_si256()),
        m_byte1High(Table(kTooLong, kTooLong, kTooLong, kTooLong, kTooLong, kTooLong, kTooLong, kTooLong,
                          kTwoContinuations, kTwoContinuations, kTwoContinuations, kTwoContinuations,
                          kTooShort | kOverlong2, kTooShort, kTooShort | kOverlong3 | kSurrogate,
                          kTooShort | kTooLarge | kTooLarge1000 | kOverlong4)),
        m_byte1Low(Table(kCarry | kOverlong3 | kOverlong2 | kOverlong4, kCarry | kOverlong2, kCarry, kCarry,
                         kCarry | kTooLarge, kCarry | kTooLarge | kTooLarge1000, kCarry | kTooLarge | kTooLarge1000,
                         kCarry | kTooLarge | kTooLarge1000, kCarry | kTooLarge | kTooLarge1000,
                         kCarry | kTooLarge | kTooLarge1000, kCarry | kTooLarge | kTooLarge1000,
                         kCarry | kTooLarge | kTooLarge1000, kCarry | kTooLarge | kTooLarge1000,
                         kCarry | kTooLarge | kTooLarge1000 | kSurrogate, kCarry | kTooLarge | kTooLarge1000,
                         kCarry | kTooLarge | kTooLarge1000)),
        m_byte2High(Table(kTooShort, kTooShort, kTooShort, kTooShort, kTooShort, kTooShort, kTooShort, kTooShort,
                          kTooLong | kOverlong2 | kTwoContinuations | kOverlong3 | kTooLarge1000 | kOverlong4,
                          kTooLong | kOverlong2 | kTwoContinuations | kOverlong3 | kTooLarge,
                          kTooLong | kOverlong2 | kTwoContinuations | kSurrogate | kTooLarge,
                          kTooLong | kOverlong2 | kTwoContinuations | kSurrogate | kTooLarge, kTooShort, kTooShort,
                          kTooShort, kTooShort)) {}

  TIDEWICK_AVX2 void Add(__m256i block) {
    if (_mm256_movemask_epi8(block) == 0) {
      m_error = _mm256_or_si256(m_error, m_incomplete);  // ASCII: nothing may be left open before it
    } else {
      const __m256i previous1 = Previous<1>(block, m_before);
      const __m256i special =
          _mm256_and_si256(_mm256_and_si256(_mm256_shuffle_epi8(m_byte1High, HighHalves(previous1)),
                                            _mm256_shuffle_epi8(m_byte1Low, _mm256_and_si256(previous1, Low()))),
                           _mm256_shuffle_epi8(m_byte2High, HighHalves(block)));
      // Third and fourth bytes of a character must be continuations: where they are, kTwoContinuations is right.
      const __m256i third = _mm256_subs_epu8(Previous<2>(block, m_before), _mm256_set1_epi8(0xE0 - 0x80));
      const __m256i fourth = _mm256_subs_epu8(Previous<3>(block, m_before), _mm256_set1_epi8(0xF0 - 0x80));
      const __m256i must = _mm256_and_si256(_mm256_or_si256(third, fourth), _mm256_set1_epi8(static_cast<char>(0x80)));
      m_error = _mm256_or_si256(m_error, _mm256_xor_si256(must, special));
      // A character the block's last three bytes begin and do not end.
      m_incomplete = _mm256_subs_epu8(
          block, Table(0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xEF, 0xDF, 0xBF));
      m_incomplete = _mm256_blend_epi32(_mm256_setzero_si256(), m_incomplete, 0xF0);  // the table's lower half: 0
    }
    m_before = block;
  }

  TIDEWICK_AVX2 bool Valid() const { return _mm256_testz_si256(m_error, m_error) != 0; }

 private:
  TIDEWICK_AVX2 static __m256i Low() { return _mm256_set1_epi8(0x0F); }

  __m256i m_error;
  __m256i m_before;
  __m256i m_incomplete;
  __m256i m_byte1High;
  __m256i m_byte1Low;
  __m256i m_byte2High;
};

TIDEWICK_AVX2 bool Check(const char* data, size_t size) {
  TChecker checker;
  size_t pos = 0;
  for (; pos + 32 <= size; pos += 32) {
    checker.Add(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(data + pos)));
  }
  // The rest, followed by zero bytes: a character cut by the end then counts as too short.
  char tail[32] = {};
  std::memcpy(tail, data + pos, size - pos);
  checker.Add(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(tail)));
  return checker.Valid();
}

}  // namespace

std::optional<bool> IsValidUtf8Avx2(std::string_view bytes) {
  static const bool kHasAvx2 = __builtin_cpu_supports("avx2") != 0;
  if (!kHasAvx2) {
    return std::nullopt;
  }
  return Check(bytes.data(), bytes.size());
}

}  // namespace tidewick

#else

namespace tidewick {

std::optional<bool> IsValidUtf8Avx2(std::string_view) {
  return std::nullopt;
}

}  // namespace tidewick

#endif
