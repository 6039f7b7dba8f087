// Atom 0.3 and 1.0.

#include "formats/atom_reader.h"

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

#include "formats/element_text.h"
#include "formats/enclosure_reading.h"
#include "formats/feed_extensions.h"
#include "formats/link_resolution.h"
#include "formats/reader_support.h"
#include "util/url_reference.h"
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

// The page address among some links. Alternate links (rel "alternate" or none) come first: the last of them that
// is HTML, else the first of them. Only without any alternate do the other links count, by the same rule, so a
// comments link (rel "replies") or the feed's own address (rel "self") is never taken over the page itself.
class TLinkChoice {
 public:
  void Consider(const TXmlNode* link) {
    const bool html = IsHtmlLink(link);
    if (m_firstLink == nullptr) {
      m_firstLink = link;
    }
    if (html) {
      m_lastHtmlLink = link;
    }
    if (IsAlternateLink(link)) {
      if (m_firstAlternate == nullptr) {
        m_firstAlternate = link;
      }
      if (html) {
        m_lastHtmlAlternate = link;
      }
    }
  }
  bool HasAlternate() const { return m_firstAlternate != nullptr; }
  const TXmlNode* Chosen() const {
    if (m_firstAlternate != nullptr) {
      return m_lastHtmlAlternate != nullptr ? m_lastHtmlAlternate : m_firstAlternate;
    }
    return m_lastHtmlLink != nullptr ? m_lastHtmlLink : m_firstLink;
  }

 private:
  const TXmlNode* m_firstAlternate = nullptr;
  const TXmlNode* m_lastHtmlAlternate = nullptr;
  const TXmlNode* m_firstLink = nullptr;
  const TXmlNode* m_lastHtmlLink = nullptr;
};

std::string HrefOf(const TXmlNode* link) {
  return link == nullptr ? std::string() : MultiLineText(AttribValue(link, "href"));
}

// The page address of a feed or entry: the choice above among the links with an address; without an alternate
// among them, the id when it is a web address, else the other links. Relative addresses are resolved. earlier gets
// what the choice among all links, addressless ones included and unresolved, gave when that differs.
std::string ChooseLink(const TXmlNode& parent, std::string_view documentAddress, std::optional<std::string>& earlier) {
  TLinkChoice all;
  TLinkChoice usable;
  for (const TXmlNode* child : parent.Nodes()) {
    if (child->HasFoldedName("link")) {
      all.Consider(child);
      if (!TrimView(AttribValue(child, "href")).empty()) {
        usable.Consider(child);
      }
    }
  }
  const TXmlNode* chosen = usable.HasAlternate() ? usable.Chosen() : nullptr;
  std::string link;
  bool changed = false;
  if (chosen == nullptr) {
    const std::string_view id = TrimView(ChildValue(&parent, "id"));
    if (IsWebAddress(id)) {
      link = MultiLineText(id);
      changed = true;
    } else {
      chosen = usable.Chosen();
    }
  }
  if (chosen != nullptr) {
    link = HrefOf(chosen);
    if (!HasUrlScheme(link)) {
      std::string resolved = ResolveLinkAt(chosen, link, documentAddress);
      changed = resolved != link;
      link = std::move(resolved);
    }
  }
  if (changed || chosen != all.Chosen()) {
    earlier = HrefOf(all.Chosen());
  }
  return link;
}

// The first non-empty of some date elements (trimmed): none means now, unreadable means no date.
TDateTime ReadDate(const TXmlNode* parent, std::initializer_list<std::string_view> names) {
  for (const std::string_view name : names) {
    const std::string_view date = TrimView(ChildValue(parent, name));
    if (!date.empty()) {
      return DateOrNow(date, kIso8601Date);
    }
  }
  return NowUtc();
}

void ReadAtomEntry(const TXmlNode& node, TEntry& item, std::string_view documentAddress) {
  TEarlierIdentity earlier;
  const TXmlNode* title = FindChild(&node, "title");
  item.Title = AtomTitleText(title);
  bool titleChanged = NeedsMoreThanValue(title);
  if (item.Title.empty()) {
    item.Title = TitleText(FindMediaElement(&node, "media:title"));
    titleChanged = titleChanged || !item.Title.empty();
  }
  if (titleChanged) {
    earlier.Title = SingleLineText(ChildValue(&node, "title"));
  }
  item.Link = ChooseLink(node, documentAddress, earlier.Link);
  item.Description = AtomDescriptionText(FindChild(&node, "summary"));
  if (item.Description.empty()) {
    item.Description = AtomDescriptionText(FindChild(&node, "content"));
  }
  if (item.Description.empty()) {
    item.Description = DescriptionText(FindMediaElement(&node, "media:description"));
  }
  // Atom 1.0 first; entries that carry only a publication date still get it.
  item.PublishedDate = ReadDate(&node, {"updated", "modified", "published", "issued", "created"});
  item.Author = SingleLineText(ChildValue(FindChild(&node, "author"), "name"));
  ReadCategories(node, "category", {"label", "term"}, item);
  ReadEnclosures(node, documentAddress, item);
  KeepEarlierIdentity(item, std::move(earlier));
}

}  // namespace

bool ReadAtomFeed(const TXmlDoc& doc, TFeedInfo& info, std::string_view documentAddress) {
  const TXmlNode* feed = doc.GetNode("feed");
  info.Title = AtomTitleText(FindChild(feed, "tagline"));
  if (info.Title.empty()) {
    info.Title = AtomTitleText(FindChild(feed, "title"));
  }
  if (info.Title.empty()) {
    info.Title = UntitledFeedTitle();
  }
  if (feed != nullptr) {
    std::optional<std::string> unused;
    info.Link = ChooseLink(*feed, documentAddress, unused);
  }
  info.Description = AtomDescriptionText(FindChild(feed, "subtitle"));
  if (info.Description.empty()) {
    info.Description = AtomDescriptionText(FindChild(feed, "title"));
  }
  info.PublishedDate = ReadDate(feed, {"modified", "updated"});  // Atom 0.3 first
  info.LastBuildDate = DateOrNone(ChildValue(feed, "created"), kIso8601Date);
  info.TTL = kAtomTtl;
  return true;
}

int ReadAtomEntries(const TXmlDoc& doc, TEntries& items, std::string_view documentAddress) {
  return ReadEntries(doc.GetNode("feed"), "entry", items, [documentAddress](const TXmlNode& node, TEntry& item) {
    ReadAtomEntry(node, item, documentAddress);
  });
}

}  // namespace tidewick
