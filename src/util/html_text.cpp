// Character references and HTML-to-text conversion for feed texts.

#include "util/html_text.h"

#include <algorithm>
#include <cstring>
#include <iterator>

#include "util/case_fold.h"
#include "util/html_entities.h"
#include "util/utf8.h"

namespace tidewick {

namespace {

// The named rows of the classic table below 160; 160-255 carry the HTML 4 Latin-1 names.
struct TClassicName {
  std::string_view Name;
  int Numeric;  // 0: the byte value itself
  unsigned char Byte;
};

constexpr TClassicName kClassicNames[] = {
    {"quot", 0, 34},       {"amp", 0, 38},        {"apos", 0, 39},       {"lt", 0, 60},         {"gt", 0, 62},
    {"euro", 8364, 128},   {"sbquo", 8218, 130},  {"bdquo", 8222, 132},  {"hellip", 8230, 133}, {"dagger", 8224, 134},
    {"Dagger", 8225, 135}, {"permil", 8240, 137}, {"lsaquo", 8249, 139}, {"OElig", 0, 140},     {"lsquo", 8216, 145},
    {"rsquo", 8217, 146},  {"ldquo", 8220, 147},  {"rdquo", 8221, 148},  {"bull", 8226, 149},   {"ndash", 8211, 150},
    {"mdash", 8212, 151},  {"trade", 8482, 153},  {"rsaquo", 8250, 155}, {"oelig", 0, 156},     {"Yuml", 0, 159},
};

std::string Reference(std::string_view prefix, std::string_view body) {
  std::string text(prefix);
  text.append(body).push_back(';');
  return text;
}

TEntityTable MakeEntityTable() {
  TEntityTable table;
  for (int byte = 0; byte < 256; ++byte) {
    TEntityRow& row = table[byte];
    row.Character = Windows1252ToCodePoint(static_cast<unsigned char>(byte));
    row.Numeric = Reference("&#", std::to_string(byte));
    if (byte >= 160) {
      row.Named = Reference("&", Latin1EntityNames()[byte - 160]);
    }
  }
  for (const TClassicName& name : kClassicNames) {
    TEntityRow& row = table[name.Byte];
    row.Named = Reference("&", name.Name);
    if (name.Numeric != 0) {
      row.Numeric = Reference("&#", std::to_string(name.Numeric));
    }
  }
  return table;
}

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') {
    return c - '0';
  }
  if (c >= 'a' && c <= 'f') {
    return c - 'a' + 10;
  }
  if (c >= 'A' && c <= 'F') {
    return c - 'A' + 10;
  }
  return -1;
}

// The code point of "#65" or "#x41" (without "&" and ";"); 0 when the digits are bad or name no character.
char32_t NumericReference(std::string_view body) {
  const bool hex = body.size() >= 2 && (body[1] == 'x' || body[1] == 'X');
  const std::string_view digits = body.substr(hex ? 2 : 1);
  if (digits.empty()) {
    return 0;
  }
  const int base = hex ? 16 : 10;
  char32_t value = 0;
  for (const char c : digits) {
    const int digit = hex ? HexDigitValue(c) : (c >= '0' && c <= '9' ? c - '0' : -1);
    if (digit < 0) {
      return 0;
    }
    value = value * base + static_cast<char32_t>(digit);
    if (value > 0x10FFFF) {
      return 0;
    }
  }
  if (value >= 0xD800 && value <= 0xDFFF) {
    return 0;
  }
  // 128-159 name the Windows-1252 characters, as browsers read them.
  return value >= 0x80 && value <= 0x9F ? Windows1252ToCodePoint(static_cast<unsigned char>(value)) : value;
}

// Appends the character(s) of one reference body; false (and nothing appended) when it names none.
bool AppendReference(std::string& out, std::string_view body) {
  if (body.empty()) {
    return false;
  }
  if (body.front() == '#') {
    const char32_t codePoint = NumericReference(body);
    if (codePoint == 0) {
      return false;
    }
    AppendUtf8(out, codePoint);
    return true;
  }
  const std::string_view text = FindHtmlEntity(body);
  out.append(text);
  return !text.empty();
}

// Every occurrence of the lower-case ASCII `from` (ignoring case) replaced by `to`, left to right.
std::string ReplaceIgnoringCase(std::string_view text, std::string_view from, std::string_view to) {
  std::string out;
  out.reserve(text.size());
  std::size_t pos = 0;
  // `from` begins with "<" or CR, neither of which has a case, so runs up to it are copied whole.
  for (std::size_t found = text.find(from.front()); found != std::string_view::npos;
       found = text.find(from.front(), found + 1)) {
    if (found >= pos && StartsWithAsciiIgnoringCase(text, found, from)) {
      out.append(text.substr(pos, found - pos)).append(to);
      pos = found + from.size();
    }
  }
  out.append(text.substr(pos));
  return out;
}

// Whether `text` contains the lower-case ASCII `needle`, which begins with "<", ignoring case.
bool ContainsTagIgnoringCase(std::string_view text, std::string_view needle) {
  for (std::size_t pos = text.find('<'); pos != std::string_view::npos; pos = text.find('<', pos + 1)) {
    if (StartsWithAsciiIgnoringCase(text, pos, needle)) {
      return true;
    }
  }
  return false;
}

bool LooksLikeMarkup(std::string_view text) {
  for (std::size_t pos = text.find('<'); pos != std::string_view::npos; pos = text.find('<', pos + 1)) {
    if (StartsMarkupTag(text, pos)) {
      return true;
    }
  }
  return false;
}

// Tags that end a line for a reader: paragraphs, divisions, list items, table rows, headings, quotes.
bool IsBlockTag(std::string_view tag) {
  if (tag.starts_with('/')) {
    tag.remove_prefix(1);
  }
  static constexpr std::string_view kBlockTags[] = {"p",     "div", "li", "tr", "h1", "h2",         "h3",
                                                    "h4",    "h5",  "h6", "ul", "ol", "blockquote", "pre",
                                                    "table", "dd",  "dt", "dl", "hr", "section",    "article"};
  const std::string_view name = tag.substr(0, tag.find_first_of(" \t\r\n/"));
  return std::any_of(std::begin(kBlockTags), std::end(kBlockTags),
                     [name](std::string_view block) { return SameAsciiIgnoringCase(name, block); });
}

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Whether a tag named `lowerName` starts at `at` ("<name" or "</name" as given, then a blank, "/", ">" or the end).
bool TagNamedAt(std::string_view text, std::size_t at, std::string_view lowerStart) {
  if (!StartsWithAsciiIgnoringCase(text, at, lowerStart)) {
    return false;
  }
  const std::size_t next = at + lowerStart.size();
  return next == text.size() || IsBlank(text[next]) || text[next] == '/' || text[next] == '>' || text[next] == '\f';
}

// The position after the ">" that ends the tag at `at`; the end of the text when none does.
std::size_t TagEnd(std::string_view text, std::size_t at) {
  const std::size_t close = text.find('>', at);
  return close == std::string_view::npos ? text.size() : close + 1;
}

// Elements whose content is no text for a reader. Script, style, noscript and iframe content is raw text up to the
// first end tag; objects and templates hold markup and may nest.
struct TSkippedElement {
  std::string_view Start;  // "<name"
  std::string_view End;    // "</name"
  bool Nests;
};
constexpr TSkippedElement kSkippedElements[] = {
    {"<script", "</script", false}, {"<style", "</style", false},  {"<noscript", "</noscript", false},
    {"<iframe", "</iframe", false}, {"<object", "</object", true}, {"<template", "</template", true},
};

// Drops every tag, an unclosed one to the end, and any stray ">". With breakBlocks, text on both sides of a block tag
// is set on lines of its own, and the blanks around such a boundary (the source's indentation) go.
std::string StripMarkup(std::string_view text, bool breakBlocks) {
  std::string out;
  out.reserve(text.size());
  bool pendingBreak = false;
  auto appendRun = [&](std::string_view run) {
    if (pendingBreak) {
      const std::size_t first = std::find_if_not(run.begin(), run.end(), IsBlank) - run.begin();
      if (first == run.size()) {
        return;  // only the layout between two tags
      }
      while (!out.empty() && IsBlank(out.back())) {
        out.pop_back();
      }
      if (!out.empty()) {
        out += "\r\n";
      }
      run.remove_prefix(first);
      pendingBreak = false;
    }
    out.append(run);
  };
  std::size_t runStart = 0;
  bool inTag = false;
  for (std::size_t pos = 0; pos < text.size(); ++pos) {
    const char c = text[pos];
    if (c != '<' && c != '>') {
      continue;
    }
    if (!inTag) {
      appendRun(text.substr(runStart, pos - runStart));
      if (const std::size_t skippedEnd = c == '<' ? SkippedElementEnd(text, pos) : std::string_view::npos;
          skippedEnd != std::string_view::npos) {
        runStart = skippedEnd;
        pos = skippedEnd - 1;
        continue;
      }
    } else if (breakBlocks && c == '>' && IsBlockTag(text.substr(runStart, pos - runStart))) {
      pendingBreak = true;
    }
    inTag = c == '<';
    runStart = pos + 1;
  }
  if (!inTag) {
    appendRun(text.substr(runStart));
  }
  return out;
}

// Runs of three or more line breaks (CR LF) shrink to two, leaving at most one blank line.
std::string ShrinkBlankLines(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t breaks = 0;
    while (text.substr(pos + breaks * 2, 2) == "\r\n") {
      ++breaks;
    }
    if (breaks == 0) {
      out.push_back(text[pos++]);
      continue;
    }
    out.append(breaks >= 2 ? "\r\n\r\n" : "\r\n");
    pos += breaks * 2;
  }
  return out;
}

}  // namespace

bool StartsMarkupTag(std::string_view text, std::size_t at) {
  // Tags whose presence marks a text as HTML rather than plain text that happens to contain "<".
  static constexpr std::string_view kMarkupTags[] = {"<a ",     "<p>",     "<p ",    "<b>",        "<i>",
                                                     "<u>",     "<img ",   "<span",  "<pre",       "<div",
                                                     "<center", "<strong", "<table", "<blockquote"};
  return std::any_of(std::begin(kMarkupTags), std::end(kMarkupTags),
                     [&](std::string_view tag) { return StartsWithAsciiIgnoringCase(text, at, tag); });
}

const TEntityTable& EntityTable() {
  static const TEntityTable table = MakeEntityTable();
  return table;
}

void BuildEntityTable() {
  EntityTable();
}

std::string EntityToText(std::string_view body) {
  std::string text;
  AppendReference(text, body);
  return text;
}

std::size_t SkippedElementEnd(std::string_view text, std::size_t at) {
  const auto* element = std::find_if(std::begin(kSkippedElements), std::end(kSkippedElements),
                                     [&](const TSkippedElement& e) { return TagNamedAt(text, at, e.Start); });
  if (element == std::end(kSkippedElements)) {
    return std::string_view::npos;
  }
  int depth = 1;
  for (std::size_t pos = text.find('<', TagEnd(text, at)); pos != std::string_view::npos;
       pos = text.find('<', pos + 1)) {
    if (TagNamedAt(text, pos, element->End) && --depth == 0) {
      return TagEnd(text, pos);
    }
    if (element->Nests && TagNamedAt(text, pos, element->Start)) {
      ++depth;
    }
  }
  return text.size();
}

std::string DecodeEntities(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  std::size_t pos = 0;
  while (pos < text.size()) {
    const void* found = std::memchr(text.data() + pos, '&', text.size() - pos);
    if (found == nullptr) {
      out.append(text.substr(pos));
      break;
    }
    const auto amp = static_cast<std::size_t>(static_cast<const char*>(found) - text.data());
    out.append(text.substr(pos, amp - pos));
    // The ";" must come within the length of the longest name, which keeps the scan linear.
    const std::string_view window = text.substr(amp + 1, kLongestEntityName + 1);
    const std::size_t semicolon = window.find(';');
    if (semicolon != std::string_view::npos && AppendReference(out, window.substr(0, semicolon))) {
      pos = amp + semicolon + 2;
    } else {
      out.push_back('&');
      pos = amp + 1;
    }
  }
  return out;
}

namespace {

std::string ConvertHtmlToText(std::string_view text, bool breakBlocks) {
  std::string result(text);
  if (ContainsTagIgnoringCase(result, "<br")) {
    // A <br> next to a line break already in the text makes one line break, not two.
    static constexpr std::string_view kBreakForms[] = {"\r\n<br>",   "\r\n<br />", "<br>\r\n",
                                                       "<br />\r\n", "<br>",       "<br />"};
    for (const std::string_view form : kBreakForms) {
      result = ReplaceIgnoringCase(result, form, "\r\n");
    }
  }
  if (LooksLikeMarkup(result)) {
    result = StripMarkup(result, breakBlocks);
  }
  if (result.find("\r\n\r\n\r\n") != std::string::npos) {
    result = ShrinkBlankLines(result);
  }
  return result;
}

}  // namespace

std::string HtmlToText(std::string_view text) {
  return ConvertHtmlToText(text, false);
}

std::string HtmlToDisplayText(std::string_view text) {
  return ConvertHtmlToText(text, true);
}

}  // namespace tidewick
