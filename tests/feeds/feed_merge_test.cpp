#include "feeds/feed_merge.h"

#include <gtest/gtest.h>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "support/feed_builder.h"
#include "support/table_file.h"
#include "util/strings.h"

namespace tidewick {
namespace {

using test::MakeEntry;

// The merge exactly as the rule is written: FindItem scans, DeleteItem walks; a starred entry is never dropped.
TMergeCounts ReferenceMerge(TFeed& stored, const TFeed& fresh, const TAutoReadTerms& terms, TDateTime now) {
  TMergeCounts counts;
  size_t i = 0;
  while (i < stored.Entries.size()) {
    if (FindItem(stored.Entries[i], fresh.Entries) == -1 && !stored.Entries[i].Starred) {
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
      copy.Starred = false;
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

// The fields the merge may touch, an entry a line.
std::string Dump(const TEntries& items) {
  std::string text;
  for (const TEntry& e : items) {
    text += e.Title + "|" + e.Link + "|" + e.Author + "|" + e.Description + "|" + std::to_string(e.IsRead) +
            std::to_string(e.Visited) + std::to_string(e.Starred) + "|" + std::to_string(e.EntryIndex) + "|" +
            std::to_string(e.FeedIndex) + "\n";
  }
  return text;
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
  item.Starred = random() % 4 == 0;
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
    EXPECT_EQ(Dump(stored.Entries), Dump(expected.Entries));
    MergeFeed(movedInto, TFeed(fresh), terms);  // the hand-back's form, which moves the new entries
    EXPECT_EQ(Dump(movedInto.Entries), Dump(expected.Entries));
    EXPECT_EQ(std::tie(got.Removed, got.Added, got.AddedRead), std::tie(want.Removed, want.Added, want.AddedRead));
    EXPECT_EQ(std::tie(stored.MinutesElapsed, stored.LastDownloaded, stored.Error), std::tuple(0, 123.5, false));
    if (HasFailure()) {
      break;
    }
  }
}

// Entries stored before files were kept take the feed's files; their marks stay.
TEST(FeedMerge, AnEntryStoredWithoutFilesTakesTheFeeds) {
  TFeed stored;
  stored.Entries = {MakeEntry("b")};
  stored.Entries[0].IsRead = true;
  TFeed fresh = stored;
  fresh.Entries[0].IsRead = false;
  AddEntryEnclosure(fresh.Entries[0], {.Url = "http://h/b.mp3", .Type = {}, .Length = -1});
  EXPECT_TRUE(MergeFeed(stored, fresh, TAutoReadTerms(std::vector<std::string>{}), 5).EntriesChanged());
  EXPECT_EQ(stored.Entries[0].Enclosures, fresh.Entries[0].Enclosures);
  EXPECT_TRUE(stored.Entries[0].IsRead);
}

TEST(AutoRead, SearchesTitleAuthorAndDescriptionIgnoringCase) {
  test::CheckTableFile("feeds/auto_read.tsv", 4, [](const std::vector<std::string>& in) {
    std::vector<std::string> terms;
    if (in[0] != "(none)") {
      SplitToList(terms, in[0], "|");
    }
    return TAutoReadTerms(terms).Matches(MakeEntry(in[1], "", in[2], in[3])) ? "read" : "unread";
  });
}

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
    EXPECT_EQ(std::tie(counts.Added, counts.Removed), std::tuple(0, 0));
    ASSERT_EQ(merged.Entries.size(), 3u);
    EXPECT_EQ(merged.Entries[0].Title, "One");
    const TEntry& two = merged.Entries[1];
    EXPECT_EQ(std::tie(two.Link, two.Visited, two.Description), std::tuple("https://x/two.html", true, "stored text"));
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
