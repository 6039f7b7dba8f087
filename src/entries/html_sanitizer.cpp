#include "entries/html_sanitizer.h"

#include <gumbo.h>

#include <algorithm>
#include <array>
#include <memory>
#include <vector>

#include "entries/html_bounds.h"
#include "util/html_text.h"
#include "util/strings.h"
#include "xml/xml_text.h"

namespace tidewick {
namespace {

// Elements written back with their tags; everything they may carry beyond the shared attributes.
struct TKeptElement {
  std::string_view Name;
  std::array<std::string_view, 7> Attributes;
};

constexpr std::array<std::string_view, 3> kSharedAttributes = {"title", "lang", "dir"};

constexpr TKeptElement kKeptElements[] = {
    {"a", {"href"}},
    {"abbr", {}},
    {"acronym", {}},
    {"address", {}},
    {"b", {}},
    {"bdi", {}},
    {"bdo", {}},
    {"big", {}},
    {"blockquote", {"cite"}},
    {"br", {}},
    {"caption", {"align"}},
    {"center", {}},
    {"cite", {}},
    {"code", {}},
    {"col", {"span", "width", "align", "valign"}},
    {"colgroup", {"span", "width", "align", "valign"}},
    {"dd", {}},
    {"del", {"cite", "datetime"}},
    {"details", {"open"}},
    {"dfn", {}},
    {"div", {"align"}},
    {"dl", {}},
    {"dt", {}},
    {"em", {}},
    {"figcaption", {}},
    {"figure", {}},
    {"font", {"color", "size", "face"}},
    {"h1", {"align"}},
    {"h2", {"align"}},
    {"h3", {"align"}},
    {"h4", {"align"}},
    {"h5", {"align"}},
    {"h6", {"align"}},
    {"hr", {"width", "size", "noshade", "align"}},
    {"i", {}},
    {"img", {"src", "alt", "width", "height", "align", "border", "hspace"}},
    {"ins", {"cite", "datetime"}},
    {"kbd", {}},
    {"li", {"value", "type"}},
    {"mark", {}},
    {"ol", {"start", "type", "reversed"}},
    {"p", {"align"}},
    {"pre", {}},
    {"q", {"cite"}},
    {"rp", {}},
    {"rt", {}},
    {"ruby", {}},
    {"s", {}},
    {"samp", {}},
    {"small", {}},
    {"span", {}},
    {"strike", {}},
    {"strong", {}},
    {"sub", {}},
    {"summary", {}},
    {"sup", {}},
    {"table", {"border", "cellpadding", "cellspacing", "width", "summary", "align"}},
    {"tbody", {"align", "valign"}},
    {"td", {"colspan", "rowspan", "align", "valign", "width", "headers", "scope"}},
    {"tfoot", {"align", "valign"}},
    {"th", {"colspan", "rowspan", "align", "valign", "width", "headers", "scope"}},
    {"thead", {"align", "valign"}},
    {"time", {"datetime"}},
    {"tr", {"align", "valign"}},
    {"tt", {}},
    {"u", {}},
    {"ul", {"type"}},
    {"var", {}},
    {"wbr", {}},
};

// Elements dropped together with everything inside them: active content, document-level elements and anything
// whose content is not meant to be read as text.
constexpr std::string_view kDroppedElements[] = {
    "applet",   "audio",    "base",     "button",   "canvas", "dialog",    "embed",  "frame",  "frameset",
    "form",     "head",     "iframe",   "input",    "keygen", "link",      "math",   "meta",   "noembed",
    "noframes", "noscript", "object",   "option",   "param",  "plaintext", "script", "select", "source",
    "style",    "svg",      "template", "textarea", "title",  "track",     "video",  "xmp",
};

// The parser slows down with the square of the nesting depth; a fragment with more tags than any real entry is
// kept as plain text instead of freezing the window.
constexpr size_t kMaxTags = 10000;

constexpr std::string_view kVoidElements[] = {"br", "col", "hr", "img", "wbr"};

constexpr std::string_view kImageTypes[] = {"data:image/png", "data:image/gif",  "data:image/jpeg",
                                            "data:image/jpg", "data:image/webp", "data:image/bmp"};

template <typename TList>
bool Contains(const TList& list, std::string_view name) {
  return std::find(std::begin(list), std::end(list), name) != std::end(list);
}

const TKeptElement* FindKept(std::string_view name) {
  for (const TKeptElement& element : kKeptElements) {
    if (element.Name == name) {
      return &element;
    }
  }
  return nullptr;
}

// The URL as a browser reads its scheme: without blanks and control characters anywhere, lower-cased ASCII.
std::string SchemeView(std::string_view url) {
  std::string folded;
  for (const char c : url) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte <= 0x20 || byte == 0x7F) {
      continue;
    }
    folded += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  }
  return folded;
}

bool IsUrlAttribute(std::string_view name) {
  return name == "href" || name == "src" || name == "cite";
}

struct TGumboOutput {
  GumboOutput* Output;
  ~TGumboOutput() { gumbo_destroy_output(&kGumboDefaultOptions, Output); }
};

std::string_view ElementName(const GumboElement& element) {
  const char* name = gumbo_normalized_tagname(element.tag);
  return name != nullptr ? std::string_view(name) : std::string_view();
}

void WriteStartTag(std::string& out, std::string_view name, const TKeptElement& kept, const GumboElement& element) {
  out += '<';
  out += name;
  for (unsigned i = 0; i < element.attributes.length; ++i) {
    const auto* attribute = static_cast<const GumboAttribute*>(element.attributes.data[i]);
    const std::string_view attributeName = attribute->name;
    if (!Contains(kSharedAttributes, attributeName) && !Contains(kept.Attributes, attributeName)) {
      continue;
    }
    std::string value = attribute->value;
    if (IsUrlAttribute(attributeName)) {
      const bool safe = attributeName == "src" ? IsSafeImageUrl(value) : IsSafeLinkUrl(value);
      if (!safe) {
        continue;
      }
      value = Trim(value);
    }
    out += ' ';
    out += attributeName;
    out += "=\"";
    out += EscapeHtml(value);
    out += '"';
  }
  out += '>';
}

// Depth-first over the parsed tree with an explicit stack: a deeply nested document cannot exhaust ours.
void WriteSanitized(std::string& out, const GumboNode& top) {
  struct TFrame {
    const GumboNode* Node;
    unsigned NextChild;
    std::string_view ClosingTag;  // empty when the element's tags were dropped
  };
  std::vector<TFrame> stack{{&top, 0, {}}};
  while (!stack.empty()) {
    TFrame& frame = stack.back();
    const GumboVector& children = frame.Node->v.element.children;
    if (frame.NextChild >= children.length) {
      if (!frame.ClosingTag.empty()) {
        out += "</";
        out += frame.ClosingTag;
        out += '>';
      }
      stack.pop_back();
      continue;
    }
    const auto* child = static_cast<const GumboNode*>(children.data[frame.NextChild++]);
    if (child->type == GUMBO_NODE_TEXT || child->type == GUMBO_NODE_WHITESPACE || child->type == GUMBO_NODE_CDATA) {
      out += EscapeHtml(child->v.text.text);
      continue;
    }
    if (child->type != GUMBO_NODE_ELEMENT) {
      continue;  // comments and templates
    }
    const GumboElement& element = child->v.element;
    const std::string_view name = ElementName(element);
    if (element.tag_namespace != GUMBO_NAMESPACE_HTML || Contains(kDroppedElements, name)) {
      continue;
    }
    const TKeptElement* kept = FindKept(name);
    if (kept == nullptr) {
      stack.push_back({child, 0, {}});  // unknown: its text stays, its tags go
      continue;
    }
    WriteStartTag(out, name, *kept, element);
    if (!Contains(kVoidElements, name)) {
      stack.push_back({child, 0, name});
    }
  }
}

}  // namespace

std::string EscapeHtml(std::string_view text) {
  // The XML writer's escaping: the same four characters, copied in runs.
  std::string out;
  out.reserve(text.size());
  AppendEncodedText(out, text, false);
  return out;
}

bool IsSafeLinkUrl(std::string_view url) {
  const std::string scheme = SchemeView(url);
  return scheme.starts_with("http://") || scheme.starts_with("https://") || scheme.starts_with("mailto:");
}

bool IsSafeImageUrl(std::string_view url) {
  const std::string scheme = SchemeView(url);
  if (scheme.starts_with("http://") || scheme.starts_with("https://")) {
    return true;
  }
  for (const std::string_view type : kImageTypes) {
    if (scheme.starts_with(type) && scheme.size() > type.size() &&
        (scheme[type.size()] == ';' || scheme[type.size()] == ',')) {
      return true;
    }
  }
  return false;
}

std::string SanitizeHtml(std::string_view html) {
  if (html.empty()) {
    return {};
  }
  if (static_cast<size_t>(std::count(html.begin(), html.end(), '<')) > kMaxTags) {
    return "<pre>" + EscapeHtml(HtmlToText(html)) + "</pre>";
  }
  // Within bounds and well formed first: the parser's time grows with the square of the nesting, and with misnested
  // formatting it may copy elements without end (30 s for 56 KB).
  const std::string bounded = BoundedHtml(html);
  GumboOptions options = kGumboDefaultOptions;
  options.fragment_context = GUMBO_TAG_BODY;
  options.max_errors = 0;  // the error list is never read
  const TGumboOutput parsed{gumbo_parse_with_options(&options, bounded.data(), bounded.size())};
  std::string out;
  out.reserve(html.size());
  if (parsed.Output != nullptr && parsed.Output->root != nullptr) {
    WriteSanitized(out, *parsed.Output->root);
  }
  return out;
}

}  // namespace tidewick
