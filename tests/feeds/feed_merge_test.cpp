#include "feeds/feed_merge.h"

#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

#include "support/feed_builder.h"

namespace tidewick {
namespace {

using test::MakeEntry;

// The merge exactly as the rule is written: FindItem scans, DeleteItem walks.
TMergeCounts ReferenceMerge(TFeed& stored, const TFeed& fresh, const TAutoReadTerms& terms, TDateTime now) {
  TMergeCounts counts;
  size_t i = 0;
  while (i < stored.Entries.size()) {
    if (FindItem(stored.Entries[i], fresh.Entries) == -1) {
      DeleteItem(stored.Entries, static_cast<int>(i));
      ++counts.Removed;
    } else {
      ++i;
    }
  }
  for (const TEntry& f : fresh.Entries) {
    if (FindItem(f, stored.Entries) == -1) {
      TEntry copy = f;
      copy.IsRead = terms.Matches(copy);
      copy.Visited = false;
      stored.Entries.push_back(copy);
      ++counts.Added;
      counts.AddedRead += copy.IsRead ? 1 : 0;
    }
  }
  stored.MinutesElapsed = 0;
  stored.LastDownloaded = now;
  stored.Error = false;
  SetItemIndices(stored.Entries, stored.Index);
  return counts;
}

void ExpectSameItems(const TEntries& actual, const TEntries& expected) {
  ASSERT_EQ(actual.size(), expected.size());
  for (size_t i = 0; i < actual.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(actual[i].Title, expected[i].Title);
    EXPECT_EQ(actual[i].Link, expected[i].Link);
    EXPECT_EQ(actual[i].Author, expected[i].Author);
    EXPECT_EQ(actual[i].Description, expected[i].Description);
    EXPECT_EQ(actual[i].IsRead, expected[i].IsRead);
    EXPECT_EQ(actual[i].Visited, expected[i].Visited);
    EXPECT_EQ(actual[i].EntryIndex, expected[i].EntryIndex);
    EXPECT_EQ(actual[i].FeedIndex, expected[i].FeedIndex);
  }
}

// Entries drawn from a small pool of titles, links and authors, so identities repeat and collide often.
TEntry RandomEntry(std::mt19937& random) {
  static const std::vector<std::string> kTitles = {"a", "b", "c", "d", "e", "", "Übersicht"};
  static const std::vector<std::string> kLinks = {"", "l1", "l2"};
  static const std::vector<std::string> kAuthors = {"", "x", "X"};
  static const std::vector<std::string> kTexts = {"", "spam inside", "nothing", "SPAM[~Tidewick_Content~]body"};
  auto pick = [&](const std::vector<std::string>& pool) { return pool[random() % pool.size()]; };
  TEntry item = MakeEntry(pick(kTitles), pick(kLinks), pick(kAuthors), pick(kTexts));
  item.IsRead = random() % 2 == 0;
  item.Visited = random() % 3 == 0;
  return item;
}

TEST(FeedMerge, MatchesTheReferenceRuleOnRandomFeeds) {
  std::mt19937 random(20240601);
  const TAutoReadTerms terms({"spam", ""});
  for (int round = 0; round < 3000; ++round) {
    SCOPED_TRACE(round);
    TFeed stored;
    stored.Index = static_cast<int>(random() % 5);
    stored.MinutesElapsed = 9;
    stored.Error = true;
    TFeed fresh;
    const size_t storedCount = random() % 25;
    const size_t freshCount = random() % 25;
    for (size_t i = 0; i < storedCount; ++i) {
      stored.Entries.push_back(RandomEntry(random));
    }
    for (size_t i = 0; i < freshCount; ++i) {
      fresh.Entries.push_back(RandomEntry(random));
    }
    TFeed expected = stored;
    TFeed movedInto = stored;
    const TMergeCounts want = ReferenceMerge(expected, fresh, terms, 123.5);
    const TMergeCounts got = MergeFeed(stored, fresh, terms, 123.5);
    ExpectSameItems(stored.Entries, expected.Entries);
    MergeFeed(movedInto, TFeed(fresh), terms);  // the hand-back's form, which moves the new entries
    ExpectSameItems(movedInto.Entries, expected.Entries);
    EXPECT_EQ(got.Removed, want.Removed);
    EXPECT_EQ(got.Added, want.Added);
    EXPECT_EQ(got.AddedRead, want.AddedRead);
    EXPECT_EQ(stored.MinutesElapsed, 0);
    EXPECT_EQ(stored.LastDownloaded, 123.5);
    EXPECT_FALSE(stored.Error);
    if (HasFailure()) {
      break;
    }
  }
}

// The bookkeeping (error mark, minutes, download time) is checked against the reference rule above.
TEST(FeedMerge, UnchangedDownloadKeepsTheChannelAndTheReadMarks) {
  TFeed stored;
  stored.Name = "n";
  stored.Info.Title = "old channel";
  stored.Entries = {MakeEntry("a", "l", "x"), MakeEntry("b")};
  stored.Entries[0].IsRead = true;
  TFeed fresh = stored;
  fresh.Info.Title = "new channel";
  fresh.Entries[0].IsRead = false;
  fresh.Entries[1].Title = "b";
  MergeFeed(stored, fresh, TAutoReadTerms({"a"}), 5);
  EXPECT_EQ(stored.Info.Title, "old channel");
  EXPECT_TRUE(stored.Entries[0].IsRead);
  EXPECT_EQ(stored.Entries.size(), 2u);
}

struct TAutoReadCase {
  std::vector<std::string> Terms;
  TEntry Item;
  bool Read;
};

class AutoRead : public ::testing::TestWithParam<TAutoReadCase> {};

TEST_P(AutoRead, SearchesTitleAuthorAndDescriptionIgnoringCase) {
  EXPECT_EQ(TAutoReadTerms(GetParam().Terms).Matches(GetParam().Item), GetParam().Read);
}

INSTANTIATE_TEST_SUITE_P(
    Terms, AutoRead,
    ::testing::Values(TAutoReadCase{{"sponsored"}, MakeEntry("News", "", "SPONSORED Desk"), true},
                      TAutoReadCase{{"straße"}, MakeEntry("STRASSE gesperrt"), true},
                      TAutoReadCase{{"ПРИВЕТ"}, MakeEntry("", "", "", "всем привет"), true},
                      TAutoReadCase{{"x"}, MakeEntry("News"), false}, TAutoReadCase{{""}, MakeEntry("News"), false},
                      TAutoReadCase{{}, MakeEntry("News"), false},
                      TAutoReadCase{{"other", "ews"}, MakeEntry("News"), true},
                      // The content marker is no text: terms neither match it nor span it.
                      TAutoReadCase{{"tidewick"}, MakeEntry("a", "", "", "s[~Tidewick_Content~]c"), false},
                      TAutoReadCase{{"content"}, MakeEntry("a", "", "", "s[~Tidewick_Content~]c"), false},
                      TAutoReadCase{{"ab"}, MakeEntry("t", "", "", "a[~Tidewick_Content~]b"), false},
                      TAutoReadCase{{"full"}, MakeEntry("t", "", "", "a[~Tidewick_Content~]full text"), true},
                      // Title and author are separate lines.
                      TAutoReadCase{{"ab"}, MakeEntry("a", "", "b"), false}));

TEST(AutoReadList, FromListSplitsLinesAndSkipsEmptyOnes) {
  const TAutoReadTerms terms = TAutoReadTerms::FromList("first\r\n\r\nsecond\nthird");
  EXPECT_TRUE(terms.Matches(MakeEntry("the SECOND one")));
  EXPECT_TRUE(terms.Matches(MakeEntry("third")));
  EXPECT_FALSE(terms.Matches(MakeEntry("fourth")));
  EXPECT_TRUE(TAutoReadTerms::FromList("").Empty());
}

// A downloaded entry whose title or link the current readers read differently from earlier versions.
TEntry Upgraded(std::string title, std::string link, std::string earlierTitle, std::string earlierLink) {
  TEntry item = MakeEntry(std::move(title), std::move(link), "me", "fresh text");
  item.HasLegacyIdentity = true;
  item.LegacyTitle = std::move(earlierTitle);
  item.LegacyLink = std::move(earlierLink);
  return item;
}

TEntry ReadEntry(std::string title, std::string link) {
  TEntry item = MakeEntry(std::move(title), std::move(link), "me", "stored text");
  item.IsRead = true;
  return item;
}

// Guards the upgrade: entries stored under the identity earlier readers gave must not come back unread.
TEST(FeedMerge, RecognisesStoredEntriesByTheirEarlierIdentity) {
  TFeed stored;
  stored.Entries = {ReadEntry("", "https://x/1"), ReadEntry("Two", "two.html"), ReadEntry("Same", "https://x/3")};
  stored.Entries[1].Visited = true;
  TFeed fresh;
  fresh.Entries = {Upgraded("One", "https://x/1", "", "https://x/1"),
                   Upgraded("Two", "https://x/two.html", "Two", "two.html"), ReadEntry("Same", "https://x/3")};
  fresh.Entries[2].IsRead = false;
  for (const bool moved : {false, true}) {
    SCOPED_TRACE(moved);
    TFeed merged = stored;
    const TMergeCounts counts =
        moved ? MergeFeed(merged, TFeed(fresh), TAutoReadTerms()) : MergeFeed(merged, fresh, TAutoReadTerms(), 1);
    EXPECT_EQ(counts.Added, 0);
    EXPECT_EQ(counts.Removed, 0);
    ASSERT_EQ(merged.Entries.size(), 3u);
    EXPECT_EQ(merged.Entries[0].Title, "One");
    EXPECT_EQ(merged.Entries[1].Link, "https://x/two.html");
    EXPECT_TRUE(merged.Entries[1].Visited);
    EXPECT_EQ(merged.Entries[1].Description, "stored text");
    for (const TEntry& item : merged.Entries) {
      EXPECT_TRUE(item.IsRead) << item.Title;
      EXPECT_FALSE(item.HasLegacyIdentity);
    }
    // The next refresh finds them by their current identity.
    EXPECT_EQ(MergeFeed(merged, fresh, TAutoReadTerms(), 2).Added, 0);
    EXPECT_EQ(merged.Entries.size(), 3u);
  }
}

// An entry the store holds under both identities (say the earlier copy and one added by a newer version) stays once.
TEST(FeedMerge, KeepsAnEntryKnownByBothIdentitiesOnce) {
  const TEntry earlier = ReadEntry("", "https://x/1");
  TEntry current = ReadEntry("One", "https://x/1");
  current.IsRead = false;
  TFeed fresh;
  fresh.Entries = {Upgraded("One", "https://x/1", "", "https://x/1")};
  const TEntries orders[] = {{earlier, current}, {current, earlier}, {earlier, earlier}};
  for (const TEntries& order : orders) {
    TFeed stored;
    stored.Entries = order;
    const TMergeCounts counts = MergeFeed(stored, fresh, TAutoReadTerms(), 1);
    ASSERT_EQ(stored.Entries.size(), 1u);
    EXPECT_EQ(stored.Entries[0].Title, "One");
    EXPECT_EQ(counts.Removed, 1);
    EXPECT_EQ(counts.Added, 0);
  }
  // A download entry whose current identity is another entry's earlier one: each keeps its own.
  fresh.Entries.push_back(MakeEntry("", "https://x/1", "me"));
  TFeed stored;
  stored.Entries = {earlier};
  const TMergeCounts counts = MergeFeed(stored, fresh, TAutoReadTerms(), 1);
  EXPECT_EQ(counts.Added, 1);
  ASSERT_EQ(stored.Entries.size(), 2u);
  EXPECT_EQ(stored.Entries[0].Title, "");
  EXPECT_TRUE(stored.Entries[0].IsRead);
  EXPECT_EQ(stored.Entries[1].Title, "One");
}

}  // namespace
}  // namespace tidewick
