#include "sync/sync_run.h"

#include <algorithm>
#include <unordered_set>
#include <utility>

namespace tidewick {
namespace {

// Sends the queued changes, one call per field and value (the service batches the ids), in the order the first
// change of each group was made; what the server confirmed goes into sent.
TSyncStatus SendPending(TSyncService& service, const std::vector<TSyncChange>& pending,
                        std::vector<TSyncChange>& sent) {
  struct TGroup {
    TSyncField Field;
    bool Value;
    std::vector<int64_t> Ids;
    std::vector<TSyncChange> Changes;
  };
  std::vector<TGroup> groups;
  for (const TSyncChange& change : pending) {
    auto group = std::find_if(groups.begin(), groups.end(), [&change](const TGroup& candidate) {
      return candidate.Field == change.Field && candidate.Value == change.Value;
    });
    if (group == groups.end()) {
      group = groups.insert(groups.end(), TGroup{change.Field, change.Value, {}, {}});
    }
    group->Ids.push_back(change.ArticleId);
    group->Changes.push_back(change);
  }
  for (TGroup& group : groups) {
    const TSyncStatus status = group.Field == TSyncField::Read ? service.SetRead(group.Ids, group.Value)
                                                               : service.SetStarred(group.Ids, group.Value);
    if (!status.Ok()) {
      return status;
    }
    sent.insert(sent.end(), group.Changes.begin(), group.Changes.end());
  }
  return {};
}

// The feeds whose unread ids must be read: those whose unread count on the server differs from ours once the new
// articles of this sync are counted in, or with CheckAllMarks every one with unread entries on either side. A feed we
// do not hold yet gets its marks with its articles.
std::vector<std::string> FeedsWithChangedUnread(const TSyncSnapshot& snapshot, const TSyncDownload& download) {
  std::unordered_map<std::string, int64_t> expected = snapshot.LocalUnread;
  std::unordered_set<int64_t> seen;
  for (const TRemoteArticle& article : download.NewArticles) {
    auto feed = expected.find(article.FeedId);
    if (feed != expected.end() && article.Unread && seen.insert(article.Id).second) {
      ++feed->second;
    }
  }
  std::vector<std::string> changed;
  for (const TRemoteFeed& feed : download.Feeds) {
    const auto local = expected.find(feed.Id);
    if (local == expected.end()) {
      continue;
    }
    if (local->second != feed.UnreadCount || (snapshot.CheckAllMarks && (local->second > 0 || feed.UnreadCount > 0))) {
      changed.push_back(feed.Id);
    }
  }
  return changed;
}

}  // namespace

TSyncRunResult FetchSyncDownload(TSyncService& service, const TSyncSnapshot& snapshot) {
  TSyncRunResult result;
  TSyncDownload& download = result.Download;
  const auto finish = [&result, &service](TSyncStatus status) {
    result.Status = std::move(status);
    result.Download.Complete = result.Status.Ok();
    result.Download.Requests = service.RequestCount();
    return std::move(result);
  };
  if (TSyncStatus status = service.Login(); !status.Ok()) {
    return finish(std::move(status));
  }
  if (TSyncStatus status = SendPending(service, snapshot.Pending, download.Sent); !status.Ok()) {
    return finish(std::move(status));
  }
  if (TSyncStatus status = service.Categories(download.Categories); !status.Ok()) {
    return finish(std::move(status));
  }
  if (TSyncStatus status = service.Feeds(download.Feeds); !status.Ok()) {
    return finish(std::move(status));
  }
  const TArticlePageSink keep = [&download](std::vector<TRemoteArticle>&& page) {
    std::move(page.begin(), page.end(), std::back_inserter(download.NewArticles));
    return true;
  };
  if (TSyncStatus status = service.NewArticles(snapshot.Account.Position, keep, download.NewPosition); !status.Ok()) {
    return finish(std::move(status));
  }
  for (const std::string& feedId : FeedsWithChangedUnread(snapshot, download)) {
    std::vector<int64_t> ids;
    if (TSyncStatus status = service.UnreadIds(feedId, ids); !status.Ok()) {
      return finish(std::move(status));
    }
    download.UnreadIds.emplace(feedId, std::move(ids));
  }
  return finish(service.StarredIds(download.StarredIds));
}

TSyncConnection SyncConnectionFor(const TSyncAccount& account, const TSettingsValues& settings, std::string password,
                                  const std::atomic<bool>* stopFlag) {
  TSyncConnection connection;
  connection.ServerUrl = account.ServerUrl;
  connection.UserName = account.UserName;
  connection.Password = std::move(password);
  connection.Proxy = ProxyFrom(settings);
  connection.TimeoutMs = std::max(settings.Timeout, kMinSyncTimeoutSeconds) * 1000;
  connection.StopFlag = stopFlag;
  return connection;
}

}  // namespace tidewick
