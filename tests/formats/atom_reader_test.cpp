// The entry rules (link choice, description, dates, authors) are checked by the golden file atom_entry_rules.xml.

#include <gtest/gtest.h>

#include "feeds/feed_records.h"
#include "formats/feed_test_util.h"

namespace tidewick {
namespace {

TEST(AtomReader, FeedWithoutDatesOrTitle) {
  const auto result = test::ReadFeed(test::Atom("<subtitle>Sub</subtitle>"));
  ASSERT_TRUE(result.Ok);
  EXPECT_EQ(result.Feed.Info.Title, "Unbenannter Feed");
  EXPECT_EQ(result.Feed.Info.Description, "Sub");
  EXPECT_TRUE(result.IsNow(result.Feed.Info.PublishedDate));
}

}  // namespace
}  // namespace tidewick
