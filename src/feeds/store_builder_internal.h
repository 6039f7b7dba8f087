#pragma once

// The pieces of the store builder (store_builder.cpp reads sound stores, store_recovery.cpp damaged ones); not part
// of the public interface.

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "feeds/store_fields.h"
#include "feeds/store_reader.h"
#include "feeds/store_scanner.h"

namespace tidewick::store_internal {

enum class TKind : uint8_t {
  Root,
  Feeds,
  Feed,
  Info,
  Refresh,
  Item,
  FeedField,
  InfoField,
  RefreshField,
  ItemField,
  Unknown,  // kept as XML text when it is a child of the feed list, a feed or an entry
  Skipped,
};

inline bool IsField(TKind kind) {
  return kind == TKind::FeedField || kind == TKind::InfoField || kind == TKind::RefreshField ||
         kind == TKind::ItemField;
}

inline constexpr uint32_t kInfoBit = 1u << 31;
inline constexpr uint32_t kRefreshBit = 1u << 30;
// The values every complete entry holds (Starred, written only when set, is not one of them).
inline constexpr uint32_t kEveryItemField = (1u << 7) - 1;
inline constexpr uint32_t kNameAndUrl = (1u << kFeedFieldName) | (1u << kFeedFieldUrl);

// What an element is to the store.
// The name of an element this version knows, as written (the name in the file matched it ignoring case); empty for
// feeds, entries and what is unknown.
constexpr std::string_view KnownName(TKind kind, int field) {
  const auto index = static_cast<size_t>(field);
  switch (kind) {
    case TKind::Feeds:
      return "Feeds";
    case TKind::Info:
      return "Info";
    case TKind::Refresh:
      return kRefreshElement;
    case TKind::FeedField:
      return index < kFeedFieldNames.size() ? kFeedFieldNames[index] : std::string_view();
    case TKind::InfoField:
      return index < kInfoFieldNames.size() ? kInfoFieldNames[index] : std::string_view();
    case TKind::RefreshField:
      return index < kRefreshFieldNames.size() ? kRefreshFieldNames[index] : std::string_view();
    case TKind::ItemField:
      return index < kItemFieldNames.size() ? kItemFieldNames[index] : std::string_view();
    default:
      return {};
  }
}

struct TElement {
  TElement() = default;
  TElement(TKind kind, int field = -1, int number = 0) : Kind(kind), Field(field), Number(number) {}  // NOLINT

  TKind Kind = TKind::Skipped;
  int Field = -1;
  int Number = 0;          // of a FeedN or ItemN element
  std::string_view Known;  // its known name (KnownName); may stay empty, then the name as written is matched
};

// An element of the known kind, with its known name.
inline TElement KnownElement(TKind kind) {
  TElement element{kind};
  element.Known = KnownName(kind, -1);
  return element;
}

// An open element.
struct TFrame : TElement {
  uint32_t Seen = 0;      // children met, so the first match wins: field bits, Info, Refresh
  uint32_t Closed = 0;    // fields (and Info, Refresh) that ended with their own closing tag
  bool Implicit = false;  // recovery: its start tag was lost, its children showed it
  bool EndSeen = false;   // recovery: a closing tag of another name came while it was innermost (its own, damaged)
  bool HasEntries = false;
  // The name its closing tag must have (ignoring case): the known name of a value, Info and the like, otherwise the
  // name as its start tag wrote it (kept only then: copying every name would cost the reading of a sound store).
  std::string Written;
  std::string_view Name() const { return Known.empty() ? std::string_view(Written) : Known; }
};

// The open elements, innermost last. Frames are reused in place, their name buffers too, so opening and ending an
// element allocates nothing.
class TFrameStack {
 public:
  bool Empty() const { return m_size == 0; }
  size_t Size() const { return m_size; }
  TFrame& Top() { return m_frames[m_size - 1]; }
  const TFrame& Top() const { return m_frames[m_size - 1]; }
  TFrame& operator[](size_t depth) { return m_frames[depth]; }
  const TFrame& operator[](size_t depth) const { return m_frames[depth]; }

  TFrame& Push(const TElement& element, std::string_view name, std::string_view known) {
    if (m_size == m_frames.size()) {
      m_frames.emplace_back();
    }
    TFrame& frame = m_frames[m_size++];
    static_cast<TElement&>(frame) = element;
    frame.Seen = frame.Closed = 0;
    frame.Implicit = frame.EndSeen = frame.HasEntries = false;
    frame.Known = known;  // empty when the name as written must be matched
    if (known.empty()) {
      frame.Written.assign(name);
    }
    return frame;
  }
  // The frame stays as it was until the next Push.
  TFrame& Pop() { return m_frames[--m_size]; }
  // The same open elements, as far as reading what follows goes.
  bool SameElements(const TFrameStack& other) const {
    for (size_t depth = 0; depth < m_size && m_size == other.m_size; ++depth) {
      const TFrame& mine = m_frames[depth];
      const TFrame& theirs = other.m_frames[depth];
      if (mine.Kind != theirs.Kind || mine.Field != theirs.Field || mine.Number != theirs.Number ||
          mine.Seen != theirs.Seen || mine.Name() != theirs.Name()) {
        return false;
      }
    }
    return m_size == other.m_size;
  }

 private:
  std::vector<TFrame> m_frames;
  size_t m_size = 0;
};

// The number of an element named prefix + digits ("Feed12", ignoring case), or -1.
int ElementNumber(std::string_view name, std::string_view prefix);

// What a tag's name is to the store, worked out once for the recovery rules.
struct TNameKinds {
  int FeedNumber = -1;  // a FeedN element
  int ItemNumber = -1;  // an ItemN element
  int FeedField = -1;
  bool Info = false;
  bool Refresh = false;
  int InfoField = -1;
  int RefreshField = -1;
  int ItemField = -1;
  bool FeedLevel() const { return FeedField >= 0 || Info || Refresh; }
  bool BelowFeed() const { return InfoField >= 0 || RefreshField >= 0 || ItemField >= 0; }
  bool Known() const { return FeedNumber >= 0 || ItemNumber >= 0 || FeedLevel() || BelowFeed(); }
};

// Builds feed records from the tags of one store document, in one of the two readings of store_builder.h.
class TStoreBuilder {
 public:
  TStoreBuilder(TStoreReadResult& result, bool recovery) : m_result(result), m_recovery(recovery) {}

  std::string ReadSound(TTagScanner& scanner);
  void ReadRecovering(TTagScanner& scanner);

  // A sound store read in parts (store_parts.h). The head: reads up to the feed list's start tag; false when the
  // document breaks or ends before it.
  bool ReadSoundHead(TTagScanner& scanner);
  // A part of the store: the first begins with the document, every other one with a feed's start tag inside the
  // elements around (what the head left open); each but the last ends where the next part's first feed starts.
  // Empty when it read soundly to its end: a part before another then ended with nothing open but around, and its
  // last tag and the text after it whole.
  std::string ReadSoundPart(TTagScanner& scanner, const TFrameStack& around, bool first, bool last);
  const TFrameStack& OpenElements() const { return m_stack; }

 private:
  TFeed& Current() { return m_result.Feeds.back(); }
  TFrame& Top() { return m_stack.Top(); }
  bool Capturing() const { return m_captureDepth > 0; }

  // Sound reading. m_stop says where it ends: with the document, after the feed list's start tag (the head of a
  // store read in parts) or with the input, between two feeds (a part before another).
  enum class TSoundStop : uint8_t { Document, FeedListStart, BetweenFeeds };
  std::string ReadSoundTags(TTagScanner& scanner, TSoundStop stop);
  bool AtFeedList() const { return !m_stack.Empty() && m_stack.Top().Kind == TKind::Feeds && !Capturing(); }
  void SoundStart(std::string_view name, const TScannedTag& tag, bool canHaveChildren);
  TElement Classify(std::string_view name);
  TElement ClassifyBelowFeed(TFrame& parent, std::string_view name);
  static TElement FirstField(TFrame& parent, int field, TKind kind);
  std::string Judge(TTagScanner& scanner, bool rootClosed);

  // Recovery.
  void RecoverStart(std::string_view name, const TScannedTag& tag, bool canHaveChildren);
  bool RecoverStep(const TNameKinds& kinds, std::string_view name, const TScannedTag& tag, bool canHaveChildren);
  bool BelowFeedStep(const TNameKinds& kinds, std::string_view name, const TScannedTag& tag, bool canHaveChildren);
  void RecoverClose(std::string_view name);
  bool Closes(const TFrame& frame, std::string_view name) const;
  void OpenImplicit(TKind kind, std::string_view name);
  void TurnUnknownInto(TKind kind);

  // Both.
  void Open(const TElement& element, std::string_view name, const TScannedTag* tag, bool canHaveChildren);
  void Assign(const TFrame& field, std::string&& value) {
    switch (field.Kind) {
      case TKind::FeedField:
        AssignFeedField(Current(), field.Field, std::move(value));
        break;
      case TKind::InfoField:
        AssignInfoField(Current().Info, field.Field, std::move(value));
        break;
      case TKind::RefreshField:
        AssignRefreshField(Current().Refresh, field.Field, std::move(value));
        break;
      default:
        AssignItemField(Current().Entries.back(), field.Field, std::move(value));
        break;
    }
  }
  // Ends the innermost element; a value (most elements) without a kept element around it on a short path.
  void EndTop(bool ownTag) {
    const TFrame& top = m_stack.Top();
    if (ownTag && !Capturing() && (top.Kind == TKind::FeedField || top.Kind == TKind::ItemField)) {
      m_stack.Pop();
      m_stack.Top().Closed |= 1u << top.Field;
    } else if (ownTag && !Capturing() && IsField(top.Kind)) {
      m_stack.Pop();
    } else {
      EndElement(ownTag);
    }
  }
  void EndElement(bool ownTag);
  void EndItem(const TFrame& frame, bool ownTag);
  void EndFeed(const TFrame& frame, bool ownTag);
  void BeginCapture(const TScannedTag& tag, bool canHaveChildren);
  void Capture(const TScannedTag& tag) {
    if (Capturing()) {
      CaptureText(tag);
    }
  }
  void CaptureText(const TScannedTag& tag);

  TStoreReadResult& m_result;
  const bool m_recovery;
  TFrameStack m_stack;
  bool m_tailPlain = false;  // between feeds: the last tag and the text after it hold no "<" (they ended whole)
  bool m_sawFeeds = false;
  bool m_sawOther = false;
  // An unknown element being kept: the text so far, its depth in the stack (0: none), whose it is.
  std::string m_capture;
  size_t m_captureDepth = 0;
  TKind m_captureOwner = TKind::Feeds;
  bool m_captureSound = true;
  // Recovery: the last feed's and entry's place, and whether the feed list ended readably.
  int m_lastFeedSlot = 0;
  int m_lastEntrySlot = 0;
  bool m_feedListEnded = false;
};

}  // namespace tidewick::store_internal
