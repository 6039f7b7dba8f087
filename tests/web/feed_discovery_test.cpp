#include "web/feed_discovery.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "support/table_file.h"
#include "web/feed_discovery_url.h"

namespace tidewick {
namespace {

TEST(ResolveWebAddress, CompletesReferencesAsBrowsersDo) {
  test::CheckTableFile("web/resolve_web_address.tsv", 2, [](const std::vector<std::string>& in) {
    return ResolveWebAddress(in[0], in[1]).value_or("(refused)");
  });
}

constexpr const char* kPage = "https://site.example/blog/index.html";

std::string Head(const std::string& links) {
  return "<!DOCTYPE html><html><head><title>Blog</title>" + links + "</head><body><p>Hello</p></body></html>";
}

std::string Rss(const std::string& href, const std::string& title = "Feed") {
  return "<link rel=\"alternate\" type=\"application/rss+xml\" title=\"" + title + "\" href=\"" + href + "\">";
}

TEST(DiscoverFeeds, FindsTheFeedsAPageNames) {
  test::CheckTableFile("web/feed_discovery.tsv", 1, [](const std::vector<std::string>& in) {
    std::string found;
    for (const TDiscoveredFeed& feed : DiscoverFeeds(in[0], kPage))
      found += (found.empty() ? "" : "\t") + feed.Address + "\t" + feed.Title;
    return found;
  });
}

// Only the start of a huge page is read: its head's feed is found, one after the limit is not.
TEST(DiscoverFeeds, ReadsOnlyTheStartOfAHugePage) {
  std::string page = Head(Rss("/head.xml"));
  page.insert(page.find("</body>"), std::string(kMaxDiscoveryPageBytes, 'x') + Rss("/late.xml"));
  page += std::string(size_t{8} * 1024 * 1024, ' ');
  const std::vector<TDiscoveredFeed> found = DiscoverFeeds(page, kPage);
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].Address, "https://site.example/head.xml");
}

// Regression guard: the parser's time grows with the square of the nesting depth, so a page of nothing but nested
// elements is read only up to the tag limit (and must end, not freeze the dialog's worker or the command).
TEST(DiscoverFeeds, AbsurdlyNestedPagesAreCutAtTheTagLimit) {
  std::string page = "<html><head>" + Rss("/head.xml") + "</head><body>";
  for (size_t i = 0; i < kMaxDiscoveryTags * 3; ++i)
    page += "<div>";
  page += Rss("/deep.xml");
  const std::vector<TDiscoveredFeed> found = DiscoverFeeds(page, kPage);
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].Address, "https://site.example/head.xml");
}

TEST(DiscoverFeeds, BoundsTheCountAndTheTitles) {
  std::string links;
  for (size_t i = 0; i < kMaxDiscoveredFeeds + 20; ++i)
    links += Rss("/f" + std::to_string(i) + ".xml", std::string(kMaxDiscoveredTitleChars + 50, 'a') + " b");
  const std::vector<TDiscoveredFeed> found = DiscoverFeeds(Head(links), kPage);
  ASSERT_EQ(found.size(), kMaxDiscoveredFeeds);
  EXPECT_EQ(found.back().Address, "https://site.example/f" + std::to_string(kMaxDiscoveredFeeds - 1) + ".xml");
  EXPECT_EQ(found[0].Title, std::string(kMaxDiscoveredTitleChars, 'a'));

  // Cut by characters, never inside one.
  const std::string euro = "\xE2\x82\xAC";
  std::string title;
  for (size_t i = 0; i < kMaxDiscoveredTitleChars + 5; ++i)
    title += euro;
  const std::vector<TDiscoveredFeed> euros = DiscoverFeeds(Head(Rss("/e.xml", title)), kPage);
  ASSERT_EQ(euros.size(), 1u);
  EXPECT_EQ(euros[0].Title.size(), kMaxDiscoveredTitleChars * euro.size());
}

}  // namespace
}  // namespace tidewick
