// A store written by the earlier readers, refreshed by the current ones: upgrade/Feeds.xml holds news.rss and
// notes.atom as those readers stored them, every entry read and every other one visited.

#include <algorithm>
#include <gtest/gtest.h>
#include <string>
#include <tuple>

#include "feeds/feed_merge.h"
#include "feeds/store_reader.h"
#include "formats/feed_document.h"
#include "formats/feed_test_util.h"
#include "support/temp_dir.h"

namespace tidewick {
namespace {

TEST(ReaderUpgrade, KeepsEveryReadMarkOfAStoreWrittenByEarlierReaders) {
  TStoreReadResult store = ReadStoreFile(test::DataPath("formats/upgrade/Feeds.xml"));
  ASSERT_TRUE(store.Complete);
  ASSERT_EQ(store.Feeds.size(), 2u);
  for (TFeed& stored : store.Feeds) {
    SCOPED_TRACE(stored.Name);
    const TFeed before = stored;
    TFeed fresh;
    ASSERT_TRUE(ReadFeedDocument(test::ReadFormatsData("upgrade/" + stored.Name), fresh, stored.URL));
    ASSERT_EQ(fresh.Entries.size(), before.Entries.size());
    const auto changed = std::count_if(fresh.Entries.begin(), fresh.Entries.end(),
                                       [](const TEntry& item) { return item.HasLegacyIdentity; });
    EXPECT_GE(changed, 4) << "the documents should exercise the changed rules";

    for (int refresh = 0; refresh < 2; ++refresh) {
      const TMergeCounts counts = MergeFeed(stored, fresh, TAutoReadTerms());
      EXPECT_EQ(std::tie(counts.Added, counts.Removed), std::tuple(0, 0));
      ASSERT_EQ(stored.Entries.size(), before.Entries.size());
      for (size_t i = 0; i < stored.Entries.size(); ++i) {
        const TEntry& item = stored.Entries[i];
        EXPECT_EQ(std::tie(item.IsRead, item.Visited, item.Title, item.Link),
                  std::tuple(true, before.Entries[i].Visited, fresh.Entries[i].Title, fresh.Entries[i].Link))
            << i;
      }
    }
  }
}

}  // namespace
}  // namespace tidewick
