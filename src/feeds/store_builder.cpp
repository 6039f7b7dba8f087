#include "feeds/store_builder.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string_view>
#include <utility>

#include "feeds/store_builder_internal.h"
#include "feeds/store_fields.h"
#include "util/case_fold.h"

namespace tidewick {

namespace store_internal {

int ElementNumber(std::string_view name, std::string_view prefix) {
  if (name.size() <= prefix.size()) {
    return -1;
  }
  for (size_t i = 0; i < prefix.size(); ++i) {
    if (AsciiLower(name[i]) != AsciiLower(prefix[i])) {
      return -1;
    }
  }
  int number = 0;
  for (const char c : name.substr(prefix.size())) {
    if (c < '0' || c > '9') {
      return -1;
    }
    number = std::min(number * 10 + (c - '0'), 1 << 24);
  }
  return number;
}

namespace {

// Whether a closing tag's text ("/Name") names the element called name, ignoring case; the usual case, the very
// same name, costs one comparison.
bool ClosesByName(std::string_view closeText, std::string_view name) {
  const std::string_view written = closeText.substr(1);
  if (written.size() == name.size() && std::memcmp(written.data(), name.data(), name.size()) == 0) {
    return true;
  }
  return SameName(ElementName(written), name);
}

// The attributes of a start tag, as written.
std::string_view AttributeText(std::string_view tagText, std::string_view name) {
  std::string_view rest = tagText.substr(std::min(tagText.size(), name.size()));
  while (!rest.empty() && static_cast<unsigned char>(rest.front()) <= 32) {
    rest.remove_prefix(1);
  }
  return rest;
}

}  // namespace

// ---- Sound reading: the reader's rules, and the first break of the structure ends it.

std::string TStoreBuilder::ReadSound(TTagScanner& scanner) {
  return ReadSoundTags(scanner, TSoundStop::Document);
}

bool TStoreBuilder::ReadSoundHead(TTagScanner& scanner) {
  return ReadSoundTags(scanner, TSoundStop::FeedListStart).empty() && AtFeedList();
}

std::string TStoreBuilder::ReadSoundPart(TTagScanner& scanner, const TFrameStack& around, bool first, bool last) {
  if (!first) {
    m_stack = around;
    m_sawFeeds = true;
  }
  std::string damage = ReadSoundTags(scanner, last ? TSoundStop::Document : TSoundStop::BetweenFeeds);
  if (damage.empty() && !last && !m_stack.SameElements(around)) {
    damage = "a part ends inside an element";
  }
  return damage;
}

std::string TStoreBuilder::ReadSoundTags(TTagScanner& scanner, TSoundStop stop) {
  bool root = m_stack.Empty();
  for (;;) {
    const TScannedTag tag = scanner.NextNodeTag();
    if (tag.Kind == TTagKind::End) {
      if (stop == TSoundStop::BetweenFeeds) {
        const bool between = m_tailPlain && AtFeedList() && !scanner.SawUnterminatedTag();
        return between ? std::string() : std::string("a part ends inside an element");
      }
      return root ? std::string("no element at all") : Judge(scanner, false);
    }
    if (tag.Broken) {
      return "a tag is cut off";
    }
    if (tag.Kind == TTagKind::Close) {
      if (m_stack.Empty() || !ClosesByName(tag.Text, Top().Name())) {
        return "a closing tag does not name its element";
      }
      Capture(tag);
      EndTop(true);
      if (m_stack.Empty()) {
        return stop == TSoundStop::Document ? Judge(scanner, true) : std::string("the document ends");
      }
    } else {
      Capture(tag);
      std::string_view name = ElementName(tag.Text);
      if (root && name == "?xml-stylesheet") {
        name = "?xml";  // a document that starts with a style sheet instead of a declaration
      }
      const bool instruction = !name.empty() && name[0] == '?' && !SameName(name, "?xml");
      SoundStart(name, tag, tag.HasContent && !instruction);
      root = false;
      if (m_stack.Empty()) {
        return stop == TSoundStop::Document ? Judge(scanner, false) : std::string("the document ends");
      }
    }
    if (stop != TSoundStop::Document && AtFeedList()) {
      if (stop == TSoundStop::FeedListStart) {
        return {};
      }
      // Only here can the next part begin: the tag and the text after it must have ended before its "<".
      m_tailPlain = !tag.IsCData && tag.Raw.substr(tag.TagEnd).find('<') == std::string_view::npos;
    } else {
      m_tailPlain = false;
    }
  }
}

void TStoreBuilder::SoundStart(std::string_view name, const TScannedTag& tag, bool canHaveChildren) {
  const TElement element = Classify(name);
  if (IsField(element.Kind)) {  // most elements: on the shortest path
    Assign(m_stack.Push(element, name, element.Known), DecodeValue(tag));
    if (!canHaveChildren) {
      EndTop(true);
    }
    return;
  }
  if (element.Kind == TKind::Unknown && !Capturing()) {
    BeginCapture(tag, canHaveChildren);
  }
  Open(element, name, &tag, canHaveChildren);
}

TElement TStoreBuilder::Classify(std::string_view name) {
  if (m_stack.Empty()) {
    // The root: the declaration, or a store written without one whose top element is the feed list.
    if (SameName(name, "Feeds")) {
      m_sawFeeds = true;
      return KnownElement(TKind::Feeds);
    }
    m_sawOther = m_sawOther || !SameName(name, "?xml");
    return {TKind::Root};
  }
  TFrame& parent = Top();
  switch (parent.Kind) {
    case TKind::Root:
      if (!m_sawFeeds && SameName(name, "Feeds")) {
        m_sawFeeds = true;
        return KnownElement(TKind::Feeds);
      }
      m_sawOther = true;
      return {};
    case TKind::Feeds:
      if (const int number = ElementNumber(name, "Feed"); number >= 0) {
        return {TKind::Feed, -1, number};
      }
      return {TKind::Unknown};
    case TKind::Feed:
      return ClassifyBelowFeed(parent, name);
    case TKind::Info:
      return FirstField(parent, FindInfoField(name), TKind::InfoField);
    case TKind::Refresh:
      return FirstField(parent, FindRefreshField(name), TKind::RefreshField);
    case TKind::Item: {
      const int field = FindItemField(name);
      return field < 0 ? TElement{TKind::Unknown} : FirstField(parent, field, TKind::ItemField);
    }
    case TKind::Unknown:
      return {TKind::Unknown};
    default:
      return {};
  }
}

TElement TStoreBuilder::ClassifyBelowFeed(TFrame& parent, std::string_view name) {
  if (StartsWithName(name, "Item")) {
    return {TKind::Item};  // its number matters only in recovery
  }
  if (SameName(name, "Info")) {
    if ((parent.Seen & kInfoBit) != 0) {
      return {};
    }
    parent.Seen |= kInfoBit;
    return KnownElement(TKind::Info);
  }
  if (SameName(name, kRefreshElement)) {
    if ((parent.Seen & kRefreshBit) != 0) {
      return {};
    }
    parent.Seen |= kRefreshBit;
    return KnownElement(TKind::Refresh);
  }
  const int field = FindFeedField(name);
  if (field < 0) {
    return {TKind::Unknown};
  }
  return FirstField(parent, field, TKind::FeedField);
}

TElement TStoreBuilder::FirstField(TFrame& parent, int field, TKind kind) {
  if (field < 0 || (parent.Seen & (1u << field)) != 0) {
    return {};
  }
  parent.Seen |= 1u << field;
  TElement element{kind, field};
  element.Known = KnownName(kind, field);  // its closing tag is matched against it: no copy of the name read
  return element;
}

std::string TStoreBuilder::Judge(TTagScanner& scanner, bool rootClosed) {
  if (scanner.SawUnterminatedTag()) {
    return "a tag is cut short";
  }
  for (size_t depth = 0; depth < m_stack.Size(); ++depth) {
    if (m_stack[depth].Kind != TKind::Root) {
      return m_stack[depth].Kind == TKind::Feeds ? "the Feeds element is not closed" : "an element is not closed";
    }
  }
  // Text after the root has been closed: only blanks may follow.
  if (rootClosed && !scanner.RestIsBlank()) {
    return "the reader stopped before the end";
  }
  if (!m_sawFeeds && m_sawOther) {
    return "no Feeds element";
  }
  return {};
}

// ---- Both readings: opening and ending elements.

void TStoreBuilder::Open(const TElement& element, std::string_view name, const TScannedTag* tag, bool canHaveChildren) {
  if (IsField(element.Kind) && tag != nullptr) {  // most elements: values
    Assign(m_stack.Push(element, name, element.Known), DecodeValue(*tag));
    if (!canHaveChildren) {
      EndTop(true);
    }
    return;
  }
  switch (element.Kind) {
    case TKind::Feeds:
      m_sawFeeds = true;
      m_feedListEnded = false;
      if (tag != nullptr) {
        m_result.StoreUnknown.SetAttributes(AttributeText(tag->Text, name));
      }
      break;
    case TKind::Feed: {
      TFeed& feed = m_result.Feeds.emplace_back();
      InitFeedInfo(feed.Info);
      feed.Interval = ClampInterval(std::nullopt);  // a missing Interval reads as empty text
      if (tag != nullptr) {
        feed.Unknown.SetAttributes(AttributeText(tag->Text, name));
      }
      if (m_recovery) {
        m_result.Places.emplace_back();
      }
      m_lastEntrySlot = 0;
      break;
    }
    case TKind::Item: {
      TEntry& item = Current().Entries.emplace_back();
      InitEntry(item);
      if (tag != nullptr) {
        item.Unknown.SetAttributes(AttributeText(tag->Text, name));
      }
      if (!m_stack.Empty()) {
        Top().HasEntries = true;
      }
      break;
    }
    default:
      break;
  }
  // A frame opened for an element whose start tag was lost keeps the name given: its closing tag may be damaged too.
  m_stack.Push(element, name, tag != nullptr ? element.Known : std::string_view());
  if (!canHaveChildren) {
    EndTop(true);
  }
}

void TStoreBuilder::EndElement(bool ownTag) {
  const TFrame& frame = m_stack.Pop();
  if (Capturing() && m_stack.Size() < m_captureDepth) {
    // The kept element ends: with its own closing tag it is whole, otherwise its text is not sound XML.
    if (ownTag && m_captureSound) {
      TUnknownXml& owner = m_captureOwner == TKind::Feeds  ? m_result.StoreUnknown
                           : m_captureOwner == TKind::Feed ? Current().Unknown
                                                           : Current().Entries.back().Unknown;
      owner.AddElement(std::move(m_capture));
    }
    m_capture.clear();
    m_captureDepth = 0;
  }
  TFrame* parent = m_stack.Empty() ? nullptr : &m_stack.Top();
  if (IsField(frame.Kind)) {
    if (!ownTag) {
      Assign(frame, {});  // its text ran into the damage: as if it were missing
    } else if (frame.Kind == TKind::FeedField || frame.Kind == TKind::ItemField) {
      parent->Closed |= 1u << frame.Field;
    }
    return;
  }
  switch (frame.Kind) {
    case TKind::Item:
      EndItem(frame, ownTag);
      break;
    case TKind::Info:
    case TKind::Refresh:
      if (ownTag || frame.EndSeen) {
        parent->Closed |= frame.Kind == TKind::Info ? kInfoBit : kRefreshBit;
      }
      break;
    case TKind::Feed:
      EndFeed(frame, ownTag);
      break;
    case TKind::Feeds:
      m_feedListEnded = ownTag || frame.EndSeen;
      break;
    default:
      break;
  }
}

void TStoreBuilder::EndItem(const TFrame& frame, bool ownTag) {
  TEntries& entries = Current().Entries;
  if (!m_recovery) {
    FinishItem(entries.back());
    return;
  }
  // An entry cut into by the damage is kept only when each of its values ended properly; one that ended but holds
  // no value at all is what is left of a damaged tag.
  const bool ended = (ownTag || frame.EndSeen) && !frame.Implicit && (frame.Closed & kEveryItemField) != 0;
  const bool keep = ended || (frame.Closed & kEveryItemField) == kEveryItemField;
  if (!keep) {
    entries.pop_back();
    return;
  }
  FinishItem(entries.back());
  const int slot = frame.Number > m_lastEntrySlot ? frame.Number : m_lastEntrySlot + 1;
  m_lastEntrySlot = slot;
  m_result.Places.back().EntrySlots.push_back(slot);
}

void TStoreBuilder::EndFeed(const TFrame& frame, bool ownTag) {
  if (!m_recovery) {
    FinishFeed(Current());
    return;
  }
  const bool ended = ownTag || frame.EndSeen;
  const bool identified = (frame.Closed & kNameAndUrl) != 0 || !Current().Entries.empty();
  if (!(ended && !frame.Implicit) && !identified) {
    m_result.Feeds.pop_back();
    m_result.Places.pop_back();
    return;
  }
  FinishFeed(Current());
  TFeedPlace& place = m_result.Places.back();
  place.Slot = frame.Number > m_lastFeedSlot ? frame.Number : m_lastFeedSlot + 1;
  m_lastFeedSlot = place.Slot;
  place.ValuesRead = frame.Closed & ~(kInfoBit | kRefreshBit);
  place.InfoRead = (frame.Closed & kInfoBit) != 0;
  place.RefreshRead = (frame.Closed & kRefreshBit) != 0;
  place.EntriesCutShort = !ended;
}

// ---- Unknown elements, kept as the text read.

void TStoreBuilder::BeginCapture(const TScannedTag& tag, bool canHaveChildren) {
  const TKind parent = m_stack.Empty() ? TKind::Root : Top().Kind;
  if (parent != TKind::Feeds && parent != TKind::Feed && parent != TKind::Item) {
    return;
  }
  m_captureOwner = parent;
  m_captureSound = true;
  m_capture.assign(tag.Raw.substr(tag.TagStart, (canHaveChildren ? tag.Raw.size() : tag.TagEnd) - tag.TagStart));
  m_captureDepth = m_stack.Size() + 1;
}

void TStoreBuilder::CaptureText(const TScannedTag& tag) {
  m_captureSound = m_captureSound && !tag.Broken;
  const bool endsCapture = tag.Kind == TTagKind::Close && m_stack.Size() == m_captureDepth;
  m_capture.append(endsCapture ? tag.Raw.substr(0, tag.TagEnd) : tag.Raw);
}

}  // namespace store_internal

std::string BuildStore(TTagScanner& scanner, TStoreReadResult& result, TStoreReading reading) {
  store_internal::TStoreBuilder builder(result, reading == TStoreReading::Recovery);
  if (reading == TStoreReading::Sound) {
    return builder.ReadSound(scanner);
  }
  builder.ReadRecovering(scanner);
  return {};
}

}  // namespace tidewick
