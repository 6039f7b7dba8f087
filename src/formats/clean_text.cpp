// CleanText: the text cleanup every feed reader applies.

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <cstring>
#include <string>
#include <string_view>

#include "formats/feed_document.h"
#include "formats/reader_support.h"
#include "util/html_text.h"

namespace tidewick {

namespace {

// The first byte in [in, end) that is one of the given ones, or end; sixteen bytes at a time where SSE2 is there.
// Plain text (the bulk of every feed) is thus passed over without a look at each byte.
template <char... kBytes>
const char* FindAnyOf(const char* in, const char* const end) {
#if defined(__SSE2__)
  while (end - in >= 16) {
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
    const int mask = _mm_movemask_epi8((_mm_cmpeq_epi8(block, _mm_set1_epi8(kBytes)) | ...));
    if (mask != 0) {
      return in + __builtin_ctz(static_cast<unsigned>(mask));
    }
    in += 16;
  }
#endif
  while (in < end && ((*in != kBytes) && ...)) {
    ++in;
  }
  return in;
}

// References, NUL characters, line breaks and the line-break mark need more than a plain copy.
const char* FindWork(const char* in, const char* end) {
  return FindAnyOf<'&', '\0', '\r', '\n', '\1'>(in, end);
}

const char* FindBreak(const char* in, const char* end) {
  return FindAnyOf<'\r', '\n', '\1'>(in, end);
}

}  // namespace

std::string CleanText(std::string_view text, bool singleLine) {
  const std::string_view trimmed = TrimView(text);
  const char* const end = trimmed.data() + trimmed.size();
  const char* const firstWork = FindWork(trimmed.data(), end);
  if (firstWork == end) {
    return std::string(trimmed);  // the common case: one copy, nothing else
  }
  const bool hasReference = std::memchr(firstWork, '&', static_cast<size_t>(end - firstWork)) != nullptr;
  std::string decoded = hasReference ? DecodeEntities(trimmed) : std::string(trimmed);
  // NUL characters go first, so a break written as CR NUL LF still counts as one CR LF pair.
  if (std::memchr(decoded.data(), '\0', decoded.size()) != nullptr) {
    std::erase(decoded, '\0');
  }
  const char* const sourceEnd = decoded.data() + decoded.size();
  const char* next = FindBreak(decoded.data(), sourceEnd);
  if (next == sourceEnd) {
    return decoded;  // no line break: the decoded text is the result
  }
  std::string out;
  out.reserve(decoded.size() + 16);
  const char* runStart = decoded.data();
  while (next != sourceEnd) {
    out.append(runStart, next);  // plain runs are copied whole
    if (*next == '\r' && next + 1 < sourceEnd && next[1] == '\n') {
      ++next;
    }
    if (!singleLine) {
      out += "\r\n";
    }
    runStart = next + 1;
    next = FindBreak(runStart, sourceEnd);
  }
  out.append(runStart, sourceEnd);
  return out;
}

}  // namespace tidewick
