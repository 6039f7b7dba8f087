// CleanText: the text cleanup every feed reader applies.

#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "formats/feed_document.h"
#include "formats/reader_support.h"
#include "util/html_text.h"

namespace tidewick {

namespace {

enum : uint8_t { kPlain = 0, kWork = 1, kBreak = 2 };

// Per byte: whether it needs more than a plain copy after trimming (references, NUL, line breaks and the line-break
// mark), and whether it ends a line.
constexpr std::array<uint8_t, 256> MakeByteClasses() {
  std::array<uint8_t, 256> classes{};
  classes[static_cast<unsigned char>('&')] = kWork;
  classes[0] = kWork;
  for (const char c : {'\r', '\n', '\1'}) {
    classes[static_cast<unsigned char>(c)] = kWork | kBreak;
  }
  return classes;
}

constexpr std::array<uint8_t, 256> kByteClasses = MakeByteClasses();

uint8_t ByteClass(char c) {
  return kByteClasses[static_cast<unsigned char>(c)];
}

}  // namespace

std::string CleanText(std::string_view text, bool singleLine) {
  const std::string_view trimmed = TrimView(text);
  bool hasWork = false;
  bool hasReference = false;
  for (const char c : trimmed) {
    if (ByteClass(c) != kPlain) {
      hasWork = true;
      hasReference = hasReference || c == '&';
    }
  }
  if (!hasWork) {
    return std::string(trimmed);  // the common case: one copy, nothing else
  }
  std::string decoded = hasReference ? DecodeEntities(trimmed) : std::string(trimmed);
  // NUL characters go first, so a break written as CR NUL LF still counts as one CR LF pair.
  std::string withoutNul;
  std::string_view source = decoded;
  if (std::memchr(decoded.data(), '\0', decoded.size()) != nullptr) {
    withoutNul.reserve(decoded.size());
    for (const char c : decoded) {
      if (c != '\0') {
        withoutNul += c;
      }
    }
    source = withoutNul;
  }
  std::string out;
  size_t runStart = 0;
  for (size_t i = 0; i < source.size(); ++i) {
    if ((ByteClass(source[i]) & kBreak) == 0) {
      continue;
    }
    if (runStart == 0) {
      out.reserve(source.size() + 16);
    }
    out.append(source, runStart, i - runStart);  // plain runs are copied whole
    if (source[i] == '\r' && i + 1 < source.size() && source[i + 1] == '\n') {
      ++i;
    }
    if (!singleLine) {
      out += "\r\n";
    }
    runStart = i + 1;
  }
  if (runStart == 0 && source.data() == decoded.data()) {
    return decoded;  // no line break: the decoded text is the result
  }
  out.append(source, runStart, source.size() - runStart);
  return out;
}

}  // namespace tidewick
