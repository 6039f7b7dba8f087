#pragma once

// Merging a fresh download into a stored feed: entries that left the feed are dropped (unless starred), new ones are
// appended in document order (born read when they contain an auto-read term), entries that stay keep their stored
// record and marks (only a record without files takes the feed's, so entries stored before files were kept show
// them). An entry is identified by Title, Link and Author together.

#include <string>
#include <string_view>
#include <vector>

#include "feeds/feed_records.h"
#include "util/dates.h"

namespace tidewick {

// The AutoReadList setting, folded once for many tests.
class TAutoReadTerms {
 public:
  TAutoReadTerms() = default;
  // One term per element; empty terms never match.
  explicit TAutoReadTerms(const std::vector<std::string>& terms);
  // The setting's text: one term per line (CR LF or LF).
  static TAutoReadTerms FromList(std::string_view list);

  // True when any term occurs, ignoring case (Unicode folding), in Title CR LF Author CR LF Description. The
  // content marker is not part of the searched text: a term can never match it, nor span it.
  bool Matches(const TEntry& item) const;
  bool Empty() const { return m_folded.empty(); }

 private:
  std::vector<std::string> m_folded;
};

struct TMergeCounts {
  int Removed = 0;
  int Added = 0;
  int AddedRead = 0;  // of Added, born read by the auto-read terms
  int Retitled = 0;   // stored entries known by their earlier identity that took the current title and link
  int GotFiles = 0;   // stored entries without files (stored by a version that did not keep them) that took the feed's
  // Whether the entries changed at all (MinutesElapsed, LastDownloaded and Error always do).
  bool EntriesChanged() const { return Removed > 0 || Added > 0 || Retitled > 0 || GotFiles > 0; }
};

// Merges fresh.Entries into stored (in place) by the rule above, in linear time; the survivors end up in exactly
// the order the drop-by-moving-the-last-entry walk gives. Then MinutesElapsed = 0, LastDownloaded = now,
// Error = false, and every item is renumbered with stored.Index. stored.Info, FeedType and the rest stay.
// Meant for the main thread at hand-back, on the live record in Feeds.
TMergeCounts MergeFeed(TFeed& stored, const TFeed& fresh, const TAutoReadTerms& autoRead, TDateTime now);
TMergeCounts MergeFeed(TFeed& stored, const TFeed& fresh, const TAutoReadTerms& autoRead);  // now = NowUtc()
// The same for a download that is not needed afterwards: its new entries are moved, not copied (the hand-back of a
// large feed would otherwise copy every text on the main thread).
TMergeCounts MergeFeed(TFeed& stored, TFeed&& fresh, const TAutoReadTerms& autoRead);

}  // namespace tidewick
