#include "shell/item_fold.h"

#include <array>

#include "util/case_fold.h"
#include "util/html_text.h"

namespace tidewick {
namespace {

constexpr char32_t kTableStart = 0x80;
constexpr char32_t kTableEnd = 0x800;  // the last two-byte character + 1

std::string EncodeTwoBytes(char32_t code) {
  return {static_cast<char>(0xC0 | (code >> 6)), static_cast<char>(0x80 | (code & 0x3F))};
}

// The folded form of every two-byte character, made by FoldCase itself.
const std::array<std::string, kTableEnd - kTableStart>& TwoByteFolds() {
  static const auto table = [] {
    std::array<std::string, kTableEnd - kTableStart> folds;
    for (char32_t code = kTableStart; code < kTableEnd; ++code) {
      folds[code - kTableStart] = FoldCase(EncodeTwoBytes(code));
    }
    return folds;
  }();
  return table;
}

// Markup marks as HtmlToText knows them.
constexpr std::string_view kMarkupTags[] = {"<a ",   "<p>",  "<p ",  "<b>",     "<i>",     "<u>",    "<img ",
                                            "<span", "<pre", "<div", "<center", "<strong", "<table", "<blockquote"};

bool StartsWithAt(std::string_view text, size_t at, std::string_view lowerPrefix) {
  if (text.size() - at < lowerPrefix.size()) {
    return false;
  }
  for (size_t i = 0; i < lowerPrefix.size(); ++i) {
    if (AsciiLower(text[at + i]) != lowerPrefix[i]) {
      return false;
    }
  }
  return true;
}

bool HasBreakTag(std::string_view text) {
  for (size_t at = text.find('<'); at != std::string_view::npos; at = text.find('<', at + 1)) {
    if (StartsWithAt(text, at, "<br")) {
      return true;
    }
  }
  return false;
}

bool LooksLikeMarkup(std::string_view text) {
  for (size_t at = text.find('<'); at != std::string_view::npos; at = text.find('<', at + 1)) {
    for (const std::string_view tag : kMarkupTags) {
      if (StartsWithAt(text, at, tag)) {
        return true;
      }
    }
  }
  return false;
}

}  // namespace

std::string FoldForList(std::string_view utf8) {
  const auto& folds = TwoByteFolds();
  std::string out;
  out.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size(); ++i) {
    const auto byte = static_cast<unsigned char>(utf8[i]);
    if (byte < 0x80) {
      out += AsciiLower(static_cast<char>(byte));
      continue;
    }
    const auto next = i + 1 < utf8.size() ? static_cast<unsigned char>(utf8[i + 1]) : 0u;
    if (byte < 0xC2 || byte > 0xDF || (next & 0xC0) != 0x80) {
      return FoldCase(utf8);  // longer characters and stray bytes: the general path
    }
    out += folds[(((byte & 0x1Fu) << 6) | (next & 0x3Fu)) - kTableStart];
    ++i;
  }
  return out;
}

std::string SearchableText(std::string_view html) {
  // Line-break tags change the text in ways only HtmlToText knows; they are rare in titles and summaries.
  if (HasBreakTag(html)) {
    return FoldForList(HtmlToText(html));
  }
  if (html.find('<') == std::string_view::npos && html.find('>') == std::string_view::npos) {
    return FoldForList(html);
  }
  if (!LooksLikeMarkup(html)) {
    return FoldForList(html);
  }
  // HtmlToText's stripping: every tag goes (an unclosed one to the end), and so does a stray ">".
  std::string text;
  text.reserve(html.size());
  bool inTag = false;
  for (const char c : html) {
    if (c == '<' || c == '>') {
      inTag = c == '<';
    } else if (!inTag) {
      text += c;
    }
  }
  return FoldForList(text);
}

}  // namespace tidewick
