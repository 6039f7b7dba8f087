// Reading-on benchmark: a store of 2,000 feeds x 50 entries (100,000 entries), then, median of 5 runs each:
//   - the worst next-unread step: every entry read but the last feed's last one, reading starts at the end of the
//     first feed's list, so the step searches the rest of that list, every feed in tree order, and fills and searches
//     the last feed's list (what the window does before it shows the entry);
//   - the same from the first row of the root's grouped list of all 100,000 rows in store order (the unread one last);
//   - filling the root's grouped list with unread entries only (a tenth unread), automatic order.
// Goals: a step under 50 ms, the unread-only fill under 100 ms.
//
//   next_unread_bench

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "entries/entry_list.h"
#include "entries/next_unread.h"
#include "feeds/feed_records.h"
#include "median_times.h"

using namespace tidewick;
using bench::Median;
using bench::Report;

namespace {

constexpr int kFeeds = 2000;
constexpr int kItemsPerFeed = 50;

std::vector<uint64_t> BuildStore() {
  Feeds.clear();
  std::vector<uint64_t> order;
  for (int f = 0; f < kFeeds; ++f) {
    TFeed feed;
    feed.Name = "Feed number " + std::to_string(f);
    feed.URL = "https://feed" + std::to_string(f) + ".example/rss";
    for (int i = 0; i < kItemsPerFeed; ++i) {
      TEntry item;
      item.Title = "Report " + std::to_string(f * kItemsPerFeed + i) + " on the state of things";
      item.Link = feed.URL + "/entry/" + std::to_string(i);
      item.Description = "<p>Paragraph with <b>some</b> markup, enough for a typical summary of a news entry.</p>";
      item.PublishedDate = 45000.0 + static_cast<double>((f * 7 + i * 13) % 730);
      item.IsRead = true;
      feed.Entries.push_back(std::move(item));
    }
    order.push_back(Feeds[static_cast<size_t>(AddFeed(std::move(feed)))].Id);
  }
  Feeds.back().Entries.back().IsRead = false;
  return order;
}

// The window's step from a row of a filled list: on down the list, else the next feed with an unread entry, its list,
// its first unread row.
bool Step(TEntryList& start, size_t from, TEntryList& target, const std::vector<uint64_t>& order,
          uint64_t currentFeed) {
  if (FindUnreadRow(start, from, TUnreadDirection::Next)) {
    return true;
  }
  const std::optional<uint64_t> feed = FindUnreadFeed(order, currentFeed, TUnreadDirection::Next);
  if (!feed) {
    return false;
  }
  target.Fill({TListNodeKind::Feed, {*feed}}, false, TListOrder{});
  return FindUnreadRow(target, std::nullopt, TUnreadDirection::Next).has_value();
}

}  // namespace

int main() {
  const std::vector<uint64_t> order = BuildStore();
  TEntryList feedList;
  TEntryList rootList;
  TEntryList target;
  feedList.Fill({TListNodeKind::Feed, {order.front()}}, false, TListOrder{});
  rootList.Fill({TListNodeKind::Root, {}}, true, {.AutoSort = false, .SortLastColumn = 3});  // store order
  bool ok = true;
  bool found = true;
  ok &= Report("next unread, first feed to the last of 2,000",
               Median([&] { found &= Step(feedList, feedList.Size() - 1, target, order, order.front()); }), 50);
  ok &= Report("next unread, first to last of 100,000 listed rows",
               Median([&] { found &= Step(rootList, 0, target, order, order.front()); }), 50);
  TEntryList list;
  for (size_t f = 0; f < Feeds.size(); ++f) {
    for (size_t i = 0; i < Feeds[f].Entries.size(); ++i) {
      Feeds[f].Entries[i].IsRead = (f + i) % 10 != 0;
    }
  }
  ok &= Report("fill unread only, 100,000 entries (10,000 unread)", Median([&] {
                 list.Fill({TListNodeKind::Root, {}}, true, TListOrder{}, {.UnreadOnly = true, .Keep = std::nullopt});
               }),
               100);
  if (!found || list.Size() != 10000) {
    std::puts("wrong result");
    return 1;
  }
  return ok ? 0 : 1;
}
