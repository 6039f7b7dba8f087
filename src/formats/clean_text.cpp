// CleanText: the text cleanup every feed reader applies.

#include <cstring>
#include <string>
#include <string_view>

#include "formats/feed_document.h"
#include "formats/reader_support.h"
#include "util/html_text.h"

namespace tidewick {

namespace {

// Bytes that need more than a plain copy after trimming: references, line breaks, NUL and the line-break mark.
constexpr bool NeedsWork(unsigned char c) {
  return c == '&' || c == '\r' || c == '\n' || c == '\0' || c == '\1';
}

void AppendLineBreak(std::string& out, bool singleLine) {
  if (!singleLine) {
    out += "\r\n";
  }
}

}  // namespace

std::string_view TrimBlanks(std::string_view text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && static_cast<unsigned char>(text[begin]) <= ' ') {
    ++begin;
  }
  while (end > begin && static_cast<unsigned char>(text[end - 1]) <= ' ') {
    --end;
  }
  return text.substr(begin, end - begin);
}

std::string CleanText(std::string_view text, bool singleLine) {
  const std::string_view trimmed = TrimBlanks(text);
  bool hasWork = false;
  bool hasReference = false;
  for (const char c : trimmed) {
    const auto byte = static_cast<unsigned char>(c);
    if (NeedsWork(byte)) {
      hasWork = true;
      hasReference = hasReference || byte == '&';
    }
  }
  if (!hasWork) {
    return std::string(trimmed);  // the common case: one copy, nothing else
  }
  const std::string decoded = hasReference ? DecodeEntities(trimmed) : std::string(trimmed);
  std::string out;
  out.reserve(decoded.size() + 16);
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
  for (size_t i = 0; i < source.size(); ++i) {
    const char c = source[i];
    if (c == '\r') {
      if (i + 1 < source.size() && source[i + 1] == '\n') {
        ++i;
      }
      AppendLineBreak(out, singleLine);
    } else if (c == '\n' || c == '\1') {
      AppendLineBreak(out, singleLine);
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace tidewick
