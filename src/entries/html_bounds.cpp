#include "entries/html_bounds.h"

#include <algorithm>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "entries/html_scanner.h"

namespace tidewick {
namespace {

// What the writer needs to know of an element.
enum TElementFlag : uint16_t {
  kVoid = 1 << 0,             // no content, no end tag
  kRawText = 1 << 1,          // its content is text up to its end tag; it goes whole
  kDroppedWhole = 1 << 2,     // goes with all it holds, nested ones of its kind included
  kIgnoredTag = 1 << 3,       // the tag goes, the content stays
  kTable = 1 << 4,            //
  kTablePart = 1 << 5,        // rows, cells and the like
  kLine = 1 << 6,             // begins a new line
  kClosesParagraph = 1 << 7,  // its start tag ends an open paragraph
  kHeading = 1 << 8,          //
  kScopeBoundary = 1 << 9,    // a search for an open element does not reach below it
  kListBoundary = 1 << 10,    // an open list item is not closed across it
};

struct TElement {
  std::string_view Name;
  uint16_t Flags;
};

constexpr uint16_t kBlock = kLine | kClosesParagraph;
constexpr uint16_t kSection = kBlock | kListBoundary;

// Sorted by name. Unknown elements have no flags.
constexpr TElement kElements[] = {
    {"address", kBlock},
    {"applet", kDroppedWhole},
    {"area", kVoid},
    {"article", kSection},
    {"aside", kBlock},
    {"base", kVoid},
    {"blockquote", kSection},
    {"body", kIgnoredTag},
    {"br", kVoid | kLine},
    {"button", kScopeBoundary | kListBoundary},
    {"caption", kTablePart | kLine | kScopeBoundary | kListBoundary},
    {"center", kSection},
    {"col", kVoid | kTablePart},
    {"colgroup", kTablePart},
    {"dd", kBlock},
    {"details", kSection},
    {"dialog", kClosesParagraph},
    {"dir", kClosesParagraph},
    {"div", kBlock},
    {"dl", kSection},
    {"dt", kBlock},
    {"embed", kIgnoredTag},
    {"fieldset", kClosesParagraph | kListBoundary},
    {"figcaption", kBlock},
    {"figure", kSection},
    {"footer", kBlock},
    {"form", kClosesParagraph | kListBoundary},
    {"frame", kIgnoredTag},
    {"frameset", kIgnoredTag},
    {"h1", kBlock | kHeading},
    {"h2", kBlock | kHeading},
    {"h3", kBlock | kHeading},
    {"h4", kBlock | kHeading},
    {"h5", kBlock | kHeading},
    {"h6", kBlock | kHeading},
    {"head", kIgnoredTag},
    {"header", kBlock},
    {"hgroup", kClosesParagraph},
    {"hr", kVoid | kBlock},
    {"html", kIgnoredTag},
    {"iframe", kRawText},
    {"img", kVoid},
    {"input", kVoid},
    {"keygen", kVoid},
    {"li", kBlock},
    {"link", kVoid},
    {"listing", kClosesParagraph},
    {"main", kBlock},
    {"marquee", kScopeBoundary},
    {"menu", kClosesParagraph | kListBoundary},
    {"meta", kVoid},
    {"nav", kBlock},
    {"noembed", kRawText},
    {"noframes", kRawText},
    {"noscript", kRawText},
    {"object", kDroppedWhole},
    {"ol", kSection},
    {"p", kBlock},
    {"param", kIgnoredTag},
    {"plaintext", kRawText},
    {"pre", kSection},
    {"script", kRawText},
    {"section", kSection},
    {"source", kVoid},
    {"style", kRawText},
    {"summary", kBlock},
    {"table", kTable | kLine | kScopeBoundary | kListBoundary},
    {"tbody", kTablePart | kLine},
    {"td", kTablePart | kScopeBoundary | kListBoundary},
    {"template", kDroppedWhole},
    {"textarea", kRawText},
    {"tfoot", kTablePart | kLine},
    {"th", kTablePart | kScopeBoundary | kListBoundary},
    {"thead", kTablePart | kLine},
    {"title", kRawText},
    {"tr", kTablePart | kLine},
    {"track", kVoid},
    {"ul", kSection},
    {"wbr", kVoid},
    {"xmp", kRawText},
};
static_assert(std::is_sorted(std::begin(kElements), std::end(kElements),
                             [](const TElement& a, const TElement& b) { return a.Name < b.Name; }));

uint16_t FlagsOf(std::string_view name) {
  const auto* found =
      std::lower_bound(std::begin(kElements), std::end(kElements), name,
                       [](const TElement& element, std::string_view key) { return element.Name < key; });
  return found != std::end(kElements) && found->Name == name ? found->Flags : 0;
}

constexpr size_t kTagWork = 16;  // what laying out an element costs, in bytes of text

bool IsSafeName(std::string_view name) {
  constexpr size_t kMaxNameLength = 64;
  if (name.empty() || name.size() > kMaxNameLength || name.front() < 'a' || name.front() > 'z') {
    return false;
  }
  return std::all_of(name.begin(), name.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_' || c == ':' || c == '.';
  });
}

void AppendEscaped(std::string& out, std::string_view text, bool attribute) {
  for (const char c : text) {
    if (c == '<') {
      out += "&lt;";
    } else if (c == '>' && attribute) {
      out += "&gt;";
    } else if (c == '"' && attribute) {
      out += "&quot;";
    } else {
      out += c;
    }
  }
}

struct TOpenElement {
  std::string Name;
  uint16_t Flags;
};

// The open elements as a browser would nest them, up to the bounds; tags beyond them are counted, not written.
class TBoundedWriter {
 public:
  TBoundedWriter(const THtmlBounds& bounds, size_t sizeHint) : m_bounds(bounds) { m_out.reserve(sizeHint); }

  void Text(std::string_view text) {
    SpendTableWork(text.size(), false);
    AppendEscaped(m_out, text, false);
    m_textSinceBreak = m_textSinceBreak || text.find_first_not_of(" \t\r\n\f") != std::string_view::npos;
  }

  void StartTag(const THtmlTag& tag, uint16_t flags) {
    const std::string& name = tag.Name;
    if (!IsSafeName(name) || (flags & kIgnoredTag) != 0) {
      return;
    }
    SpendTableWork(kTagWork, (flags & kTable) != 0);
    if (m_droppedTables > 0 && (flags & (kTable | kTablePart)) != 0) {
      Drop(name, flags);  // the rows and cells of a table beyond the bounds go with its tags
      return;
    }
    CloseImpliedBy(name, flags);
    if (!CountElement()) {
      if ((flags & kVoid) == 0) {
        Drop(name, flags);
      } else if ((flags & kLine) != 0) {
        m_out += ' ';  // a line break beyond the bounds still parts two words
      }
      return;
    }
    if ((flags & kVoid) != 0) {
      WriteStartTag(tag, flags);
      return;
    }
    if (static_cast<int>(m_open.size()) >= m_bounds.MaxDepth ||
        ((flags & kTable) != 0 && (m_tables >= m_bounds.MaxTableDepth || (m_flattened && m_tables > 0)))) {
      Drop(name, flags);
      return;
    }
    WriteStartTag(tag, flags);
    m_open.push_back({name, flags});
    m_tables += (flags & kTable) != 0 ? 1 : 0;
  }

  void EndTag(const std::string& name) {
    if (const auto dropped = m_dropped.find(name); dropped != m_dropped.end()) {
      if (--dropped->second == 0) {
        m_dropped.erase(dropped);
      }
      m_droppedTables -= name == "table" ? 1 : 0;
      return;
    }
    // Table parts are looked for within their table, anything else within the innermost table cell.
    const uint16_t flags = FlagsOf(name);
    const uint16_t boundaries = (flags & (kTable | kTablePart)) != 0 ? kTable : kScopeBoundary;
    CloseOpen(FindOpen([&](const TOpenElement& open) { return open.Name == name; }, boundaries));
  }

  std::string Finish() {
    CloseDownTo(0);
    return std::move(m_out);
  }

 private:
  // A start tag beyond the bounds: its end tag is still to come. Its text stays apart from the text before it.
  void Drop(const std::string& name, uint16_t flags) {
    ++m_dropped[name];
    m_droppedTables += (flags & kTable) != 0 ? 1 : 0;
    if (name == "td" || name == "th") {
      m_out += ' ';
    } else if (m_textSinceBreak && (flags & kLine) != 0) {
      m_out += CountElement() ? "<br>" : " ";
      m_textSinceBreak = false;
    }
  }

  // Whether one more element is within the bounds (and counts it then); inside a table, where the browser lays out
  // everything twice, an element counts twice.
  bool CountElement() {
    const int cost = m_tables > 0 ? 2 : 1;
    if (m_elements + cost > m_bounds.MaxElements) {
      return false;
    }
    m_elements += cost;
    return true;
  }

  // Counts the layout work of content inside nested tables; past the budget, the tables below the first lose their
  // tags from here on, the open ones included (closed now, their remaining tags dropped).
  void SpendTableWork(size_t bytes, bool opensTable) {
    const int tables = m_tables + (opensTable ? 1 : 0);
    if (tables < 2 || m_flattened) {
      return;
    }
    m_tableWork += bytes * ((size_t{1} << std::min(tables - 1, 24)) - 1);
    if (m_tableWork <= m_bounds.NestedTableWork) {
      return;
    }
    m_flattened = true;
    while (m_tables > 1) {
      const TOpenElement open = std::move(m_open.back());
      m_open.pop_back();
      WriteEndTag(open);
      ++m_dropped[open.Name];
      if ((open.Flags & kTable) != 0) {
        --m_tables;
        ++m_droppedTables;
      }
    }
  }

  void WriteStartTag(const THtmlTag& tag, uint16_t flags) {
    m_textSinceBreak = m_textSinceBreak && (flags & kLine) == 0;
    m_out += '<';
    m_out += tag.Name;
    std::vector<std::string_view> written;
    for (const THtmlAttribute& attribute : tag.Attributes) {
      if (!IsSafeName(attribute.Name) || std::find(written.begin(), written.end(), attribute.Name) != written.end()) {
        continue;  // the first of two equal names counts, as in a browser
      }
      written.push_back(attribute.Name);
      m_out += ' ';
      m_out += attribute.Name;
      m_out += "=\"";
      AppendEscaped(m_out, attribute.Value, true);
      m_out += '"';
    }
    m_out += '>';
  }

  void WriteEndTag(const TOpenElement& open) {
    m_textSinceBreak = m_textSinceBreak && (open.Flags & kLine) == 0;
    m_out += "</";
    m_out += open.Name;
    m_out += '>';
  }

  // Closes the element at index and everything opened inside it.
  void CloseDownTo(size_t index) {
    while (m_open.size() > index) {
      WriteEndTag(m_open.back());
      m_tables -= (m_open.back().Flags & kTable) != 0 ? 1 : 0;
      m_open.pop_back();
    }
  }

  // The index of the innermost open element isTarget accepts, searching no deeper than an element with one of the
  // boundary flags; -1 when there is none.
  template <typename TIsTarget>
  int FindOpen(TIsTarget isTarget, uint16_t boundaries) const {
    for (size_t i = m_open.size(); i-- > 0;) {
      if (isTarget(m_open[i])) {
        return static_cast<int>(i);
      }
      if ((m_open[i].Flags & boundaries) != 0) {
        return -1;
      }
    }
    return -1;
  }

  void CloseOpen(int index) {
    if (index >= 0) {
      CloseDownTo(static_cast<size_t>(index));
    }
  }

  // Closes everything opened inside the element at index (which stays open).
  void CloseInside(int index) {
    if (index >= 0) {
      CloseDownTo(static_cast<size_t>(index) + 1);
    }
  }

  // Closes what a browser closes before this start tag: paragraphs before blocks, list items before list items,
  // cells and rows before cells and rows, a link before a link, a heading before a heading.
  void CloseImpliedBy(std::string_view name, uint16_t flags) {
    auto named = [](std::string_view a, std::string_view b = {}) {
      return [a, b](const TOpenElement& open) { return open.Name == a || open.Name == b; };
    };
    if ((flags & kClosesParagraph) != 0) {
      CloseOpen(FindOpen(named("p"), kScopeBoundary));
    }
    if (name == "li") {
      CloseOpen(FindOpen(named("li"), kListBoundary));
    } else if (name == "dd" || name == "dt") {
      CloseOpen(FindOpen(named("dd", "dt"), kListBoundary));
    } else if (name == "a") {
      CloseOpen(FindOpen(named("a"), kScopeBoundary));
    } else if (name == "option" || name == "optgroup") {
      CloseOpen(FindOpen(named("option"), kScopeBoundary));
    } else if ((flags & kHeading) != 0 && !m_open.empty() && (m_open.back().Flags & kHeading) != 0) {
      CloseDownTo(m_open.size() - 1);
    } else if (m_tables > 0 && (flags & kTablePart) != 0) {
      // A cell closes what is open inside its row, a row what is open inside its section of the table, anything
      // else what is open inside the table.
      const bool cell = name == "td" || name == "th";
      const bool row = name == "tr";
      CloseInside(FindOpen(
          [cell, row](const TOpenElement& open) {
            const bool section = open.Name == "thead" || open.Name == "tbody" || open.Name == "tfoot";
            return (open.Flags & kTable) != 0 || ((cell || row) && section) || (cell && open.Name == "tr");
          },
          0));
    }
  }

  const THtmlBounds& m_bounds;
  std::string m_out;
  std::vector<TOpenElement> m_open;
  int m_tables = 0;  // open tables among them
  int m_elements = 0;
  size_t m_tableWork = 0;
  bool m_flattened = false;                        // the nested tables' work ran out
  std::unordered_map<std::string, int> m_dropped;  // start tags beyond the bounds whose end tags are still to come
  int m_droppedTables = 0;
  bool m_textSinceBreak = false;  // text was written since the last line break
};

// Skips an object, template or applet with everything inside it, nested ones included.
void SkipWholeElement(THtmlScanner& scanner, const std::string& name) {
  THtmlToken token;
  int depth = 1;
  while (depth > 0 && scanner.Next(token)) {
    if (token.Kind == THtmlTokenKind::StartTag && (FlagsOf(token.Tag.Name) & kRawText) != 0) {
      scanner.SkipRawText(token.Tag.Name);
    } else if (token.Tag.Name == name) {
      depth += token.Kind == THtmlTokenKind::StartTag ? 1 : token.Kind == THtmlTokenKind::EndTag ? -1 : 0;
    }
  }
}

}  // namespace

std::string BoundedHtml(std::string_view html, const THtmlBounds& bounds) {
  THtmlScanner scanner(html, static_cast<size_t>(std::max(bounds.MaxAttributes, 0)));
  TBoundedWriter writer(bounds, html.size() + html.size() / 8);
  THtmlToken token;
  while (scanner.Next(token)) {
    switch (token.Kind) {
      case THtmlTokenKind::Text:
        writer.Text(token.Text);
        break;
      case THtmlTokenKind::StartTag:
        if (const uint16_t flags = FlagsOf(token.Tag.Name); (flags & kRawText) != 0) {
          scanner.SkipRawText(token.Tag.Name);
        } else if ((flags & kDroppedWhole) != 0) {
          SkipWholeElement(scanner, token.Tag.Name);
        } else {
          writer.StartTag(token.Tag, flags);
        }
        break;
      case THtmlTokenKind::EndTag:
        writer.EndTag(token.Tag.Name);
        break;
      case THtmlTokenKind::Ignored:
        break;
    }
  }
  return writer.Finish();
}

}  // namespace tidewick
