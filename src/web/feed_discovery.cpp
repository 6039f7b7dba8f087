#include "web/feed_discovery.h"

#include <gumbo.h>

#include <algorithm>
#include <array>
#include <optional>

#include "util/case_fold.h"
#include "util/charset.h"
#include "util/utf8.h"
#include "web/feed_discovery_url.h"

namespace tidewick {
namespace {

// The types sites give their feed links, including the older and misspelt ones browsers accepted.
constexpr std::array<std::string_view, 11> kFeedTypes = {
    "application/rss+xml",    "application/atom+xml",
    "application/rdf+xml",    "application/x-rss+xml",
    "application/x-atom+xml", "application/x.atom+xml",
    "application/rss",        "text/rss+xml",
    "text/atom+xml",          "text/xml",
    "application/xml",
};

// The charset a page declares near its start (<meta charset> or a content-type meta); empty when none is usable.
std::string DeclaredCharset(std::string_view page) {
  if (page.starts_with("\xFF\xFE") || page.starts_with("\xFE\xFF"))
    return "UTF-16";
  const std::string start = LowerAscii(page.substr(0, 1024));
  const size_t found = start.find("charset");
  if (found == std::string::npos)
    return {};
  size_t pos = start.find_first_not_of(" \t\r\n", found + 7);
  if (pos == std::string::npos || start[pos] != '=')
    return {};
  pos = start.find_first_not_of(" \t\r\n\"'", pos + 1);
  if (pos == std::string::npos)
    return {};
  const size_t end = start.find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789._:-", pos);
  const std::string name = start.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
  // A page that declares a wide form in its own ASCII markup is not in it (browsers read such pages as UTF-8).
  return IsAsciiCompatibleEncoding(name) ? name : std::string();
}

// The part of the page the parser sees: at most kMaxDiscoveryPageBytes and kMaxDiscoveryTags tags.
std::string_view ReadablePart(std::string_view page) {
  page = page.substr(0, kMaxDiscoveryPageBytes);
  size_t tags = 0;
  for (size_t pos = page.find('<'); pos != std::string_view::npos; pos = page.find('<', pos + 1)) {
    if (++tags > kMaxDiscoveryTags)
      return page.substr(0, pos);
  }
  return page;
}

struct TGumboOutput {
  GumboOutput* Output;
  ~TGumboOutput() { gumbo_destroy_output(&kGumboDefaultOptions, Output); }
};

const char* Attribute(const GumboElement& element, const char* name) {
  const GumboAttribute* attribute = gumbo_get_attribute(&element.attributes, name);
  return attribute != nullptr ? attribute->value : nullptr;
}

bool IsHtmlSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r';
}

bool RelHoldsAlternate(std::string_view rel) {
  size_t pos = 0;
  while (pos < rel.size()) {
    while (pos < rel.size() && IsHtmlSpace(rel[pos]))
      ++pos;
    size_t end = pos;
    while (end < rel.size() && !IsHtmlSpace(rel[end]))
      ++end;
    if (end > pos && LowerAscii(rel.substr(pos, end - pos)) == "alternate")
      return true;
    pos = end;
  }
  return false;
}

// "Application/RSS+XML; charset=utf-8" counts as a feed type.
bool IsFeedType(std::string_view type) {
  type = type.substr(0, type.find(';'));
  while (!type.empty() && IsHtmlSpace(type.front()))
    type.remove_prefix(1);
  while (!type.empty() && IsHtmlSpace(type.back()))
    type.remove_suffix(1);
  const std::string lower = LowerAscii(type);
  return std::find(kFeedTypes.begin(), kFeedTypes.end(), lower) != kFeedTypes.end();
}

// One line of at most kMaxDiscoveredTitleChars characters: runs of blanks and control characters become one space.
std::string OneLineTitle(std::string_view title) {
  std::string line;
  size_t chars = 0;
  bool pendingSpace = false;
  for (size_t pos = 0; pos < title.size() && chars < kMaxDiscoveredTitleChars;) {
    const size_t length = std::max<size_t>(Utf8SequenceLength(title, pos), 1);
    const auto byte = static_cast<unsigned char>(title[pos]);
    if (byte <= 0x20 || byte == 0x7F) {
      pendingSpace = !line.empty();
    } else if (pendingSpace && chars + 1 == kMaxDiscoveredTitleChars) {
      break;  // no room for the space and a character after it
    } else {
      if (pendingSpace) {
        line += ' ';
        ++chars;
      }
      pendingSpace = false;
      line.append(title.substr(pos, length));
      ++chars;
    }
    pos += length;
  }
  return IsValidUtf8(line) ? line : RepairUtf8(line);
}

// The page's <base> and <link> elements in document order; template contents and foreign (SVG, MathML) elements
// are not part of the page's head and are skipped. An explicit stack: a deeply nested page cannot exhaust ours.
void CollectElements(const GumboNode& root, std::vector<const GumboElement*>& links, const char*& baseHref) {
  std::vector<const GumboNode*> stack{&root};
  while (!stack.empty()) {
    const GumboNode* node = stack.back();
    stack.pop_back();
    if (node->type != GUMBO_NODE_ELEMENT)
      continue;  // text, comments and templates
    const GumboElement& element = node->v.element;
    if (element.tag_namespace != GUMBO_NAMESPACE_HTML)
      continue;
    if (element.tag == GUMBO_TAG_LINK)
      links.push_back(&element);
    if (element.tag == GUMBO_TAG_BASE && baseHref == nullptr)
      baseHref = Attribute(element, "href");
    for (unsigned i = element.children.length; i > 0; --i)
      stack.push_back(static_cast<const GumboNode*>(element.children.data[i - 1]));
  }
}

}  // namespace

std::vector<TDiscoveredFeed> DiscoverFeeds(std::string_view page, std::string_view pageAddress) {
  const std::string_view readable = ReadablePart(page);
  const std::string html = DecodeToUtf8(readable, DeclaredCharset(readable));
  GumboOptions options = kGumboDefaultOptions;
  options.max_errors = 0;  // the error list is never read
  const TGumboOutput parsed{gumbo_parse_with_options(&options, html.data(), html.size())};
  std::vector<TDiscoveredFeed> feeds;
  if (parsed.Output == nullptr || parsed.Output->root == nullptr)
    return feeds;

  std::vector<const GumboElement*> links;
  const char* baseHref = nullptr;
  CollectElements(*parsed.Output->root, links, baseHref);
  // The first <base href> applies to every link of the page, also those before it; a non-web one is ignored.
  const std::optional<std::string> base =
      baseHref != nullptr ? ResolveWebAddress(baseHref, pageAddress) : std::optional<std::string>();
  const std::string_view baseAddress = base ? std::string_view(*base) : pageAddress;
  // A link back to the page itself (href="" or "#") names no feed: the page was just read and is none.
  const std::optional<std::string> self = ResolveWebAddress("", pageAddress);

  for (const GumboElement* link : links) {
    const char* rel = Attribute(*link, "rel");
    const char* type = Attribute(*link, "type");
    const char* href = Attribute(*link, "href");
    if (rel == nullptr || type == nullptr || href == nullptr || !RelHoldsAlternate(rel) || !IsFeedType(type))
      continue;
    std::optional<std::string> address = ResolveWebAddress(href, baseAddress);
    if (!address || address == self ||
        std::any_of(feeds.begin(), feeds.end(), [&](const TDiscoveredFeed& feed) { return feed.Address == *address; }))
      continue;
    const char* title = Attribute(*link, "title");
    feeds.push_back({std::move(*address), OneLineTitle(title != nullptr ? title : "")});
    if (feeds.size() == kMaxDiscoveredFeeds)
      break;
  }
  return feeds;
}

}  // namespace tidewick
