// Applying a complete sync to the store, and the snapshot a sync starts from.

#include <algorithm>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "formats/link_resolution.h"
#include "formats/reader_support.h"
#include "sync/sync_download.h"
#include "util/strings.h"

namespace tidewick {

namespace {

bool Uncategorised(const std::string& categoryId) {
  return categoryId.empty() || categoryId == "0";
}

// Feed names are unique in the store: the server's title, else its address, with the lowest free number appended
// (as an OPML import names its feeds).
class TFeedNamer {
 public:
  explicit TFeedNamer(const TFeeds& feeds) {
    for (const TFeed& feed : feeds) {
      m_taken.insert(feed.Name);
    }
  }
  std::string Unique(std::string_view title, std::string_view address) {
    std::string name(title);
    SanitizeFeedName(name);
    if (name.empty()) {
      name = address;
      SanitizeFeedName(name);
    }
    if (m_taken.insert(name).second) {
      return name;
    }
    for (int number = 1;; ++number) {
      if (std::string numbered = name + std::to_string(number); m_taken.insert(numbered).second) {
        return numbered;
      }
    }
  }
  void Release(const std::string& name) { m_taken.erase(name); }

 private:
  std::unordered_set<std::string> m_taken;
};

// An article as a feed's reader would give the same entry: the same cleaning, the same limits, relative addresses
// resolved against the feed's own address (the document address a reader resolves against).
TEntry EntryOf(const TRemoteArticle& article, std::string_view feedAddress) {
  TEntry item;
  InitEntry(item);
  item.ArticleId = article.Id;
  item.Title = SingleLineText(article.Title);
  item.Link = ResolveLink(feedAddress, MultiLineText(article.Link));
  item.Description = MultiLineText(article.Content);
  item.Author = SingleLineText(article.Author);
  item.PublishedDate = article.Updated != 0 ? article.Updated : NowUtc();
  item.IsRead = !article.Unread;
  item.Starred = article.Starred;
  for (const std::string& category : article.Categories) {
    if (item.Categories.size() >= kMaxEntryCategories) {
      break;
    }
    AddEntryCategory(item, SingleLineText(category));
  }
  for (const TEnclosure& enclosure : article.Enclosures) {
    if (item.Enclosures.size() >= kMaxEntryEnclosures) {
      break;
    }
    const std::string_view address = TrimView(enclosure.Url);
    if (address.empty() || address.size() > kMaxEnclosureUrlBytes) {
      continue;
    }
    std::string url = ResolveLink(feedAddress, address);
    if (IsWebAddress(url)) {
      AddEntryEnclosure(item,
                        {.Url = std::move(url), .Type = SingleLineText(enclosure.Type), .Length = enclosure.Length});
    }
  }
  return item;
}

// A stored entry takes the server's texts of its article; its marks are set apart.
void UpdateTexts(TEntry& stored, TEntry&& fresh) {
  stored.Title = std::move(fresh.Title);
  stored.Link = std::move(fresh.Link);
  stored.Description = std::move(fresh.Description);
  stored.Author = std::move(fresh.Author);
  stored.PublishedDate = fresh.PublishedDate;
  stored.Categories = std::move(fresh.Categories);
  stored.Enclosures = std::move(fresh.Enclosures);
}

// Keeps a feed within the entries a feed document may hold: the oldest entries go first, starred ones stay.
void KeepWithinLimit(TEntries& entries) {
  if (entries.size() <= kMaxEntriesPerDocument) {
    return;
  }
  std::vector<size_t> unstarred;
  for (size_t i = 0; i < entries.size(); ++i) {
    if (!entries[i].Starred) {
      unstarred.push_back(i);
    }
  }
  const size_t excess = std::min(entries.size() - kMaxEntriesPerDocument, unstarred.size());
  std::nth_element(unstarred.begin(), unstarred.begin() + static_cast<std::ptrdiff_t>(excess), unstarred.end(),
                   [&entries](size_t a, size_t b) {
                     return std::pair(entries[a].PublishedDate, entries[a].ArticleId) <
                            std::pair(entries[b].PublishedDate, entries[b].ArticleId);
                   });
  std::vector<bool> dropped(entries.size(), false);
  for (size_t n = 0; n < excess; ++n) {
    dropped[unstarred[n]] = true;
  }
  size_t index = 0;
  std::erase_if(entries, [&](const TEntry&) { return dropped[index++]; });
}

struct TApplier {
  TFeeds& Feeds;
  TSyncAccount& Account;
  const TSyncDownload& Download;
  const TSyncQueue& Queue;
  TSyncApplyResult Result;
  std::unordered_set<uint64_t> Changed;
  // The marks of the account's stored entries before the sync (read, starred), by article id.
  std::unordered_map<int64_t, std::pair<bool, bool>> MarksBefore;

  void MarkChanged(const TFeed& feed) {
    if (Changed.insert(feed.Id).second) {
      Result.ChangedFeedIds.push_back(feed.Id);
    }
  }

  bool Mine(const TFeed& feed) const { return feed.Remote.Account == Account.Key; }

  // Removes the account's feeds the server no longer has, with all their entries (starred ones too: an account
  // feed holds only what its server has).
  void RemoveFeeds(const std::unordered_map<std::string, const TRemoteFeed*>& remote) {
    std::erase_if(Feeds, [&](const TFeed& feed) {
      if (!Mine(feed) || remote.contains(feed.Remote.FeedId)) {
        return false;
      }
      MarkChanged(feed);
      ++Result.FeedsRemoved;
      return true;
    });
  }

  // Adds the feeds the store lacks, and gives every feed of the account the server's title, address and category.
  void UpdateFeeds(const std::vector<const TRemoteFeed*>& remoteFeeds) {
    std::unordered_map<std::string, std::string> categories;
    for (const TRemoteCategory& category : Download.Categories) {
      categories.try_emplace(category.Id, SingleLineText(category.Title));
    }
    std::unordered_map<std::string, size_t> stored;
    for (size_t i = 0; i < Feeds.size(); ++i) {
      if (Mine(Feeds[i])) {
        stored.try_emplace(Feeds[i].Remote.FeedId, i);
      }
    }
    TFeedNamer namer(Feeds);
    for (const TRemoteFeed* remote : remoteFeeds) {
      const std::string title = SingleLineText(remote->Title);
      const std::string address(TrimView(remote->Url));
      TFeedRemote place{Account.Key, remote->Id, Uncategorised(remote->CategoryId) ? "" : remote->CategoryId, ""};
      if (const auto category = categories.find(place.CategoryId); category != categories.end()) {
        place.CategoryTitle = category->second;
      }
      const auto found = stored.find(remote->Id);
      if (found == stored.end()) {
        TFeed& feed = Feeds.emplace_back();
        InitFeedInfo(feed.Info);
        feed.Name = namer.Unique(title, address);
        feed.URL = address;
        feed.Info.Title = title;
        feed.Interval = 0;  // never fetched from its own address: its entries come from the server
        feed.RefreshAtStart = false;
        feed.Remote = std::move(place);
        feed.Index = static_cast<int>(Feeds.size()) - 1;
        feed.Id = NewFeedId();
        MarkChanged(feed);
        ++Result.FeedsAdded;
        continue;
      }
      TFeed& feed = Feeds[found->second];
      const bool retitled = feed.Info.Title != title;
      if (retitled || feed.URL != address || feed.Remote != place) {
        if (retitled) {
          namer.Release(feed.Name);
          feed.Name = namer.Unique(title, address);
          feed.Info.Title = title;
        }
        feed.URL = address;
        feed.Remote = std::move(place);
        MarkChanged(feed);
      }
    }
  }

  // The new articles, appended to their feeds newest first, as a refresh appends a feed document's entries; an
  // article already stored takes the server's texts and marks in its place.
  void AddArticles() {
    std::unordered_map<std::string, size_t> feedOf;
    std::unordered_map<int64_t, std::pair<size_t, size_t>> storedAt;
    for (size_t i = 0; i < Feeds.size(); ++i) {
      if (!Mine(Feeds[i])) {
        continue;
      }
      feedOf.try_emplace(Feeds[i].Remote.FeedId, i);
      for (size_t j = 0; j < Feeds[i].Entries.size(); ++j) {
        if (Feeds[i].Entries[j].ArticleId > 0) {
          storedAt.try_emplace(Feeds[i].Entries[j].ArticleId, i, j);
        }
      }
    }
    std::unordered_set<int64_t> seen;
    std::vector<std::vector<const TRemoteArticle*>> fresh(Feeds.size());
    for (const TRemoteArticle& article : Download.NewArticles) {
      const auto feed = feedOf.find(article.FeedId);
      if (article.Id <= 0 || feed == feedOf.end() || !seen.insert(article.Id).second) {
        continue;  // no such feed of the account, or an id the download gave before: the first counts
      }
      if (const auto at = storedAt.find(article.Id); at != storedAt.end()) {
        TFeed& owner = Feeds[at->second.first];
        TEntry& stored = owner.Entries[at->second.second];
        TEntry entry = EntryOf(article, owner.URL);
        stored.IsRead = entry.IsRead;
        stored.Starred = entry.Starred;
        UpdateTexts(stored, std::move(entry));
        MarkChanged(owner);
      } else {
        fresh[feed->second].push_back(&article);
      }
    }
    for (size_t i = 0; i < Feeds.size(); ++i) {
      if (fresh[i].empty()) {
        continue;
      }
      std::stable_sort(fresh[i].begin(), fresh[i].end(), [](const TRemoteArticle* a, const TRemoteArticle* b) {
        return a->Updated != b->Updated ? a->Updated > b->Updated : a->Id > b->Id;
      });
      TFeed& feed = Feeds[i];
      for (const TRemoteArticle* article : fresh[i]) {
        feed.Entries.push_back(EntryOf(*article, feed.URL));
        ++Result.NewEntries;
      }
      KeepWithinLimit(feed.Entries);
      MarkChanged(feed);
    }
  }

  // Read marks of the feeds whose unread ids were read, and every star; a queued change of this machine wins over
  // both. Then counts what changed: stored entries whose marks differ from before, new entries left unread.
  void ApplyMarks() {
    const std::unordered_set<int64_t> starred(Download.StarredIds.begin(), Download.StarredIds.end());
    for (TFeed& feed : Feeds) {
      if (!Mine(feed)) {
        continue;
      }
      const auto unread = Download.UnreadIds.find(feed.Remote.FeedId);
      std::unordered_set<int64_t> unreadIds;
      if (unread != Download.UnreadIds.end()) {
        unreadIds.insert(unread->second.begin(), unread->second.end());
      }
      for (TEntry& item : feed.Entries) {
        if (item.ArticleId <= 0) {
          continue;
        }
        if (unread != Download.UnreadIds.end()) {
          item.IsRead = !unreadIds.contains(item.ArticleId);
        }
        item.Starred = starred.contains(item.ArticleId);
        if (const TSyncChange* change = Queue.Find(Account.Key, item.ArticleId, TSyncField::Read)) {
          item.IsRead = change->Value;
        }
        if (const TSyncChange* change = Queue.Find(Account.Key, item.ArticleId, TSyncField::Starred)) {
          item.Starred = change->Value;
        }
        const auto before = MarksBefore.find(item.ArticleId);
        if (before == MarksBefore.end()) {
          Result.NewUnread += item.IsRead ? 0 : 1;
        } else if (before->second != std::pair(item.IsRead, item.Starred)) {
          ++Result.MarksChanged;
          MarkChanged(feed);
        }
      }
    }
  }

  void Run() {
    std::unordered_map<std::string, const TRemoteFeed*> remote;
    std::vector<const TRemoteFeed*> remoteFeeds;
    for (const TRemoteFeed& feed : Download.Feeds) {
      if (!feed.Id.empty() && remote.try_emplace(feed.Id, &feed).second) {
        remoteFeeds.push_back(&feed);
      }
    }
    RemoveFeeds(remote);
    for (const TFeed& feed : Feeds) {
      for (const TEntry& item : feed.Entries) {
        if (Mine(feed) && item.ArticleId > 0) {
          MarksBefore.try_emplace(item.ArticleId, item.IsRead, item.Starred);
        }
      }
    }
    UpdateFeeds(remoteFeeds);
    AddArticles();
    ApplyMarks();
    const TDateTime now = NowUtc();
    for (size_t i = 0; i < Feeds.size(); ++i) {
      Feeds[i].Index = static_cast<int>(i);
      SetItemIndices(Feeds[i].Entries, static_cast<int>(i));
      if (Mine(Feeds[i])) {
        Feeds[i].LastDownloaded = now;
        Feeds[i].Error = false;
      }
    }
    if (!Download.NewPosition.empty() && Download.NewPosition != Account.Position) {
      Account.Position = Download.NewPosition;
      Result.PositionMoved = true;
    }
  }
};

}  // namespace

TSyncApplyResult ApplySyncDownload(TFeeds& feeds, TSyncAccount& account, const TSyncDownload& download,
                                   const TSyncQueue& queue) {
  TApplier applier{feeds, account, download, queue, {}, {}, {}};
  if (download.Complete) {
    applier.Run();
  }
  return std::move(applier.Result);
}

TSyncSnapshot MakeSyncSnapshot(const TFeeds& feeds, const TSyncAccount& account, const TSyncQueue& queue) {
  TSyncSnapshot snapshot;
  snapshot.Account = account;
  for (const TFeed& feed : feeds) {
    if (feed.Remote.Account != account.Key) {
      continue;
    }
    int64_t& unread = snapshot.LocalUnread[feed.Remote.FeedId];
    for (const TEntry& item : feed.Entries) {
      const TSyncChange* change = queue.Find(account.Key, item.ArticleId, TSyncField::Read);
      unread += (change != nullptr ? change->Value : item.IsRead) ? 0 : 1;
    }
  }
  snapshot.Pending = queue.Pending(account.Key);
  return snapshot;
}

}  // namespace tidewick
