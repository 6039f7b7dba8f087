#pragma once

// The in-memory feed store: every subscribed feed with its channel information and its entries, and the
// operations that keep their positions (Index, EntryIndex, FeedIndex) consistent.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "feeds/sync_account.h"
#include "feeds/unknown_xml.h"
#include "util/dates.h"

namespace tidewick {

// Channel information as read from the feed document.
struct TFeedInfo {
  std::string Title;
  std::string Link;
  std::string Description;
  std::string Copyright;
  std::string Language;
  TDateTime PublishedDate = 0;
  TDateTime LastBuildDate = 0;
  int32_t TTL = 0;  // minutes the feed suggests between refreshes, 0 = none
  std::string ImageTitle;
  std::string ImageURL;
  std::string ImageLink;
  int32_t ImageWidth = 0;
  int32_t ImageHeight = 0;
};

// Marks one stored entry for lists that remember where it stands: 0 until a list stamps it, and 0 again in any
// copy, any moved-to slot and any moved-from one. So a list that finds its stamp at the remembered position knows
// the very entry it listed is still there, without comparing its texts.
class TEntryStamp {
 public:
  TEntryStamp() = default;
  TEntryStamp(const TEntryStamp&) noexcept {}
  TEntryStamp(TEntryStamp&& other) noexcept { other.m_value = 0; }
  TEntryStamp& operator=(const TEntryStamp& other) noexcept {
    if (this != &other) {
      m_value = 0;
    }
    return *this;
  }
  TEntryStamp& operator=(TEntryStamp&& other) noexcept {
    if (this != &other) {
      m_value = 0;
      other.m_value = 0;
    }
    return *this;
  }
  ~TEntryStamp() = default;

  uint32_t Value() const { return m_value; }
  void Set(uint32_t value) { m_value = value; }

 private:
  uint32_t m_value = 0;
};

// A file an entry carries: an absolute http or https address, its media type as the feed gave it and its length in
// bytes (-1 when unknown).
struct TEnclosure {
  std::string Url;
  std::string Type;
  int64_t Length = -1;

  bool operator==(const TEnclosure&) const = default;
};

inline constexpr size_t kMaxEntryEnclosures = 16;
inline constexpr size_t kMaxEnclosureUrlBytes = 2048;
inline constexpr size_t kMaxEnclosureTypeBytes = 128;

// One entry of a feed.
struct TEntry {
  std::string Title;
  std::string Link;
  std::string Description;  // may hold summary + kContentMarker + full content
  TDateTime PublishedDate = 0;
  std::string Author;
  bool IsRead = false;
  bool Visited = false;
  bool Starred = false;  // flagged by the user: kept by the merge even after it left the feed
  // The title and link earlier versions of the readers gave this entry, when they differ from Title and Link: the
  // merge recognises a stored entry by them too, so an upgrade never brings it back unread. Set by the readers,
  // never stored.
  bool HasLegacyIdentity = false;
  int32_t EntryIndex = -1;  // own position in the feed's Items
  int32_t FeedIndex = -1;   // position of the owning feed in Feeds
  TEntryStamp Stamp;        // never stored; fits the room the fields above leave
  TUnknownXml Unknown;      // what a newer version stored with the entry
  std::string LegacyTitle;
  std::string LegacyLink;
  // The feed's categories of the entry, single-line texts (at most kMaxEntryCategories of kMaxCategoryBytes each);
  // stored as one "Categories" element, one a line, only when there are any. Not part of the identity.
  std::vector<std::string> Categories;
  // Files the entry carries (podcast audio, video, attachments), at most kMaxEntryEnclosures, each address once;
  // stored as one "Enclosures" element, one a line, only when there are any. Not part of the identity.
  std::vector<TEnclosure> Enclosures;
  // The server's article id of an entry of an account feed (stored "ArticleId", only when not 0): such entries are
  // matched by it, never by title, link and author. 0 for entries of local feeds.
  int64_t ArticleId = 0;
};

inline constexpr size_t kMaxEntryCategories = 32;
inline constexpr size_t kMaxCategoryBytes = 256;

using TEntries = std::vector<TEntry>;

// What refreshes learnt from the feed's server, kept in the store so the window and the command-line tool share it.
// It belongs to the address in Url: once the feed has another address it counts as empty.
struct TFeedRefreshState {
  std::string Url;             // the address all of this was learnt from
  std::string ETag;            // validators of the stored entries, sent back on the next refresh
  std::string LastModified;    // (the server may send either, both or none)
  TDateTime RetryAfter = 0;    // the server asked for no request before this moment (UTC); 0 = no such wish
  bool Gone = false;           // the server said 410 Gone: only a refresh the user asks for tries again
  std::string RedirectTarget;  // where a permanent redirect led on the last successful refreshes
  int32_t RedirectCount = 0;   // how many in a row led there
  std::string MovedFrom;       // the address before the feed followed a permanent redirect
  // The last request: when it was sent (UTC, 0 = never), the HTTP status (0: no answer), the bytes received,
  // whether the server said the document was unchanged, and why it failed (empty when it did not).
  TDateTime LastTime = 0;
  int32_t LastStatus = 0;
  int64_t LastBytes = 0;
  bool LastUnchanged = false;
  std::string LastFailure;

  bool operator==(const TFeedRefreshState&) const = default;
};

// One subscribed feed.
struct TFeed {
  std::string Name;  // unique in Feeds, never contains "[" or "]"
  std::string URL;
  std::string FeedType;  // "RSS/2.0", "Atom/1.0", "Atom", "RDF", "SMF"
  TFeedInfo Info;
  TEntries Entries;
  int16_t Interval = -1;       // minutes between timed refreshes; 0 = none, -1 = not yet set
  int32_t MinutesElapsed = 0;  // not stored
  int32_t Index = -1;          // own position in Feeds; not stored
  bool RefreshAtStart = false;
  TDateTime LastDownloaded = 0;
  bool Error = false;
  bool LoadImages = false;  // the entry view loads this feed's remote images without asking
  TFeedRefreshState Refresh;
  // Stable identity for the whole run, given by AddFeed (0 = not in the store); never stored. Refresh results are
  // handed back by this id, so deleting or reordering feeds meanwhile cannot misplace them.
  uint64_t Id = 0;
  TUnknownXml Unknown;  // what a newer version stored with the feed
  // Where the feed lives on a sync server; empty Account for a local feed (see feeds/sync_account.h).
  TFeedRemote Remote;
};

using TFeeds = std::vector<TFeed>;

// The one store of the program; belongs to the main thread.
extern TFeeds Feeds;

// Joins an RSS entry's summary and full content in one Description.
inline constexpr std::string_view kContentMarker = "[~Tidewick_Content~]";

void InitFeedInfo(TFeedInfo& info);
void InitEntry(TEntry& item);
// Adds a category on one line (breaks and tabs become blanks), trimmed and cut to kMaxCategoryBytes, unless it is
// empty, already there or the list is full.
void AddEntryCategory(TEntry& item, std::string_view category);
// Adds an enclosure unless its address is empty, longer than kMaxEnclosureUrlBytes, holds a blank or control
// character, is already there or the list is full; the type is kept on one line, cut to kMaxEnclosureTypeBytes, and a
// negative length counts as unknown.
void AddEntryEnclosure(TEntry& item, TEnclosure enclosure);
// The enclosures as the store keeps them, one a line: address, tab, type, tab, length (empty when unknown); and back.
std::string EnclosureLines(const std::vector<TEnclosure>& enclosures);
void ReadEnclosureLines(TEntry& item, std::string_view lines);

// Text before the first content marker; the whole description without a marker.
std::string ItemSummary(std::string_view description);
// Text between the first marker and the next (or the end); the whole description when that is empty or there
// is no marker.
std::string ItemContent(std::string_view description);

// Feed list operations, all on Feeds.
// Appends a copy (or the moved record), numbers Index, EntryIndex and FeedIndex, gives it a fresh Id; returns the
// position.
int AddFeed(const TFeed& feed);
int AddFeed(TFeed&& feed);
// Removes the feed at index; the last feed moves into the gap and is renumbered. False for an invalid index.
bool DeleteFeed(int index);
// A fresh TFeed::Id, for code that adds feeds to a store other than through AddFeed (a sync adding account feeds).
uint64_t NewFeedId();
int FeedCount();
// Position of the first feed whose Name equals name (after StripUnreadSuffix) byte for byte, or -1.
int FindFeed(std::string_view name);
// Position of the feed with this Id, or -1 (it was deleted).
int FindFeedById(uint64_t id);
// -1 when feedIndex is not a feed; otherwise the number of its items.
int ItemCount(int feedIndex);
void MarkFeedRead(int feedIndex);
void MarkFeedUnread(int feedIndex);
// Unread items of that feed; with a negative feedIndex over all feeds.
int UnreadCount(int feedIndex);
int TotalUnreadCount();
int ErrorFeedCount();

// Item list operations.
// Position of the first entry of items with the same Title, Link and Author (byte for byte), or -1.
int FindItem(const TEntry& item, const TEntries& items);
// Removes the entry at index by moving the last entry into the gap (order not kept, no renumbering).
bool DeleteItem(TEntries& items, int index);
void SetItemIndices(TEntries& items, int feedIndex);

// Names.
// Trims blanks, turns "[" / "]" into "(" / ")" and a character XML forbids into U+FFFD; true when this changed the
// name.
bool SanitizeFeedName(std::string& name);
// The sanitised name, with 1, 2, 3 ... appended while FindFeed finds it.
std::string UniqueFeedName(std::string_view name);
// Name + " [" + unread + "]" when showUnreadCount (the ShowUnreadCount setting) is on and unread >= 1.
std::string FeedDisplayName(std::string_view name, int unread, bool showUnreadCount);
// Removes the " [n]" suffix that FeedDisplayName adds.
std::string StripUnreadSuffix(std::string_view name);

}  // namespace tidewick
