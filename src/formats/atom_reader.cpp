// Atom 0.3 and 1.0.

#include "formats/atom_reader.h"

#include <string>
#include <string_view>

#include "formats/reader_support.h"
#include "xml/xml_doc.h"
#include "xml/xml_text.h"

namespace tidewick {

namespace {

constexpr int kAtomTtl = 60;

bool IsHtmlLink(const TXmlNode* link) {
  return XmlNameMatches(TrimView(AttribValue(link, "type")), "text/html");
}

bool IsAlternateLink(const TXmlNode* link) {
  const std::string_view rel = TrimView(AttribValue(link, "rel"));
  return rel.empty() || XmlNameMatches(rel, "alternate");
}

// The page address of a feed or entry. Alternate links (rel "alternate" or none) come first: the last of them that
// is HTML, else the first of them. Only without any alternate do the other links count, by the same rule, so a
// comments link (rel "replies") or the feed's own address (rel "self") is never taken over the page itself.
std::string ChooseLink(const TXmlNode& parent) {
  const TXmlNode* firstAlternate = nullptr;
  const TXmlNode* lastHtmlAlternate = nullptr;
  const TXmlNode* firstLink = nullptr;
  const TXmlNode* lastHtmlLink = nullptr;
  for (const TXmlNode* child : parent.Nodes()) {
    if (!child->HasFoldedName("link")) {
      continue;
    }
    const bool html = IsHtmlLink(child);
    if (firstLink == nullptr) {
      firstLink = child;
    }
    if (html) {
      lastHtmlLink = child;
    }
    if (IsAlternateLink(child)) {
      if (firstAlternate == nullptr) {
        firstAlternate = child;
      }
      if (html) {
        lastHtmlAlternate = child;
      }
    }
  }
  const TXmlNode* chosen = firstAlternate != nullptr ? (lastHtmlAlternate ? lastHtmlAlternate : firstAlternate)
                                                     : (lastHtmlLink ? lastHtmlLink : firstLink);
  return chosen == nullptr ? std::string() : MultiLineText(AttribValue(chosen, "href"));
}

// The HTML of a summary or content element. Inline XHTML (child elements) is taken as its inner markup; any other
// form as the element's text, which holds escaped or CDATA HTML already decoded.
std::string_view ContentText(const TXmlNode* node) {
  if (node == nullptr) {
    return {};
  }
  if (node->Nodes().Count() > 0 && FoldXmlName(AttribValue(node, "type")).find("xhtml") != std::string::npos) {
    return node->InnerMarkup();
  }
  return node->Value();
}

// The first non-empty of two date elements (trimmed): empty means now, unreadable means no date.
TDateTime ReadDate(const TXmlNode* parent, std::string_view firstName, std::string_view secondName) {
  const std::string_view first = TrimView(ChildValue(parent, firstName));
  return DateOrNow(first.empty() ? ChildValue(parent, secondName) : first, kIso8601Date);
}

void ReadAtomEntry(const TXmlNode& node, TFeedItem& item) {
  item.Title = SingleLineText(ChildValue(&node, "title"));
  item.Link = ChooseLink(node);
  item.Description = MultiLineText(ContentText(FindChild(&node, "summary")));
  if (item.Description.empty()) {
    item.Description = MultiLineText(ContentText(FindChild(&node, "content")));
  }
  item.PublishedDate = ReadDate(&node, "updated", "modified");  // Atom 1.0 first
  item.Author = SingleLineText(ChildValue(FindChild(&node, "author"), "name"));
}

}  // namespace

bool ReadAtomFeed(const TXmlDoc& doc, TFeedInfo& info) {
  const TXmlNode* feed = doc.GetNode("feed");
  info.Title = SingleLineText(ChildValue(feed, "tagline"));
  if (info.Title.empty()) {
    info.Title = SingleLineText(ChildValue(feed, "title"));
  }
  if (info.Title.empty()) {
    info.Title = UntitledFeedTitle();
  }
  if (feed != nullptr) {
    info.Link = ChooseLink(*feed);
  }
  info.Description = MultiLineText(ChildValue(feed, "subtitle"));
  if (info.Description.empty()) {
    info.Description = MultiLineText(ChildValue(feed, "title"));
  }
  info.PublishedDate = ReadDate(feed, "modified", "updated");  // Atom 0.3 first
  info.LastBuildDate = DateOrNone(ChildValue(feed, "created"), kIso8601Date);
  info.TTL = kAtomTtl;
  return true;
}

int ReadAtomEntries(const TXmlDoc& doc, TFeedItems& items) {
  return ReadEntries(doc.GetNode("feed"), "entry", items, ReadAtomEntry);
}

}  // namespace tidewick
