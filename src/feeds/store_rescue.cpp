#include "feeds/store_rescue.h"

#include <algorithm>
#include <set>
#include <unordered_set>
#include <utility>

#include "feeds/store_fields.h"

namespace tidewick {

namespace {

// An entry's identity as the merge sees it.
std::string IdentityOf(const TEntry& item) {
  std::string identity = item.Title;
  identity.append(1, '\0').append(item.Link).append(1, '\0').append(item.Author);
  return identity;
}

bool Read(const TFeedPlace& place, TFeedField field) {
  return (place.ValuesRead & (1u << field)) != 0;
}

// The backup's copy of a feed read from the damaged store: the one with its address and name, or, when the damage
// took one of them, the one at its place that has the other. -1 when there is none.
int BackupCopyOf(const TFeed& feed, const TFeedPlace& place, const TFeeds& backup, const std::vector<bool>& taken) {
  const bool nameRead = Read(place, kFeedFieldName);
  const bool urlRead = Read(place, kFeedFieldUrl);
  if (nameRead && urlRead) {
    for (size_t j = 0; j < backup.size(); ++j) {
      if (!taken[j] && backup[j].URL == feed.URL && backup[j].Name == feed.Name) {
        return static_cast<int>(j);
      }
    }
    return -1;
  }
  const auto j = static_cast<size_t>(place.Slot - 1);
  if (place.Slot < 1 || j >= backup.size() || taken[j] || (nameRead && backup[j].Name != feed.Name) ||
      (urlRead && backup[j].URL != feed.URL)) {
    return -1;
  }
  return static_cast<int>(j);
}

// The feed's values the damage took, from its backup copy.
void FillValues(TFeed& feed, const TFeedPlace& place, const TFeed& saved) {
  const auto fill = [&](TFeedField field, auto member) {
    if (!Read(place, field)) {
      feed.*member = saved.*member;
    }
  };
  fill(kFeedFieldName, &TFeed::Name);
  fill(kFeedFieldUrl, &TFeed::URL);
  fill(kFeedFieldType, &TFeed::FeedType);
  fill(kFeedFieldInterval, &TFeed::Interval);
  fill(kFeedFieldRefreshAtStart, &TFeed::RefreshAtStart);
  fill(kFeedFieldLastDownloaded, &TFeed::LastDownloaded);
  fill(kFeedFieldError, &TFeed::Error);
  fill(kFeedFieldLoadImages, &TFeed::LoadImages);
  const auto fillRemote = [&](TFeedField field, std::string TFeedRemote::*member) {
    if (!Read(place, field)) {
      feed.Remote.*member = saved.Remote.*member;
    }
  };
  fillRemote(kFeedFieldSyncAccount, &TFeedRemote::Account);
  fillRemote(kFeedFieldSyncFeedId, &TFeedRemote::FeedId);
  fillRemote(kFeedFieldSyncCategoryId, &TFeedRemote::CategoryId);
  fillRemote(kFeedFieldSyncCategory, &TFeedRemote::CategoryTitle);
  if (!place.InfoRead) {
    feed.Info = saved.Info;
  }
  if (!place.RefreshRead && !place.InfoRead) {
    feed.Refresh = saved.Refresh;  // it comes before Info: lost with it
  }
}

// Adds the backup's entries at places of feed that the damage left empty (between entries read, or after the last
// one when the feed's end was lost), unless feed holds them already; the number added.
int FillEntries(TFeed& feed, const TFeedPlace& place, const TFeed& saved) {
  std::unordered_set<std::string> present;
  std::vector<std::pair<int, TEntry>> placed;
  for (size_t i = 0; i < feed.Entries.size(); ++i) {
    present.insert(IdentityOf(feed.Entries[i]));
    placed.emplace_back(i < place.EntrySlots.size() ? place.EntrySlots[i] : 0, std::move(feed.Entries[i]));
  }
  const std::set<int> shown(place.EntrySlots.begin(), place.EntrySlots.end());
  const int last = shown.empty() ? 0 : *shown.rbegin();
  int added = 0;
  for (size_t q = 0; q < saved.Entries.size(); ++q) {
    const int slot = static_cast<int>(q) + 1;
    if (shown.contains(slot) || (slot > last && !place.EntriesCutShort) ||
        !present.insert(IdentityOf(saved.Entries[q])).second) {
      continue;
    }
    placed.emplace_back(slot, saved.Entries[q]);
    ++added;
  }
  std::stable_sort(placed.begin(), placed.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  feed.Entries.clear();
  for (auto& [slot, item] : placed) {
    feed.Entries.push_back(std::move(item));
  }
  return added;
}

struct TPlacedFeed {
  int Slot = 0;
  bool NameLost = false;  // it has the placeholder name
  TFeed Feed;
};

// Feeds whose name the damage took have the placeholder: numbered, so that names stay unique.
void NumberLostNames(std::vector<TPlacedFeed>& placed) {
  std::set<std::string> names;
  for (const TPlacedFeed& feed : placed) {
    if (!feed.NameLost) {
      names.insert(feed.Feed.Name);
    }
  }
  for (TPlacedFeed& feed : placed) {
    if (!feed.NameLost) {
      continue;
    }
    const std::string base = feed.Feed.Name;
    for (int n = 1; names.contains(feed.Feed.Name); ++n) {
      feed.Feed.Name = base + std::to_string(n);
    }
    names.insert(feed.Feed.Name);
  }
}

}  // namespace

TStoreRescue RescueStore(TStoreReadResult&& damaged, const TFeeds* backup) {
  TStoreRescue rescue;
  std::vector<bool> taken(backup != nullptr ? backup->size() : 0, false);
  std::vector<TPlacedFeed> placed;
  std::set<int> shown;
  for (size_t i = 0; i < damaged.Feeds.size(); ++i) {
    const TFeedPlace place = i < damaged.Places.size() ? damaged.Places[i] : TFeedPlace{};
    TPlacedFeed& read =
        placed.emplace_back(TPlacedFeed{place.Slot, !Read(place, kFeedFieldName), std::move(damaged.Feeds[i])});
    shown.insert(place.Slot);
    ++rescue.FeedsRead;
    rescue.EntriesRead += static_cast<int>(read.Feed.Entries.size());
    const int copy = backup != nullptr ? BackupCopyOf(read.Feed, place, *backup, taken) : -1;
    if (copy < 0) {
      continue;
    }
    const TFeed& saved = (*backup)[static_cast<size_t>(copy)];
    taken[static_cast<size_t>(copy)] = true;
    FillValues(read.Feed, place, saved);
    read.NameLost = false;
    rescue.EntriesFromBackup += FillEntries(read.Feed, place, saved);
  }
  if (backup != nullptr) {
    std::set<std::string> names;
    for (const TPlacedFeed& read : placed) {
      names.insert(read.Feed.Name);
    }
    const int last = shown.empty() ? 0 : *shown.rbegin();
    for (size_t j = 0; j < backup->size(); ++j) {
      const int slot = static_cast<int>(j) + 1;
      const TFeed& saved = (*backup)[j];
      if (taken[j] || shown.contains(slot) || (slot > last && !damaged.FeedListCutShort) ||
          names.contains(saved.Name)) {
        continue;  // read already, or shown deleted
      }
      names.insert(saved.Name);
      rescue.FeedsFromBackup.push_back(saved.Name);
      placed.push_back({slot, false, saved});
    }
  }
  std::stable_sort(placed.begin(), placed.end(), [](const auto& a, const auto& b) { return a.Slot < b.Slot; });
  NumberLostNames(placed);
  for (TPlacedFeed& feed : placed) {
    rescue.Feeds.push_back(std::move(feed.Feed));
  }
  return rescue;
}

}  // namespace tidewick
