#include "util/utf8.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <optional>
#include <utility>

#include "util/utf8_check_avx2.h"

namespace tidewick {

namespace {

// Bytes 0x80..0x9F of Windows-1252; the rest of the code page equals Latin-1.
constexpr std::array<char16_t, 32> kWindows1252High = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                                       0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                                       0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                                       0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

bool IsContinuation(unsigned char byte) {
  return (byte & 0xC0) == 0x80;
}

// The first byte at or after pos that may start a character XML forbids: a C0 control, or the lead byte ED
// (surrogates) or EF (U+FFFE, U+FFFF); text.size() when there is none.
std::size_t FindXmlSuspect(std::string_view text, std::size_t pos) {
  const char* in = text.data() + pos;
  const char* const end = text.data() + text.size();
#if defined(__SSE2__)
  const __m128i control = _mm_set1_epi8(0x1F);
  const __m128i surrogateLead = _mm_set1_epi8(static_cast<char>(0xED));
  const __m128i specialsLead = _mm_set1_epi8(static_cast<char>(0xEF));
  while (end - in >= 16) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
    const __m128i hits =
        _mm_or_si128(_mm_cmpeq_epi8(_mm_max_epu8(bytes, control), control),
                     _mm_or_si128(_mm_cmpeq_epi8(bytes, surrogateLead), _mm_cmpeq_epi8(bytes, specialsLead)));
    if (const int mask = _mm_movemask_epi8(hits); mask != 0) {
      return static_cast<std::size_t>(in - text.data()) +
             static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
    }
    in += 16;
  }
#endif
  for (; in < end; ++in) {
    const auto byte = static_cast<unsigned char>(*in);
    if (byte < 0x20 || byte == 0xED || byte == 0xEF) {
      return static_cast<std::size_t>(in - text.data());
    }
  }
  return text.size();
}

}  // namespace

std::size_t XmlForbiddenLength(std::string_view text, std::size_t pos) {
  const auto byte = [&](std::size_t i) {
    return pos + i < text.size() ? static_cast<unsigned char>(text[pos + i]) : 0;
  };
  const unsigned char lead = byte(0);
  if (lead < 0x20) {
    return lead == '\t' || lead == '\n' || lead == '\r' ? 0 : 1;
  }
  if (lead == 0xED && byte(1) >= 0xA0 && byte(1) <= 0xBF) {
    return std::min<std::size_t>(3, text.size() - pos);  // a surrogate
  }
  if (lead == 0xEF && byte(1) == 0xBF && (byte(2) == 0xBE || byte(2) == 0xBF)) {
    return 3;  // U+FFFE, U+FFFF
  }
  return 0;
}

bool HasXmlForbidden(std::string_view text) {
  for (std::size_t pos = FindXmlSuspect(text, 0); pos < text.size(); pos = FindXmlSuspect(text, pos + 1)) {
    if (XmlForbiddenLength(text, pos) > 0) {
      return true;
    }
  }
  return false;
}

bool ReplaceXmlForbidden(std::string& text) {
  std::size_t pos = FindXmlSuspect(text, 0);
  if (pos == text.size()) {
    return false;
  }
  std::string out(text, 0, pos);
  bool replaced = false;
  while (pos < text.size()) {
    if (const std::size_t forbidden = XmlForbiddenLength(text, pos); forbidden > 0) {
      out += "\xEF\xBF\xBD";
      pos += forbidden;
      replaced = true;
    } else {
      out += text[pos++];
    }
    const std::size_t next = FindXmlSuspect(text, pos);
    out.append(text, pos, next - pos);
    pos = next;
  }
  if (replaced) {
    text = std::move(out);
  }
  return replaced;
}

std::size_t Utf8SequenceLength(std::string_view text, std::size_t pos) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[pos + i]); };
  const std::size_t left = text.size() - pos;
  const unsigned char lead = byte(0);
  if (lead < 0x80) {
    return 1;
  }
  if (lead >= 0xC2 && lead <= 0xDF) {
    return left >= 2 && IsContinuation(byte(1)) ? 2 : 0;
  }
  if (lead >= 0xE0 && lead <= 0xEF) {
    if (left < 3 || !IsContinuation(byte(1)) || !IsContinuation(byte(2))) {
      return 0;
    }
    if ((lead == 0xE0 && byte(1) < 0xA0) || (lead == 0xED && byte(1) >= 0xA0)) {
      return 0;  // overlong form or a surrogate
    }
    return 3;
  }
  if (lead >= 0xF0 && lead <= 0xF4) {
    if (left < 4 || !IsContinuation(byte(1)) || !IsContinuation(byte(2)) || !IsContinuation(byte(3))) {
      return 0;
    }
    if ((lead == 0xF0 && byte(1) < 0x90) || (lead == 0xF4 && byte(1) >= 0x90)) {
      return 0;  // overlong form or beyond U+10FFFF
    }
    return 4;
  }
  return 0;
}

bool IsValidUtf8(std::string_view bytes) {
  if (bytes.size() >= 64) {
    if (const std::optional<bool> checked = IsValidUtf8Avx2(bytes)) {
      return *checked;
    }
  }
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    // Stores and feeds are mostly ASCII markup: sixteen (or eight) bytes at a time up to the next other byte.
#if defined(__SSE2__)
    while (bytes.size() - pos >= 16) {
      const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes.data() + pos));
      if (const int mask = _mm_movemask_epi8(block); mask != 0) {
        pos += static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
        break;
      }
      pos += 16;
    }
#endif
    if (std::uint64_t word = 0; pos + 8 <= bytes.size()) {
      std::memcpy(&word, bytes.data() + pos, 8);
      if ((word & 0x8080808080808080ULL) == 0) {
        pos += 8;
        continue;
      }
    }
    if (pos == bytes.size()) {
      break;
    }
    if (static_cast<unsigned char>(bytes[pos]) < 0x80) {
      ++pos;
      continue;
    }
    // A run of other characters (a word in another script) is checked without going back to the ASCII scan.
    do {
      const std::size_t length = Utf8SequenceLength(bytes, pos);
      if (length == 0) {
        return false;
      }
      pos += length;
    } while (pos < bytes.size() && static_cast<unsigned char>(bytes[pos]) >= 0x80);
  }
  return true;
}

std::string RepairUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  std::size_t runStart = 0;
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    if (static_cast<unsigned char>(bytes[pos]) < 0x80) {
      ++pos;
      continue;
    }
    const std::size_t length = Utf8SequenceLength(bytes, pos);
    if (length != 0) {
      pos += length;
      continue;
    }
    out.append(bytes.substr(runStart, pos - runStart));
    AppendUtf8(out, Windows1252ToCodePoint(static_cast<unsigned char>(bytes[pos])));
    ++pos;
    runStart = pos;
  }
  if (runStart == 0) {
    return std::string(bytes);
  }
  out.append(bytes.substr(runStart));
  return out;
}

void AppendUtf8(std::string& out, char32_t codePoint) {
  if ((codePoint >= 0xD800 && codePoint <= 0xDFFF) || codePoint > 0x10FFFF) {
    codePoint = 0xFFFD;
  }
  if (codePoint < 0x80) {
    out.push_back(static_cast<char>(codePoint));
  } else if (codePoint < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (codePoint >> 6)));
    out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
  } else if (codePoint < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (codePoint >> 12)));
    out.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (codePoint >> 18)));
    out.push_back(static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
  }
}

char32_t Windows1252ToCodePoint(unsigned char byte) {
  if (byte >= 0x80 && byte <= 0x9F) {
    return kWindows1252High[byte - 0x80];
  }
  return byte;
}

std::size_t Utf8CharCount(std::string_view text) {
  std::size_t count = 0;
  for (const char c : text) {
    if (!IsContinuation(static_cast<unsigned char>(c))) {
      ++count;
    }
  }
  return count;
}

std::string_view Utf8Prefix(std::string_view text, std::size_t maxBytes) {
  if (text.size() <= maxBytes) {
    return text;
  }
  std::size_t cut = maxBytes;
  while (cut > 0 && IsContinuation(static_cast<unsigned char>(text[cut]))) {
    --cut;
  }
  return text.substr(0, cut);
}

}  // namespace tidewick
