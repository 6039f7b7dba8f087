#include "ui/rules/feed_edit_rules.h"

#include <algorithm>

#include "lang/lang_text.h"
#include "util/case_fold.h"
#include "util/strings.h"
#include "web/web_address.h"

namespace tidewick {
namespace {

void AddTextRow(std::vector<TDetailRow>& rows, std::string caption, const std::string& value) {
  if (!value.empty())
    rows.push_back({std::move(caption), value});
}

void AddDateRow(std::vector<TDetailRow>& rows, std::string caption, TDateTime utc,
                const TLocalDateFormatter& formatLocal) {
  if (utc > 0)
    rows.push_back({std::move(caption), formatLocal(UtcToLocal(utc))});
}

// The first feed of that name decides, as everywhere else names are looked up.
bool NameTakenByAnother(const std::string& name, uint64_t editId) {
  const int found = FindFeed(name);
  return found >= 0 && (editId == 0 || Feeds[static_cast<size_t>(found)].Id != editId);
}

// A refresh of the same address that handed back after the dialog's download left the store newer than that
// download: merging it would drop the refresh's new entries and bring back, unread, the ones it dropped.
bool StoreIsNewerThanFetch(const TFeed& feed, const TFeedEditResult& result) {
  return feed.URL == result.URL && feed.LastDownloaded > result.FetchedAt;
}

// The dialog's fields, and the fetched document merged as a refresh would merge it (read marks stay).
void TakeFeedEdit(TFeed& feed, const TFeedEditResult& result, const TAutoReadTerms& autoRead, TDateTime now) {
  const bool merge = result.Fetched && !StoreIsNewerThanFetch(feed, result);
  feed.Name = result.Name;
  feed.URL = result.URL;
  feed.Interval = static_cast<int16_t>(std::clamp(result.Interval, 0, kMaxFeedInterval));
  feed.RefreshAtStart = result.RefreshAtStart;
  feed.LoadImages = result.LoadImages;
  if (merge) {
    MergeFeed(feed, *result.Fetched, autoRead, now);
    feed.Info = result.Fetched->Info;
    feed.FeedType = result.Fetched->FeedType;
  }
}

}  // namespace

std::string IntervalMenuText(const TIntervalMenuItem& item) {
  if (item.Minutes == 0)
    return GetLangText("FeedEdit|pmnuTTLNone", "Nicht abfragen");
  const std::string hours = std::to_string(item.Minutes / 60);
  if (item.Minutes == 60)
    return GetLangText("FeedEdit|pmnuTTL1", "%s1% Stunde", hours);
  return GetLangText("FeedEdit|pmnuTTLn", "%s1% Stunden", hours);
}

TIntervalVerdict JudgeFeedInterval(int minutes) {
  if (minutes >= 1 && minutes <= 14)
    return TIntervalVerdict::Refuse;
  if (minutes >= 15 && minutes <= 59)
    return TIntervalVerdict::AskFirst;
  return TIntervalVerdict::Accept;
}

int ProposedInterval(int channelTtl, int defaultTtl) {
  const int proposed = channelTtl >= 1 ? channelTtl : defaultTtl;
  return std::min(proposed, kMaxFeedInterval);
}

std::vector<TDetailRow> FeedDetailRows(const TFeed& feed, const TLocalDateFormatter& formatLocal) {
  std::vector<TDetailRow> rows;
  const TFeedInfo& info = feed.Info;
  AddTextRow(rows, GetLangText("FeedEdit|lvDetailsType", "Feed-Typ"), feed.FeedType);
  AddTextRow(rows, GetLangText("FeedEdit|lvDetailsTitle", "Title"), info.Title);
  AddTextRow(rows, GetLangText("FeedEdit|lvDetailsLink", "Link"), info.Link);
  AddTextRow(rows, GetLangText("FeedEdit|lvDetailsDescription", "Beschreibung"), info.Description);
  AddTextRow(rows, GetLangText("FeedEdit|lvDetailsCopyright", "Copyright"), info.Copyright);
  AddTextRow(rows, GetLangText("FeedEdit|lvDetailsLanguage", "Sprache"), info.Language);
  AddDateRow(rows, GetLangText("FeedEdit|lvDetailsPublished", "Veröffentlicht"), info.PublishedDate, formatLocal);
  AddDateRow(rows, GetLangText("FeedEdit|lvDetailsLastBuild", "Erstellt"), info.LastBuildDate, formatLocal);
  if (info.TTL > 0) {
    rows.push_back({GetLangText("FeedEdit|lvDetailsTTL", "Gültigkeitsdauer"),
                    GetLangText("FeedEdit|lvDetailsTTLMin", "%s1% Minuten", std::to_string(info.TTL))});
  }
  AddDateRow(rows, GetLangText("FeedEdit|lvDetailsLastDownloaded", "Letzter Download"), feed.LastDownloaded,
             formatLocal);
  return rows;
}

TDetailRow UnrecognisedDetailRow() {
  return {GetLangText("FeedEdit|lvDetailsType", "Feed-Typ"),
          GetLangText("FeedEdit|lvDetailsTypeUnknown", "Nicht erkannt")};
}

TFeedEditOkCheck CheckFeedEditOk(std::string_view nameText, std::string_view channelTitle, int interval,
                                 uint64_t editId) {
  TFeedEditOkCheck check;
  check.Name = Trim(nameText);
  if (check.Name.empty())
    check.Name = std::string(channelTitle);
  check.NameCleaned = SanitizeFeedName(check.Name);
  check.NameEmpty = check.Name.empty();
  check.Interval = JudgeFeedInterval(interval);
  check.NameTaken = !check.NameEmpty && NameTakenByAnother(check.Name, editId);
  return check;
}

bool ApplyFeedEdit(TFeeds& feeds, uint64_t id, const TFeedEditResult& result, const TAutoReadTerms& autoRead,
                   TDateTime now) {
  const auto edited = std::find_if(feeds.begin(), feeds.end(), [id](const TFeed& feed) { return feed.Id == id; });
  if (id == 0 || edited == feeds.end())
    return false;
  TakeFeedEdit(*edited, result, autoRead, now);
  return true;
}

TFeed NewFeedFromEdit(const TFeedEditResult& result, const TAutoReadTerms& autoRead, TDateTime now) {
  TFeed feed;
  TakeFeedEdit(feed, result, autoRead, now);
  return feed;
}

}  // namespace tidewick
