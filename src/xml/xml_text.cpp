#include "xml/xml_text.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "util/case_fold.h"
#include "util/charset.h"
#include "util/utf8.h"

namespace tidewick {

namespace {

// The Latin-1 character entities of HTML 4.01, one per code from 160 to 255.
constexpr std::array<std::string_view, 96> kLatin1EntityNames = {
    "nbsp",   "iexcl",  "cent",   "pound",  "curren", "yen",    "brvbar", "sect",   "uml",    "copy",   "ordf",
    "laquo",  "not",    "shy",    "reg",    "macr",   "deg",    "plusmn", "sup2",   "sup3",   "acute",  "micro",
    "para",   "middot", "cedil",  "sup1",   "ordm",   "raquo",  "frac14", "frac12", "frac34", "iquest", "Agrave",
    "Aacute", "Acirc",  "Atilde", "Auml",   "Aring",  "AElig",  "Ccedil", "Egrave", "Eacute", "Ecirc",  "Euml",
    "Igrave", "Iacute", "Icirc",  "Iuml",   "ETH",    "Ntilde", "Ograve", "Oacute", "Ocirc",  "Otilde", "Ouml",
    "times",  "Oslash", "Ugrave", "Uacute", "Ucirc",  "Uuml",   "Yacute", "THORN",  "szlig",  "agrave", "aacute",
    "acirc",  "atilde", "auml",   "aring",  "aelig",  "ccedil", "egrave", "eacute", "ecirc",  "euml",   "igrave",
    "iacute", "icirc",  "iuml",   "eth",    "ntilde", "ograve", "oacute", "ocirc",  "otilde", "ouml",   "divide",
    "oslash", "ugrave", "uacute", "ucirc",  "uuml",   "yacute", "thorn",  "yuml"};

// Longest reference body we look at ("#x0010FFFF" with a few leading zeros to spare).
constexpr std::size_t kMaxReferenceLength = 32;

// Writes the UTF-8 form of a valid code point (never a surrogate, never beyond U+10FFFF).
char* WriteUtf8(char* out, char32_t codePoint) {
  if (codePoint < 0x80) {
    *out++ = static_cast<char>(codePoint);
  } else if (codePoint < 0x800) {
    *out++ = static_cast<char>(0xC0 | (codePoint >> 6));
    *out++ = static_cast<char>(0x80 | (codePoint & 0x3F));
  } else if (codePoint < 0x10000) {
    *out++ = static_cast<char>(0xE0 | (codePoint >> 12));
    *out++ = static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
    *out++ = static_cast<char>(0x80 | (codePoint & 0x3F));
  } else {
    *out++ = static_cast<char>(0xF0 | (codePoint >> 18));
    *out++ = static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
    *out++ = static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
    *out++ = static_cast<char>(0x80 | (codePoint & 0x3F));
  }
  return out;
}

bool ParseNumber(std::string_view digits, int base, char32_t& value) {
  if (digits.empty()) {
    return false;
  }
  uint32_t result = 0;
  for (const char c : digits) {
    int digit;
    if (c >= '0' && c <= '9') {
      digit = c - '0';
    } else if (base == 16 && c >= 'a' && c <= 'f') {
      digit = c - 'a' + 10;
    } else if (base == 16 && c >= 'A' && c <= 'F') {
      digit = c - 'A' + 10;
    } else {
      return false;
    }
    result = result * static_cast<uint32_t>(base) + static_cast<uint32_t>(digit);
    if (result > 0x10FFFF) {
      return false;
    }
  }
  if (result == 0 || (result >= 0xD800 && result <= 0xDFFF)) {
    return false;
  }
  value = result;
  return true;
}

bool ResolveNamed(std::string_view name, bool latin1, char32_t& value) {
  static constexpr std::array<std::pair<std::string_view, char32_t>, 5> kPredefined = {
      {{"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}}};
  for (const auto& [entity, code] : kPredefined) {
    if (name == entity) {
      value = code;
      return true;
    }
  }
  if (!latin1) {
    return false;
  }
  if (name == "hibar") {
    value = 175;
    return true;
  }
  if (name == "Dstrok") {
    value = 208;
    return true;
  }
  const auto found = std::find(kLatin1EntityNames.begin(), kLatin1EntityNames.end(), name);
  if (found == kLatin1EntityNames.end()) {
    return false;
  }
  value = 160 + static_cast<char32_t>(found - kLatin1EntityNames.begin());
  return true;
}

// The character a reference body (the text between "&" and ";") stands for; false when it is no valid reference.
bool ResolveReference(std::string_view body, bool latin1, char32_t& value) {
  if (body.empty()) {
    return false;
  }
  if (body[0] == '#') {
    const bool hex = body.size() > 1 && (body[1] == 'x' || body[1] == 'X');
    if (!ParseNumber(body.substr(hex ? 2 : 1), hex ? 16 : 10, value)) {
      return false;
    }
  } else if (!ResolveNamed(body, latin1, value)) {
    return false;
  }
  if (latin1 && value == 160) {
    value = ' ';  // a non-breaking space reads as a plain one in Latin-1 documents
  }
  return true;
}

enum : uint8_t { kEscape = 1, kBeyondLatin1 = 2 };

constexpr std::array<uint8_t, 256> MakeEscapeTable() {
  std::array<uint8_t, 256> table{};
  table['&'] = table['<'] = table['>'] = table['"'] = kEscape;
  for (int byte = 0; byte < 0x20; ++byte) {
    table[byte] = kEscape;  // a control XML may forbid
  }
  for (int byte = 0xC4; byte < 0x100; ++byte) {
    table[byte] = kBeyondLatin1;  // lead bytes of characters above U+00FF
  }
  table[0xED] = table[0xEF] = kEscape | kBeyondLatin1;  // may start a surrogate, U+FFFE or U+FFFF
  return table;
}

constexpr std::array<uint8_t, 256> kEscapeTable = MakeEscapeTable();

}  // namespace

std::size_t DecodeTextInto(char* dest, std::string_view text, bool latin1) {
  const char* const data = text.data();
  char* out = dest;
  std::size_t runStart = 0;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const void* amp = std::memchr(data + pos, '&', text.size() - pos);
    if (amp == nullptr) {
      break;
    }
    const std::size_t ampPos = static_cast<std::size_t>(static_cast<const char*>(amp) - data);
    const std::size_t limit = std::min(text.size(), ampPos + 2 + kMaxReferenceLength);
    const void* semi = std::memchr(data + ampPos + 1, ';', limit - ampPos - 1);
    char32_t value = 0;
    if (semi != nullptr) {
      const std::size_t semiPos = static_cast<std::size_t>(static_cast<const char*>(semi) - data);
      if (ResolveReference(text.substr(ampPos + 1, semiPos - ampPos - 1), latin1, value)) {
        std::memmove(out, data + runStart, ampPos - runStart);
        out += ampPos - runStart;
        out = WriteUtf8(out, value);
        runStart = pos = semiPos + 1;
        continue;
      }
    }
    pos = ampPos + 1;
  }
  if (runStart < text.size()) {
    std::memmove(out, data + runStart, text.size() - runStart);
    out += text.size() - runStart;
  }
  return static_cast<std::size_t>(out - dest);
}

void AppendDecodedText(std::string& out, std::string_view text, bool latin1) {
  const std::size_t oldSize = out.size();
  out.resize(oldSize + text.size());
  out.resize(oldSize + DecodeTextInto(out.data() + oldSize, text, latin1));
}

std::string DecodeText(std::string_view text, std::string_view encoding) {
  std::string out;
  out.reserve(text.size());
  AppendDecodedText(out, text, IsLatin1EncodingName(encoding));
  return out;
}

void AppendEncodedText(std::string& out, std::string_view text, bool latin1) {
  const uint8_t stopMask = latin1 ? (kEscape | kBeyondLatin1) : kEscape;
  std::size_t runStart = 0;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const auto byte = static_cast<unsigned char>(text[pos]);
    if ((kEscapeTable[byte] & stopMask) == 0) {
      ++pos;
      continue;
    }
    // A character XML 1.0 forbids is never written: no reader would take the file.
    if (const std::size_t forbidden = XmlForbiddenLength(text, pos); forbidden > 0) {
      out.append(text.data() + runStart, pos - runStart);
      out += "\xEF\xBF\xBD";
      pos += forbidden;
      runStart = pos;
      continue;
    }
    if (byte < 0x20 || ((byte == 0xED || byte == 0xEF) && !latin1)) {
      ++pos;  // tab, a line break, or an allowed character: part of the run
      continue;
    }
    out.append(text.data() + runStart, pos - runStart);
    if (const std::string_view entity = MarkupEntity(byte); !entity.empty()) {
      out += entity;
      ++pos;
    } else {
      // A character beyond Latin-1: its numeric reference.
      const std::size_t length = std::max<std::size_t>(1, Utf8SequenceLength(text, pos));
      char32_t codePoint = byte & (length == 2 ? 0x1F : length == 3 ? 0x0F : 0x07);
      for (std::size_t i = 1; i < length; ++i) {
        codePoint = (codePoint << 6) | (static_cast<unsigned char>(text[pos + i]) & 0x3F);
      }
      AppendNumericReference(out, codePoint);
      pos += length;
    }
    runStart = pos;
  }
  out.append(text.data() + runStart, text.size() - runStart);
}

void AppendNumericReference(std::string& out, char32_t codePoint) {
  out += "&#";
  out += std::to_string(static_cast<uint32_t>(codePoint));
  out += ';';
}

std::string EncodeText(std::string_view text, std::string_view encoding) {
  std::string out;
  out.reserve(text.size() + 16);
  AppendEncodedText(out, text, IsLatin1EncodingName(encoding));
  return out;
}

std::string FoldXmlName(std::string_view name) {
  std::string folded(name);
  for (char& c : folded) {
    if (static_cast<unsigned char>(c) >= 0x80) {
      return FoldCase(name);
    }
    c = AsciiLower(c);
  }
  return folded;
}

bool XmlNameMatches(std::string_view name, std::string_view foldedName) {
  if (name.size() == foldedName.size()) {
    std::size_t i = 0;
    while (i < name.size() && static_cast<unsigned char>(name[i]) < 0x80 && AsciiLower(name[i]) == foldedName[i]) {
      ++i;
    }
    if (i == name.size()) {
      return true;
    }
    if (static_cast<unsigned char>(name[i]) < 0x80 && static_cast<unsigned char>(foldedName[i]) < 0x80) {
      return false;
    }
  } else if (IsAscii(name)) {
    return false;
  }
  return FoldCase(name) == foldedName;
}

}  // namespace tidewick
