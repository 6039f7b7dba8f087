#include "ui/rules/feed_edit_rules.h"

#include <gtest/gtest.h>
#include <tuple>

#include "support/feed_builder.h"
#include "web/feed_address.h"

namespace tidewick {
namespace {

TEntry Entry(std::string title, bool read = false) {
  TEntry entry = test::MakeEntry(title, "https://example.org/" + title);
  entry.IsRead = read;
  return entry;
}

TFeed FetchedDocument(std::vector<std::string> titles) {
  TFeed fresh;
  fresh.FeedType = "RSS/2.0";
  fresh.Info.Title = "Channel";
  fresh.Info.TTL = 30;
  for (std::string& title : titles)
    fresh.Entries.push_back(Entry(std::move(title)));
  return fresh;
}

// The name checks look at the program's store; each test starts from its own.
class FeedEditRules : public testing::Test {
 protected:
  void SetUp() override { Feeds.clear(); }
  void TearDown() override { Feeds.clear(); }

  static uint64_t Add(std::string name) { return test::AddStoreFeed(test::MakeFeed(std::move(name))); }
};

TEST(FeedEditAddress, OnlyTrimmedWebAddressesAreFetched) {
  EXPECT_TRUE(IsFetchableFeedAddress(" HTTPS://example.org/atom\n"));
  EXPECT_FALSE(IsFetchableFeedAddress("FILE:///home/u/feed.xml"));
}

TEST(FeedEditInterval, LowIntervalsAreRefusedOrQuestioned) {
  const std::pair<int, TIntervalVerdict> cases[] = {
      {0, TIntervalVerdict::Accept},    {1, TIntervalVerdict::Refuse},    {14, TIntervalVerdict::Refuse},
      {15, TIntervalVerdict::AskFirst}, {59, TIntervalVerdict::AskFirst}, {60, TIntervalVerdict::Accept},
      {9999, TIntervalVerdict::Accept},
  };
  for (const auto& [minutes, verdict] : cases)
    EXPECT_EQ(JudgeFeedInterval(minutes), verdict) << minutes;
}

TEST(FeedEditInterval, FetchProposesTheChannelTtlElseTheDefault) {
  EXPECT_EQ(ProposedInterval(30, 60), 30);
  EXPECT_EQ(ProposedInterval(0, 90), 90);
  EXPECT_EQ(ProposedInterval(-5, 90), 90);
  EXPECT_EQ(ProposedInterval(100000, 60), kMaxFeedInterval);  // a huge TTL still fits the field
}

TEST(FeedEditInterval, MenuNamesHoursAndNone) {
  EXPECT_EQ(IntervalMenuText(kIntervalMenu.front()), "1 Stunde");
  EXPECT_EQ(IntervalMenuText(kIntervalMenu[9]), "24 Stunden");
  EXPECT_EQ(IntervalMenuText(kIntervalMenu.back()), "Nicht abfragen");
}

TEST(FeedEditDetails, RowsComeInOrderAndOnlyWithAValue) {
  TFeed feed;
  feed.FeedType = "Atom/1.0";
  feed.Info.Title = "T";
  feed.Info.Link = "https://example.org";
  feed.Info.Language = "de";
  feed.Info.LastBuildDate = 40000.5;
  feed.Info.TTL = 45;
  feed.LastDownloaded = 45000;
  const auto rows = FeedDetailRows(feed, [](TDateTime) { return std::string("DATE"); });
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"Feed-Typ", "Atom/1.0"},
      {"Title", "T"},
      {"Link", "https://example.org"},
      {"Sprache", "de"},
      {"Erstellt", "DATE"},
      {"Gültigkeitsdauer", "45 Minuten"},
      {"Letzter Download", "DATE"},
  };
  std::vector<std::pair<std::string, std::string>> shown;
  for (const auto& row : rows)
    shown.emplace_back(row.Caption, row.Value);
  EXPECT_EQ(shown, expected);
}

TEST_F(FeedEditRules, OkChecksNameIntervalAndUniqueness) {
  const uint64_t edited = Add("Heise");
  Add("Golem");
  // Name, channel title, interval and the edited feed's id; then the name, cleaned, empty, verdict and taken.
  const std::tuple<const char*, const char*, int, uint64_t, std::string, bool, bool, TIntervalVerdict, bool> cases[] = {
      {"  ", "Channel", 60, 0, "Channel", false, false, TIntervalVerdict::Accept, false},  // title stands in
      {"News [de]", "", 60, 0, "News (de)", true, false, TIntervalVerdict::Accept, false},
      {"Golem", "", 60, 0, "Golem", false, false, TIntervalVerdict::Accept, true},
      {"Golem", "", 60, edited, "Golem", false, false, TIntervalVerdict::Accept, true},   // another feed's name
      {"Heise", "", 60, edited, "Heise", false, false, TIntervalVerdict::Accept, false},  // its own name
      {"", "", 30, 0, "", false, true, TIntervalVerdict::AskFirst, false},                // nothing to call it
      {"New", "", 5, 0, "New", false, false, TIntervalVerdict::Refuse, false},
  };
  for (const auto& [name, title, interval, editId, expectedName, cleaned, empty, verdict, taken] : cases) {
    const TFeedEditOkCheck check = CheckFeedEditOk(name, title, interval, editId);
    EXPECT_EQ(std::tuple(check.Name, check.NameCleaned, check.NameEmpty, check.Interval, check.NameTaken),
              std::tuple(expectedName, cleaned, empty, verdict, taken))
        << name;
  }
}

TEST_F(FeedEditRules, EditWithFetchKeepsReadMarksAndTakesTheChannel) {
  TFeed stored;
  stored.Name = "Old";
  stored.URL = "http://old.example.org/rss";
  stored.Error = true;
  stored.Entries = {Entry("gone", true), Entry("kept", true), Entry("kept unread")};
  const uint64_t id = Feeds[static_cast<size_t>(AddFeed(stored))].Id;

  TFeedEditResult result{"New", "http://new.example.org/rss", 120, true,
                         FetchedDocument({"kept", "kept unread", "fresh", "spam offer"})};
  ASSERT_TRUE(ApplyFeedEdit(Feeds, id, result, TAutoReadTerms({"spam"}), 46000));

  const TFeed& feed = Feeds[0];
  EXPECT_EQ(std::tie(feed.Name, feed.URL, feed.Interval, feed.RefreshAtStart, feed.FeedType, feed.Info.Title,
                     feed.LastDownloaded, feed.Error),
            std::tuple("New", "http://new.example.org/rss", 120, true, "RSS/2.0", "Channel", 46000, false));
  std::vector<std::pair<std::string, bool>> items;
  for (const TEntry& item : feed.Entries) {
    items.emplace_back(item.Title, item.IsRead);
    EXPECT_EQ(item.FeedIndex, 0);
  }
  const std::vector<std::pair<std::string, bool>> expected = {
      {"kept unread", false}, {"kept", true}, {"fresh", false}, {"spam offer", true}};
  EXPECT_EQ(items, expected);
}

// A refresh that merged while the dialog was open is newer than the dialog's own download: OK then changes only the
// edited fields, so the refresh's new entries stay and the entries it dropped do not come back unread.
TEST_F(FeedEditRules, EditWithoutFetchTouchesOnlyTheEditedFields) {
  const std::tuple<const char*, std::optional<TFeed>, TDateTime> cases[] = {
      {"no fetch", std::nullopt, 0},
      {"fetched before a refresh", FetchedDocument({"dropped by the refresh", "kept"}), 39000},
  };
  for (const auto& [what, fetched, fetchedAt] : cases) {
    Feeds.clear();
    TFeed stored;
    stored.Name = "Old";
    stored.URL = "http://a.example/rss";
    stored.FeedType = "Atom/1.0";
    stored.Error = true;
    stored.LastDownloaded = 40000;
    stored.Entries = {Entry("kept", true), Entry("added by a refresh while the dialog was open")};
    const uint64_t id = Feeds[static_cast<size_t>(AddFeed(stored))].Id;

    TFeedEditResult result{"Renamed", "http://a.example/rss", 0, false, fetched};
    result.FetchedAt = fetchedAt;
    SCOPED_TRACE(what);
    ASSERT_TRUE(ApplyFeedEdit(Feeds, id, result, {}, 46000));
    const TFeed& feed = Feeds[0];
    ASSERT_EQ(feed.Entries.size(), 2u);
    EXPECT_EQ(feed.Entries[1].Title, "added by a refresh while the dialog was open");
    // Nothing newer was downloaded, so the error mark of the last refresh stays.
    EXPECT_EQ(
        std::tie(feed.Name, feed.Interval, feed.Entries[0].IsRead, feed.FeedType, feed.Error, feed.LastDownloaded),
        std::tuple("Renamed", 0, true, "Atom/1.0", true, 40000));
  }
  EXPECT_FALSE(ApplyFeedEdit(Feeds, Feeds[0].Id + 100, {"X", "", 0, false, std::nullopt}, {}, 46000));
}

}  // namespace
}  // namespace tidewick
