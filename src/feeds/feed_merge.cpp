#include "feeds/feed_merge.h"

#include <cstddef>
#include <functional>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "util/case_fold.h"

namespace tidewick {

namespace {

// An entry's identity: Title, Link and Author, byte for byte.
struct TEntryKey {
  std::string_view Title;
  std::string_view Link;
  std::string_view Author;
  bool operator==(const TEntryKey&) const = default;
};

struct TEntryKeyHash {
  size_t operator()(const TEntryKey& key) const {
    const std::hash<std::string_view> hash;
    size_t value = hash(key.Title);
    value = value * 1000003u ^ hash(key.Link);
    return value * 1000003u ^ hash(key.Author);
  }
};

TEntryKey KeyOf(const TEntry& item) {
  return {item.Title, item.Link, item.Author};
}

// The identity earlier readers gave a downloaded entry.
TEntryKey LegacyKeyOf(const TEntry& item) {
  return {item.LegacyTitle, item.LegacyLink, item.Author};
}

using TIdentityMap = std::unordered_map<TEntryKey, size_t, TEntryKeyHash>;

// Download entries by the identity earlier readers gave them (first occurrence wins), for the entries whose identity
// the current readers changed; empty for most downloads.
template <typename TFreshEntries>
TIdentityMap LegacyIdentities(const TFreshEntries& freshItems, const std::vector<size_t>& identity) {
  TIdentityMap legacy;
  for (size_t i = 0; i < freshItems.size(); ++i) {
    if (freshItems[i].HasLegacyIdentity) {
      legacy.try_emplace(LegacyKeyOf(freshItems[i]), identity[i]);
    }
  }
  return legacy;
}

// claimed[k]: a stored entry has the current identity of download entry k. A stored entry that only has the earlier
// identity of k then is an older copy of it, not k itself.
std::vector<bool> ClaimedIdentities(const TEntries& items, const TIdentityMap& firstOccurrence, size_t count) {
  std::vector<bool> claimed(count, false);
  for (const TEntry& item : items) {
    if (const auto found = firstOccurrence.find(KeyOf(item)); found != firstOccurrence.end()) {
      claimed[found->second] = true;
    }
  }
  return claimed;
}

// The text of an entry that auto-read terms are searched in, folded; a content marker becomes a line break,
// which no term (one line each) can match or span.
std::string FoldedSearchText(const TEntry& item) {
  std::string text;
  text.reserve(item.Title.size() + item.Author.size() + item.Description.size() + 4);
  text += item.Title;
  text += "\r\n";
  text += item.Author;
  text += "\r\n";
  std::string_view rest = item.Description;
  for (size_t marker = rest.find(kContentMarker); marker != std::string_view::npos;
       marker = rest.find(kContentMarker)) {
    text += rest.substr(0, marker);
    text += "\r\n";
    rest.remove_prefix(marker + kContentMarker.size());
  }
  text += rest;
  return FoldCase(text);
}

}  // namespace

TAutoReadTerms::TAutoReadTerms(const std::vector<std::string>& terms) {
  for (const std::string& term : terms) {
    if (!term.empty()) {
      m_folded.push_back(FoldCase(term));
    }
  }
}

TAutoReadTerms TAutoReadTerms::FromList(std::string_view list) {
  std::vector<std::string> terms;
  while (!list.empty()) {
    const size_t end = list.find('\n');
    std::string_view line = list.substr(0, end);
    if (!line.empty() && line.back() == '\r') {
      line.remove_suffix(1);
    }
    terms.emplace_back(line);
    if (end == std::string_view::npos) {
      break;
    }
    list.remove_prefix(end + 1);
  }
  return TAutoReadTerms(terms);
}

bool TAutoReadTerms::Matches(const TEntry& item) const {
  if (m_folded.empty()) {
    return false;
  }
  const std::string text = FoldedSearchText(item);
  for (const std::string& term : m_folded) {
    if (!term.empty() && text.find(term) != std::string::npos) {
      return true;
    }
  }
  return false;
}

namespace {

// freshItems is const (copied from) or not (moved from).
template <typename TFreshEntries>
TMergeCounts MergeEntries(TFeed& stored, TFreshEntries& freshItems, const TAutoReadTerms& autoRead, TDateTime now) {
  TMergeCounts counts;

  // Each distinct identity in the download gets the number of its first occurrence.
  TIdentityMap firstOccurrence;
  firstOccurrence.reserve(freshItems.size());
  std::vector<size_t> identity(freshItems.size());
  for (size_t i = 0; i < freshItems.size(); ++i) {
    identity[i] = firstOccurrence.try_emplace(KeyOf(freshItems[i]), i).first->second;
  }
  // present[k]: an entry with the identity of download entry k is in stored.Entries.
  std::vector<bool> present(freshItems.size(), false);
  TEntries& items = stored.Entries;
  const TIdentityMap legacy = LegacyIdentities(freshItems, identity);
  const std::vector<bool> claimed =
      legacy.empty() ? std::vector<bool>() : ClaimedIdentities(items, firstOccurrence, freshItems.size());

  // Drop what is gone; the last entry moves into each gap and is examined next. A stored entry known only by its
  // earlier identity takes the current title and link and keeps its marks.
  size_t i = 0;
  while (i < items.size()) {
    const auto found = firstOccurrence.find(KeyOf(items[i]));
    if (found != firstOccurrence.end()) {
      present[found->second] = true;
      if (items[i].Enclosures.empty() && !freshItems[found->second].Enclosures.empty()) {
        items[i].Enclosures = freshItems[found->second].Enclosures;  // an upgrade shows the files of stored entries
        ++counts.GotFiles;
      }
      ++i;
      continue;
    }
    const auto earlier = legacy.empty() ? legacy.end() : legacy.find(KeyOf(items[i]));
    if (earlier != legacy.end() && !claimed[earlier->second] && !present[earlier->second]) {
      const TEntry& current = freshItems[earlier->second];
      items[i].Title = current.Title;
      items[i].Link = current.Link;
      ++counts.Retitled;
      present[earlier->second] = true;
      ++i;
      continue;
    }
    if (items[i].Starred) {
      ++i;  // the user flagged it to keep it, also once the feed no longer holds it
      continue;
    }
    DeleteItem(items, static_cast<int>(i));
    ++counts.Removed;
  }

  // Add what is new, in document order; a duplicate inside the download is added once.
  for (size_t k = 0; k < freshItems.size(); ++k) {
    if (present[identity[k]]) {
      continue;
    }
    present[identity[k]] = true;
    // Copies from a const download. Moving leaves the identity keys pointing into emptied texts: none is looked up
    // any more.
    TEntry& added = items.emplace_back(std::move(freshItems[k]));
    added.IsRead = autoRead.Matches(added);
    added.Visited = false;
    added.Starred = false;
    added.HasLegacyIdentity = false;  // only the download needs it
    added.LegacyTitle = {};
    added.LegacyLink = {};
    ++counts.Added;
    counts.AddedRead += added.IsRead ? 1 : 0;
  }

  // Entries are kept for good, so the room the list grew by while adding does not stay around with them.
  if (items.capacity() - items.size() > items.size() / 8) {
    items.shrink_to_fit();
  }
  stored.MinutesElapsed = 0;
  stored.LastDownloaded = now;
  stored.Error = false;
  SetItemIndices(items, stored.Index);
  return counts;
}

}  // namespace

TMergeCounts MergeFeed(TFeed& stored, const TFeed& fresh, const TAutoReadTerms& autoRead, TDateTime now) {
  return MergeEntries(stored, fresh.Entries, autoRead, now);
}

TMergeCounts MergeFeed(TFeed& stored, const TFeed& fresh, const TAutoReadTerms& autoRead) {
  return MergeEntries(stored, fresh.Entries, autoRead, NowUtc());
}

TMergeCounts MergeFeed(TFeed& stored, TFeed&& fresh, const TAutoReadTerms& autoRead) {
  return MergeEntries(stored, fresh.Entries, autoRead, NowUtc());
}

}  // namespace tidewick
