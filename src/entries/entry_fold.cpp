#include "entries/entry_fold.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <optional>

#include "util/case_fold.h"
#include "util/html_text.h"

namespace tidewick {
namespace {

constexpr char32_t kTableStart = 0x80;
constexpr char32_t kTableEnd = 0x800;  // the last two-byte character + 1

std::string EncodeTwoBytes(char32_t code) {
  return {static_cast<char>(0xC0 | (code >> 6)), static_cast<char>(0x80 | (code & 0x3F))};
}

// The folded form of one two-byte character, kept inline so folding appends bytes without touching the heap.
struct TShortFold {
  std::array<char, 8> Bytes{};
  uint8_t Size = 0;  // kLongFold: longer than Bytes, take the general path
};
constexpr uint8_t kLongFold = 0xFF;

// The folded form of every two-byte character, made by FoldCase itself.
const std::array<TShortFold, kTableEnd - kTableStart>& TwoByteFolds() {
  static const auto table = [] {
    std::array<TShortFold, kTableEnd - kTableStart> folds;
    for (char32_t code = kTableStart; code < kTableEnd; ++code) {
      const std::string folded = FoldCase(EncodeTwoBytes(code));
      TShortFold& fold = folds[code - kTableStart];
      if (folded.size() > fold.Bytes.size()) {
        fold.Size = kLongFold;
        continue;
      }
      std::copy(folded.begin(), folded.end(), fold.Bytes.begin());
      fold.Size = static_cast<uint8_t>(folded.size());
    }
    return folds;
  }();
  return table;
}

// What a "<" starts, as HtmlToText sees it: a line break (which only HtmlToText itself converts), markup it knows
// (then every tag of the text is stripped), or neither (a lone "<" in plain text).
enum class TTagKind { LineBreak, Markup, Other };

TTagKind TagKindAt(std::string_view text, size_t at) {
  if (StartsWithAsciiIgnoringCase(text, at, "<br")) {
    return TTagKind::LineBreak;
  }
  return StartsMarkupTag(text, at) ? TTagKind::Markup : TTagKind::Other;
}

// What the tags of a text ask of the search: HtmlToText's own conversion (line breaks), stripping the tags, or
// nothing.
enum class TTagHandling { AsText, Strip, Convert };

TTagHandling TagHandlingOf(std::string_view text) {
  TTagHandling handling = TTagHandling::AsText;
  for (size_t at = text.find('<'); at != std::string_view::npos; at = text.find('<', at + 1)) {
    const TTagKind kind = TagKindAt(text, at);
    if (kind == TTagKind::LineBreak) {
      return TTagHandling::Convert;
    }
    if (kind == TTagKind::Markup) {
      handling = TTagHandling::Strip;
    }
  }
  return handling;
}

// HtmlToText's stripping: every tag goes (an unclosed one to the end), and so does a stray ">"; scripts, styles and
// the like go with their content.
std::string WithoutTags(std::string_view html) {
  std::string text;
  text.reserve(html.size());
  bool inTag = false;
  for (size_t at = 0; at < html.size(); ++at) {
    const char c = html[at];
    if (c == '<' && !inTag) {
      if (const size_t skippedEnd = SkippedElementEnd(html, at); skippedEnd != std::string_view::npos) {
        at = skippedEnd - 1;
        continue;
      }
    }
    if (c == '<' || c == '>') {
      inTag = c == '<';
    } else if (!inTag) {
      text += c;
    }
  }
  return text;
}

// ASCII lower case as a table, for the loop that runs once per byte of every searched text.
constexpr std::array<char, 128> kAsciiLower = [] {
  std::array<char, 128> table{};
  for (size_t c = 0; c < table.size(); ++c) {
    table[c] = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  }
  return table;
}();

// The most bytes TryFoldFast writes per byte read: a two-byte character folds to at most TShortFold's room.
constexpr size_t kMaxFoldGrowth = 4;

// What one fast pass made of a text.
struct TFastFold {
  enum class TOutcome { Folded, LineBreak, General } Outcome = TOutcome::Folded;
  size_t Size = 0;         // bytes written, when Folded
  bool Stripped = false;   // some "<" or ">" was left out
  bool SawMarkup = false;  // some "<" starts markup HtmlToText knows
};

// Folds html into out (room for kMaxFoldGrowth bytes per byte of html) in one pass, leaving out the tags when asked,
// and on the way classifies every "<" as TagHandlingOf does. It gives up on a line break (only HtmlToText converts
// those) and on a character that needs the general folding.
TFastFold TryFoldFast(char* out, std::string_view html, bool strip) {
  const auto& folds = TwoByteFolds();
  TFastFold result;
  char* o = out;
  const char* const begin = html.data();
  const char* p = begin;
  const char* const end = p + html.size();
  // Classifies the "<" at q; false when it starts a line break.
  auto classify = [&](const char* q) {
    const auto at = static_cast<size_t>(q - begin);
    if (result.SawMarkup) {
      return !StartsWithAsciiIgnoringCase(html, at, "<br");  // markup is settled: only a line break still matters
    }
    const TTagKind kind = TagKindAt(html, at);
    result.SawMarkup = kind == TTagKind::Markup;
    return kind != TTagKind::LineBreak;
  };
  while (p < end) {
    const auto byte = static_cast<unsigned char>(*p);
    if (byte < 0x80) {
      if (byte == '<' && !classify(p)) {
        result.Outcome = TFastFold::TOutcome::LineBreak;
        return result;
      }
      if (strip && (byte == '<' || byte == '>')) {
        // A tag runs to its ">" (a "<" inside it changes nothing), an unclosed one to the end; a stray ">" goes.
        result.Stripped = true;
        if (const size_t skippedEnd =
                byte == '<' ? SkippedElementEnd(html, static_cast<size_t>(p - begin)) : std::string_view::npos;
            skippedEnd != std::string_view::npos) {
          // A script or the like goes whole; its "<" still count, as HtmlToText looks at the whole text.
          for (const char* const skippedStop = begin + skippedEnd; ++p < skippedStop;) {
            if (*p == '<' && !classify(p)) {
              result.Outcome = TFastFold::TOutcome::LineBreak;
              return result;
            }
          }
          continue;
        }
        if (byte == '<') {
          for (++p; p < end && *p != '>'; ++p) {
            if (*p == '<' && !classify(p)) {
              result.Outcome = TFastFold::TOutcome::LineBreak;
              return result;
            }
          }
        }
        p = p < end ? p + 1 : end;
        continue;
      }
      *o++ = kAsciiLower[byte];
      ++p;
      continue;
    }
    const auto next = p + 1 < end ? static_cast<unsigned char>(p[1]) : 0u;
    if (byte < 0xC2 || byte > 0xDF || (next & 0xC0) != 0x80) {
      result.Outcome = TFastFold::TOutcome::General;
      return result;
    }
    const TShortFold& fold = folds[(((byte & 0x1Fu) << 6) | (next & 0x3Fu)) - kTableStart];
    if (fold.Size == kLongFold) {
      result.Outcome = TFastFold::TOutcome::General;
      return result;
    }
    std::memcpy(o, fold.Bytes.data(), fold.Size);
    o += fold.Size;
    p += 2;
  }
  result.Size = static_cast<size_t>(o - out);
  return result;
}

}  // namespace

void AppendFoldedForList(std::string& out, std::string_view utf8) {
  const auto& folds = TwoByteFolds();
  const size_t start = out.size();
  for (size_t i = 0; i < utf8.size(); ++i) {
    const auto byte = static_cast<unsigned char>(utf8[i]);
    if (byte < 0x80) {
      out += AsciiLower(static_cast<char>(byte));
      continue;
    }
    const auto next = i + 1 < utf8.size() ? static_cast<unsigned char>(utf8[i + 1]) : 0u;
    const TShortFold* fold = nullptr;
    if (byte >= 0xC2 && byte <= 0xDF && (next & 0xC0) == 0x80) {
      fold = &folds[(((byte & 0x1Fu) << 6) | (next & 0x3Fu)) - kTableStart];
    }
    if (fold == nullptr || fold->Size == kLongFold) {
      out.resize(start);
      out += FoldCase(utf8);  // longer characters and stray bytes: the general path
      return;
    }
    out.append(fold->Bytes.data(), fold->Size);
    ++i;
  }
}

std::string FoldForList(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  AppendFoldedForList(out, utf8);
  return out;
}

std::string_view SearchableTextInto(std::string& buffer, std::string_view html) {
  if (buffer.size() < html.size() * kMaxFoldGrowth) {
    buffer.resize(html.size() * kMaxFoldGrowth);  // only ever grows, so a long search fills it rarely
  }
  // Tags go when the text holds markup HtmlToText knows; a text with a lone "<" and nothing else is folded again
  // with its "<" kept (rare).
  TFastFold fast = TryFoldFast(buffer.data(), html, true);
  if (fast.Outcome == TFastFold::TOutcome::Folded && fast.Stripped && !fast.SawMarkup) {
    fast = TryFoldFast(buffer.data(), html, false);
  }
  if (fast.Outcome == TFastFold::TOutcome::Folded) {
    return std::string_view(buffer).substr(0, fast.Size);
  }
  const TTagHandling handling = TagHandlingOf(html);
  // Line-break tags change the text in ways only HtmlToText knows; they are rare in titles and summaries.
  if (handling == TTagHandling::Convert) {
    buffer = FoldForList(HtmlToText(html));
  } else {
    buffer = FoldCase(handling == TTagHandling::Strip ? WithoutTags(html) : std::string(html));
  }
  return buffer;
}

std::string SearchableText(std::string_view html) {
  std::string buffer;
  return std::string(SearchableTextInto(buffer, html));
}

}  // namespace tidewick
