#include "feeds/store_scanner.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <cstring>

#include "util/case_fold.h"

namespace tidewick {

namespace {

constexpr std::string_view kCDataStart = "![CDATA[";

bool IsControlOrBlank(char c) {
  return static_cast<unsigned char>(c) <= 32;
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsControlOrBlank(text.front())) {
    text.remove_prefix(1);
  }
  while (!text.empty() && IsControlOrBlank(text.back())) {
    text.remove_suffix(1);
  }
  return text;
}

bool IsSeparator(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// The value of the last "encoding" pair in attribute text (later pairs overwrite earlier ones).
std::string EncodingAttribute(std::string_view attributes) {
  std::string encoding;
  while (!attributes.empty()) {
    const size_t equals = attributes.find('=');
    if (equals == std::string_view::npos) {
      break;
    }
    const std::string_view name = Trim(attributes.substr(0, equals));
    attributes.remove_prefix(equals + 1);
    std::string_view value;
    if (!attributes.empty() && (attributes.front() == '"' || attributes.front() == '\'')) {
      const size_t close = attributes.find(attributes.front(), 1);
      if (close != std::string_view::npos) {
        value = attributes.substr(1, close - 1);
        attributes.remove_prefix(close + 1);
      } else {
        attributes.remove_prefix(1);
      }
    } else {
      size_t end = 0;
      while (end < attributes.size() && !IsSeparator(attributes[end])) {
        ++end;
      }
      value = attributes.substr(0, end);
      attributes.remove_prefix(end < attributes.size() ? end + 1 : end);
    }
    if (SameTextIgnoringCase(name, "encoding")) {
      encoding.assign(value);
    }
  }
  return encoding;
}

// The character of the reference the store writer writes that starts text ("&amp;", "&lt;", "&gt;", "&quot;") and
// the reference's length; length 0 when text starts with none. Descriptions hold escaped markup, so this runs for
// a good share of the store's bytes: one look at the second byte, then one comparison of known length.
struct TReference {
  char Character = 0;
  size_t Length = 0;
};

template <size_t N>
bool StartsWithLiteral(std::string_view text, const char (&literal)[N]) {
  return text.size() >= N - 1 && std::memcmp(text.data(), literal, N - 1) == 0;
}

TReference ReferenceAt(std::string_view text) {
  if (text.size() < 4) {
    return {};
  }
  switch (text[1]) {
    case 'a':
      return StartsWithLiteral(text, "&amp;") ? TReference{'&', 5} : TReference{};
    case 'l':
      return StartsWithLiteral(text, "&lt;") ? TReference{'<', 4} : TReference{};
    case 'g':
      return StartsWithLiteral(text, "&gt;") ? TReference{'>', 4} : TReference{};
    case 'q':
      return StartsWithLiteral(text, "&quot;") ? TReference{'"', 6} : TReference{};
    default:
      return {};
  }
}

// The next "&" in [in, end), or end; sixteen bytes at a time where SSE2 is there.
const char* FindAmpersand(const char* in, const char* const end) {
#if defined(__SSE2__)
  const __m128i amp = _mm_set1_epi8('&');
  while (end - in >= 16) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
    const int mask = _mm_movemask_epi8(_mm_cmpeq_epi8(bytes, amp));
    if (mask != 0) {
      return in + __builtin_ctz(static_cast<unsigned>(mask));
    }
    in += 16;
  }
#endif
  while (in < end && *in != '&') {
    ++in;
  }
  return in;
}

// The first ">" or "<" at or after pos, or npos; sixteen bytes at a time where SSE2 is there (most tags end within
// the first sixteen).
size_t FindTagEnd(std::string_view text, size_t pos) {
  const char* in = text.data() + pos;
  const char* const end = text.data() + text.size();
#if defined(__SSE2__)
  const __m128i gt = _mm_set1_epi8('>');
  const __m128i lt = _mm_set1_epi8('<');
  while (end - in >= 16) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
    const int mask = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(bytes, gt), _mm_cmpeq_epi8(bytes, lt)));
    if (mask != 0) {
      return static_cast<size_t>(in - text.data()) + static_cast<size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
    }
    in += 16;
  }
#endif
  for (; in < end; ++in) {
    if (*in == '>' || *in == '<') {
      return static_cast<size_t>(in - text.data());
    }
  }
  return std::string_view::npos;
}

}  // namespace

TScannedTag TTagScanner::NextNodeTag() {
  for (;;) {
    const size_t start = m_pos;
    const bool unterminated = m_unterminated;
    m_short = false;
    TScannedTag tag = NextNodeTagInText();
    if (!m_short) {
      return tag;
    }
    m_pos = start;
    m_unterminated = unterminated;
    ReadMore();
  }
}

bool TTagScanner::RestIsBlank() {
  for (;;) {
    for (const char c : m_text.substr(m_pos)) {
      if (!IsControlOrBlank(c)) {
        return false;
      }
    }
    m_pos = m_text.size();
    if (!m_more || m_inputEnded) {
      return true;
    }
    ReadMore();
  }
}

bool TTagScanner::NeedMore() {
  if (!m_more || m_inputEnded) {
    return false;
  }
  m_short = true;
  return true;
}

void TTagScanner::ReadMore() {
  m_buffer.erase(0, m_pos);
  m_pos = 0;
  const size_t kept = m_buffer.size();
  do {
    if (!m_more(m_buffer)) {
      m_inputEnded = true;
      break;
    }
  } while (m_buffer.size() - kept < kept);
  m_text = m_buffer;
}

TScannedTag TTagScanner::NextNodeTagInText() {
  const size_t start = m_pos;
  TScannedTag tag;
  for (bool first = true; first || (!m_short && !tag.Text.empty() && tag.Text.front() == '!'); first = false) {
    if (!first) {
      // A comment or another "!" tag is passed over: only what a scan sets is reset (the whole tag is large).
      tag.Text = {};
      tag.HasContent = tag.IsCData = tag.Broken = false;
      tag.ElementText = {};
      tag.BuiltText.clear();
    }
    m_tagStart = std::string_view::npos;
    ScanTag(tag);
  }
  if (m_tagStart == std::string_view::npos) {
    tag.Kind = TTagKind::End;
    return tag;
  }
  if (tag.Text.empty()) {
    tag.Broken = true;  // "<>"
  }
  tag.Kind = !tag.Text.empty() && tag.Text.front() == '/' ? TTagKind::Close : TTagKind::Element;
  tag.Raw = m_text.substr(start, m_pos - start);
  tag.TagStart = m_tagStart - start;
  tag.TagEnd = m_tagEnd - start;
  return tag;
}

void TTagScanner::ScanTag(TScannedTag& tag) {
  const size_t open = m_text.find('<', m_pos);
  if (open == std::string_view::npos) {
    if (!NeedMore()) {
      m_pos = m_text.size();
    }
    return;
  }
  // A "<" before the ">" cuts the tag off there (a lost ">"): the next tag starts at it. Comments, CDATA sections
  // and declarations ("<!") may hold a "<".
  const bool bang = m_text.size() > open + 1 && m_text[open + 1] == '!';
  size_t close = bang ? m_text.find('>', open + 1) : FindTagEnd(m_text, open + 1);
  if (close != std::string_view::npos && m_text[close] == '<') {
    m_pos = close;
    m_tagStart = open;
    m_tagEnd = close;
    tag.Text = Trim(m_text.substr(open + 1, close - open - 1));
    tag.Broken = true;
    return;
  }
  if (close == std::string_view::npos) {
    if (NeedMore()) {
      return;
    }
    m_unterminated = true;
    close = m_text.size();
    m_pos = close;
  } else {
    m_pos = close + 1;
  }
  m_tagStart = open;
  m_tagEnd = m_pos;
  std::string_view text = Trim(m_text.substr(open + 1, close - open - 1));
  if (!text.empty() && text.back() == '?') {
    text.remove_suffix(1);
    tag.Text = Trim(text);
    tag.HasContent = true;
    return;
  }
  if (text.starts_with("!--")) {
    tag.Text = text;
    if (!text.ends_with("--")) {
      SkipCommentRest();
    }
    return;
  }
  if (!text.empty() && text.back() == '/') {
    text.remove_suffix(1);
    tag.Text = Trim(text);
    return;
  }
  tag.Text = text;
  // Text after a closing tag is read over too, but never kept.
  ReadElementText(tag, text.empty() || text.front() != '/');
  tag.HasContent = true;
}

void TTagScanner::SkipCommentRest() {
  const size_t end = m_text.find("-->", m_pos);
  if (end == std::string_view::npos) {
    if (NeedMore()) {
      return;
    }
    m_unterminated = true;
    m_pos = m_text.size();
  } else {
    m_pos = end + 3;
  }
}

void TTagScanner::ReadElementText(TScannedTag& tag, bool keep) {
  size_t runStart = m_pos;
  std::string built;
  for (;;) {
    const size_t lt = m_text.find('<', m_pos);
    // The text may go on, or a "<" may start a CDATA section, beyond what has been read.
    if ((lt == std::string_view::npos || m_text.size() - lt <= kCDataStart.size()) && NeedMore()) {
      return;
    }
    // Almost every "<" after a text starts a tag: one byte tells.
    const bool cdata = lt != std::string_view::npos && lt + 1 < m_text.size() && m_text[lt + 1] == '!' &&
                       m_text.substr(lt + 1, kCDataStart.size()) == kCDataStart;
    if (!cdata) {
      m_pos = lt == std::string_view::npos ? m_text.size() : lt;  // the "<" is left for the next tag
      if (!tag.IsCData) {
        tag.ElementText = m_text.substr(runStart, m_pos - runStart);  // plain text: no copy
        return;
      }
      if (keep) {
        built.append(m_text.substr(runStart, m_pos - runStart));
      }
      break;
    }
    tag.IsCData = true;
    const size_t contentStart = lt + 1 + kCDataStart.size();
    const size_t sectionEnd = m_text.find("]]>", contentStart);
    if (sectionEnd == std::string_view::npos && NeedMore()) {
      return;
    }
    const size_t contentEnd = sectionEnd == std::string_view::npos ? m_text.size() : sectionEnd;
    if (keep) {
      built.append(m_text.substr(runStart, lt - runStart));
      built.append(m_text.substr(contentStart, contentEnd - contentStart));
    }
    m_pos = sectionEnd == std::string_view::npos ? m_text.size() : sectionEnd + 3;
    runStart = m_pos;
  }
  tag.BuiltText = std::move(built);
}

std::string_view ElementName(std::string_view tagText) {
  size_t end = 0;
  while (end < tagText.size() && !IsSeparator(tagText[end])) {
    ++end;
  }
  return Trim(tagText.substr(0, end));
}

std::string DeclaredEncoding(std::string_view text) {
  TTagScanner scanner(text);
  return DeclaredEncoding(scanner);
}

std::string DeclaredEncoding(TTagScanner& scanner) {
  const TScannedTag tag = scanner.NextNodeTag();
  if (tag.Kind != TTagKind::Element || !tag.Text.starts_with("?")) {
    return {};
  }
  const std::string_view name = ElementName(tag.Text);
  std::string_view attributes = tag.Text.substr(name.size());
  if (!attributes.empty() && attributes.back() == '?') {
    attributes.remove_suffix(1);
  }
  return EncodingAttribute(attributes);
}

std::string DecodeValue(const TScannedTag& tag) {
  const std::string_view text = tag.Value();
  const char* const begin = text.data();
  const char* const end = begin + text.size();
  const char* const first = FindAmpersand(begin, end);
  if (first == end) {
    return std::string(text);
  }
  // Values stay in memory for the whole run: the result is sized exactly, which costs a second look at the "&"s.
  size_t size = text.size();
  for (const char* next = first; next != end; next = FindAmpersand(next + 1, end)) {
    const size_t length = ReferenceAt(std::string_view(next, static_cast<size_t>(end - next))).Length;
    size -= length > 0 ? length - 1 : 0;
  }
  std::string value;
  value.reserve(size);
  const char* pos = begin;
  for (const char* next = first; next != end; next = FindAmpersand(pos, end)) {
    value.append(pos, next);
    const TReference reference = ReferenceAt(std::string_view(next, static_cast<size_t>(end - next)));
    value += reference.Length > 0 ? reference.Character : '&';
    pos = next + std::max<size_t>(reference.Length, 1);
  }
  value.append(pos, end);
  return value;
}

}  // namespace tidewick
