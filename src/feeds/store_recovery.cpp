// Recovery: a damaged store read past every damage (see store_builder.h).

#include <string_view>

#include "feeds/store_builder_internal.h"
#include "feeds/store_fields.h"

namespace tidewick::store_internal {

namespace {

TNameKinds KindsOf(std::string_view name) {
  TNameKinds kinds;
  kinds.FeedNumber = ElementNumber(name, "Feed");
  kinds.ItemNumber = ElementNumber(name, "Item");
  kinds.FeedField = FindFeedField(name);
  kinds.Info = SameName(name, "Info");
  kinds.Refresh = SameName(name, kRefreshElement);
  kinds.InfoField = FindInfoField(name);
  kinds.RefreshField = FindRefreshField(name);
  kinds.ItemField = FindItemField(name);
  return kinds;
}

// The block below a feed (Info, the refresh state or an entry) whose value name is, when its start tag was lost:
// Title, Link, Description and PublishedDate are Info's while the feed has neither Info nor entries yet.
TKind LostBlockOf(const TNameKinds& kinds, const TFrame& feed) {
  if (kinds.InfoField >= 0 && (feed.Seen & kInfoBit) == 0 && (kinds.ItemField < 0 || !feed.HasEntries)) {
    return TKind::Info;
  }
  if (kinds.RefreshField >= 0 && (feed.Seen & kRefreshBit) == 0) {
    return TKind::Refresh;
  }
  return kinds.ItemField >= 0 ? TKind::Item : TKind::Skipped;
}

}  // namespace

void TStoreBuilder::ReadRecovering(TTagScanner& scanner) {
  m_stack.Push({TKind::Root}, {}, {});
  for (;;) {
    const TScannedTag tag = scanner.NextNodeTag();
    if (tag.Kind == TTagKind::End) {
      break;
    }
    if (tag.Broken) {
      m_captureSound = false;
      continue;  // a tag cut off: what it held is lost, the next tag is read
    }
    if (tag.Kind == TTagKind::Close) {
      const std::string_view name = ElementName(tag.Text.substr(1));
      if (Capturing()) {
        if (Closes(Top(), name)) {
          Capture(tag);
        } else {
          m_captureSound = false;  // the kept element's own structure is broken
        }
      }
      RecoverClose(name);
      continue;
    }
    const std::string_view name = ElementName(tag.Text);
    const bool instruction = !name.empty() && name[0] == '?';
    RecoverStart(name, tag, tag.HasContent && !instruction);
  }
  while (m_stack.Size() > 1) {
    EndTop(false);
  }
  m_result.FeedListCutShort = !m_feedListEnded;
}

void TStoreBuilder::RecoverStart(std::string_view name, const TScannedTag& tag, bool canHaveChildren) {
  const TNameKinds kinds = KindsOf(name);
  // Each step opens the element, or ends or opens one the damage left open or lost, and looks again.
  for (int steps = 0; steps < 16; ++steps) {
    if (RecoverStep(kinds, name, tag, canHaveChildren)) {
      return;
    }
  }
  Open({}, name, &tag, canHaveChildren);
}

bool TStoreBuilder::RecoverStep(const TNameKinds& kinds, std::string_view name, const TScannedTag& tag,
                                bool canHaveChildren) {
  TFrame& top = Top();
  const auto openAs = [&](const TElement& element) {
    if (element.Kind == TKind::Unknown) {
      if (Capturing()) {
        Capture(tag);
      } else {
        BeginCapture(tag, canHaveChildren);
      }
    }
    Open(element, name, &tag, canHaveChildren);
    return true;
  };
  if (IsField(top.Kind)) {
    if (SameName(name, top.Name())) {
      EndTop(true);  // "<Title>text<Title>": the closing tag lost its "/"; the value is whole
      return true;
    }
    EndTop(false);  // a value holds no elements: its closing tag was lost, and its text with it
    return false;
  }
  switch (top.Kind) {
    case TKind::Root:
      if (kinds.Known()) {
        OpenImplicit(TKind::Feeds, "Feeds");
        return false;
      }
      return openAs({SameName(name, "Feeds") ? TKind::Feeds : TKind::Skipped});
    case TKind::Feeds:
      if (kinds.FeedNumber >= 0) {
        return openAs({TKind::Feed, -1, kinds.FeedNumber});
      }
      if (kinds.Known()) {
        OpenImplicit(TKind::Feed, "Feed");  // the feed's start tag was lost
        return false;
      }
      return openAs({TKind::Unknown});
    case TKind::Feed:
    case TKind::Info:
    case TKind::Refresh:
    case TKind::Item:
      return BelowFeedStep(kinds, name, tag, canHaveChildren);
    case TKind::Unknown: {
      const bool keptRoot = Capturing() && m_stack.Size() == m_captureDepth;
      const TKind parent = m_stack[m_stack.Size() - 2].Kind;
      // An account's values (its Title too) are its own, not those of a feed whose start tag was damaged.
      const bool account = keptRoot && SameName(Top().Name(), kAccountElement);
      if (keptRoot && parent == TKind::Feeds && kinds.Known() && !account) {
        TurnUnknownInto(TKind::Feed);  // a feed whose start tag was damaged
        return false;
      }
      const TKind block = parent == TKind::Feed ? LostBlockOf(kinds, m_stack[m_stack.Size() - 2]) : TKind::Skipped;
      if (keptRoot && block != TKind::Skipped) {
        TurnUnknownInto(block);  // Info, the refresh state or an entry whose start tag was damaged
        return false;
      }
      if (kinds.FeedNumber >= 0 || kinds.ItemNumber >= 0 || (parent == TKind::Feed && kinds.FeedLevel())) {
        EndTop(false);
        return false;
      }
      return openAs({TKind::Unknown});
    }
    default:
      if (kinds.FeedNumber >= 0 || kinds.ItemNumber >= 0) {
        EndTop(false);
        return false;
      }
      return openAs({});
  }
}

// Inside a feed: its values, Info, the refresh state and the entries.
bool TStoreBuilder::BelowFeedStep(const TNameKinds& kinds, std::string_view name, const TScannedTag& tag,
                                  bool canHaveChildren) {
  TFrame& top = Top();
  const auto openAs = [&](const TElement& element, uint32_t seenBit) {
    top.Seen |= seenBit;
    if (element.Kind == TKind::Unknown) {
      BeginCapture(tag, canHaveChildren);
    }
    Open(element, name, &tag, canHaveChildren);
    return true;
  };
  if (kinds.FeedNumber >= 0 || (top.Kind != TKind::Feed && (kinds.FeedLevel() || kinds.ItemNumber >= 0))) {
    EndTop(false);  // the element's end was lost: a later feed, or a later part of the feed, begins
    return false;
  }
  if (top.Kind == TKind::Info || top.Kind == TKind::Refresh) {
    const int field = top.Kind == TKind::Info ? kinds.InfoField : kinds.RefreshField;
    if (field >= 0 && (top.Seen & (1u << field)) == 0) {
      return openAs({top.Kind == TKind::Info ? TKind::InfoField : TKind::RefreshField, field}, 1u << field);
    }
    if (field >= 0 || kinds.BelowFeed()) {
      EndTop(false);  // a repeated or foreign value: the block ended unseen
      return false;
    }
    return openAs({}, 0);
  }
  if (top.Kind == TKind::Item) {
    if (kinds.ItemField >= 0 && (top.Seen & (1u << kinds.ItemField)) == 0) {
      return openAs({TKind::ItemField, kinds.ItemField}, 1u << kinds.ItemField);
    }
    if (kinds.ItemField == 0) {
      EndTop(false);  // a second title: the next entry began where the damage lies
      OpenImplicit(TKind::Item, "Item");
      return false;
    }
    return openAs({kinds.BelowFeed() ? TKind::Skipped : TKind::Unknown}, 0);  // another repeated value: the first wins
  }
  // The feed itself.
  if (StartsWithName(name, "Item")) {
    return openAs({TKind::Item, -1, std::max(kinds.ItemNumber, 0)}, 0);
  }
  if (kinds.FeedLevel()) {
    const uint32_t bit = kinds.Info ? kInfoBit : kinds.Refresh ? kRefreshBit : 1u << kinds.FeedField;
    if (top.HasEntries || (kinds.FeedField == kFeedFieldName && (top.Seen & bit) != 0)) {
      EndTop(false);  // the values of the next feed: its start, and this feed's end, were lost
      OpenImplicit(TKind::Feed, "Feed");
      return false;
    }
    if ((top.Seen & bit) != 0) {
      return openAs({}, 0);  // a repeated value: the first wins
    }
    const TKind kind = kinds.Info ? TKind::Info : kinds.Refresh ? TKind::Refresh : TKind::FeedField;
    return openAs({kind, kinds.FeedField}, bit);
  }
  // A value of a block whose start tag was lost.
  if (const TKind block = LostBlockOf(kinds, top); block != TKind::Skipped) {
    OpenImplicit(block, block == TKind::Info ? "Info" : block == TKind::Refresh ? kRefreshElement : "Item");
    return false;
  }
  return openAs({kinds.BelowFeed() ? TKind::Skipped : TKind::Unknown}, 0);
}

void TStoreBuilder::OpenImplicit(TKind kind, std::string_view name) {
  if (kind == TKind::Info) {
    Top().Seen |= kInfoBit;
  } else if (kind == TKind::Refresh) {
    Top().Seen |= kRefreshBit;
  }
  Open({kind}, name, nullptr, true);
  Top().Implicit = true;
}

void TStoreBuilder::TurnUnknownInto(TKind kind) {
  m_capture.clear();
  m_captureDepth = 0;
  const std::string name = m_stack.Pop().Written;  // its closing tag may carry the damaged name
  OpenImplicit(kind, name);
}

void TStoreBuilder::RecoverClose(std::string_view name) {
  for (size_t depth = m_stack.Size(); depth-- > 1;) {
    if (Closes(m_stack[depth], name)) {
      while (m_stack.Size() > depth + 1) {
        EndTop(false);  // their ends were lost
      }
      EndTop(true);
      return;
    }
  }
  TFrame& top = Top();
  if (IsField(top.Kind)) {
    EndTop(true);  // its own closing tag with a damaged name: a real end, so the value is whole
  } else if (top.Kind == TKind::Unknown || top.Kind == TKind::Skipped) {
    EndTop(false);
  } else {
    top.EndSeen = true;
  }
}

bool TStoreBuilder::Closes(const TFrame& frame, std::string_view name) const {
  if (SameName(name, frame.Name())) {
    return true;
  }
  switch (frame.Kind) {
    case TKind::Feed:
      return ElementNumber(name, "Feed") >= 0;
    case TKind::Item:
      return ElementNumber(name, "Item") >= 0;
    case TKind::Info:
      return frame.Implicit && SameName(name, "Info");
    case TKind::Refresh:
      return frame.Implicit && SameName(name, kRefreshElement);
    default:
      return false;
  }
}

}  // namespace tidewick::store_internal
