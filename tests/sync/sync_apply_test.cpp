#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "entries/html_sanitizer.h"
#include "formats/feed_document.h"
#include "formats/reader_support.h"
#include "support/feed_builder.h"
#include "sync/sync_download.h"

namespace tidewick {
namespace {

TRemoteArticle Article(int64_t id, std::string feedId, std::string title, bool unread = true, int64_t updated = 0) {
  return {id,
          std::move(feedId),
          std::move(title),
          "",
          "",
          "",
          UnixSecondsToDateTime(1700000000 + (updated ? updated : id)),
          unread,
          false,
          {},
          {}};
}

TRemoteFeed RemoteFeed(const std::string& id, std::string title, std::string categoryId = "") {
  return {id, std::move(title), "https://site.example/" + id + "/rss.xml", std::move(categoryId), 0};
}

class SyncApply : public ::testing::Test {
 protected:
  SyncApply() {
    m_account.Key = "tt1";
    m_feeds.push_back(test::MakeFeed("News", "http://local.example/rss"));  // a local feed: never touched
    m_feeds[0].Id = NewFeedId();
    m_feeds[0].Entries = test::NumberedEntries(2, [](int) { return false; });
    m_first.Complete = true;
    m_first.Categories = {{"3", "Tech\r\nnews"}, {"4", "Other"}};
    m_first.Feeds = {RemoteFeed("10", "News"), RemoteFeed("11", "News", "3"), RemoteFeed("12", "", "0")};
    m_first.NewArticles = {Article(101, "10", "a"), Article(102, "10", "b", false), Article(103, "11", "c"),
                           Article(104, "99", "no such feed"), Article(105, "11", "d", true, 1)};
    m_first.StarredIds = {103};
    m_first.NewPosition = "105";
  }

  TSyncApplyResult Apply(const TSyncDownload& download) {
    return ApplySyncDownload(m_feeds, m_account, download, m_queue);
  }

  // The account feed's titles and marks: "title:r*" (read, starred), in store order.
  std::vector<std::string> Marks(size_t feed) const {
    std::vector<std::string> marks;
    for (const TEntry& item : m_feeds.at(feed).Entries) {
      EXPECT_EQ(item.FeedIndex, static_cast<int>(feed));
      marks.push_back(item.Title + ":" + (item.IsRead ? "r" : "") + (item.Starred ? "*" : ""));
    }
    return marks;
  }

  TFeeds m_feeds;
  TSyncAccount m_account;
  TSyncQueue m_queue;
  TSyncDownload m_first;
};

TEST_F(SyncApply, FirstSyncAddsTheAccountFeedsWithTheirArticles) {
  TSyncDownload partial = m_first;
  partial.Complete = false;
  EXPECT_EQ(Apply(partial).ChangedFeedIds.size(), 0u);
  EXPECT_EQ(m_feeds.size(), 1u);
  EXPECT_TRUE(m_account.Position.empty());

  const TSyncApplyResult result = Apply(m_first);
  EXPECT_EQ(result.FeedsAdded, 3);
  EXPECT_EQ(result.NewEntries, 4);
  EXPECT_EQ(result.NewUnread, 3);
  EXPECT_EQ(result.ChangedFeedIds.size(), 3u);
  EXPECT_EQ(m_account.Position, "105");
  ASSERT_EQ(m_feeds.size(), 4u);
  const std::vector<std::string> names = {m_feeds[1].Name, m_feeds[2].Name, m_feeds[3].Name};
  EXPECT_EQ(names, (std::vector<std::string>{"News1", "News2", "https://site.example/12/rss.xml"}));
  for (size_t i = 1; i < 4; ++i) {
    EXPECT_EQ(m_feeds[i].Interval, 0);
    EXPECT_FALSE(m_feeds[i].RefreshAtStart);
    EXPECT_EQ(m_feeds[i].Index, static_cast<int>(i));
    EXPECT_NE(m_feeds[i].Id, 0u);
  }
  EXPECT_EQ(m_feeds[2].Remote, (TFeedRemote{"tt1", "11", "3", "Technews"}));
  EXPECT_EQ(m_feeds[3].Remote, (TFeedRemote{"tt1", "12", "", ""}));
  EXPECT_EQ(Marks(1), (std::vector<std::string>{"b:r", "a:"}));  // newest first, as a feed document gives them
  EXPECT_EQ(Marks(2), (std::vector<std::string>{"c:*", "d:"}));
  EXPECT_EQ(m_feeds[2].Entries[0].ArticleId, 103);
  EXPECT_EQ(Marks(0), (std::vector<std::string>{"entry 0:", "entry 1:"}));
}

// An article sent again (an id already stored, or twice in one download) is stored once; a feed the server dropped
// goes with all its entries, also one starred here.
TEST_F(SyncApply, SecondSyncMovesMarksAddsArticlesAndRemovesWhatTheServerDropped) {
  Apply(m_first);
  m_feeds[2].Entries[1].Starred = true;  // starred here, and queued: the server has not seen it yet
  m_queue.Add({"tt1", 105, TSyncField::Starred, true});
  m_queue.Add({"tt1", 102, TSyncField::Read, false});  // made while the sync ran: wins over the server's read
  TSyncDownload second;
  second.Complete = true;
  second.Categories = {{"4", "Other"}};
  second.Feeds = {RemoteFeed("10", "Renamed", "4"), RemoteFeed("12", "")};  // 11 was unsubscribed elsewhere
  second.NewArticles = {Article(106, "10", "e"), Article(101, "10", "a2", false), Article(106, "10", "dup"),
                        Article(107, "12", "f", false)};
  second.UnreadIds = {{"10", {106}}};
  second.StarredIds = {101};
  second.NewPosition = "107";
  const uint64_t removedId = m_feeds[2].Id;
  const TSyncApplyResult result = Apply(second);
  EXPECT_EQ(result.FeedsRemoved, 1);
  EXPECT_EQ(result.NewEntries, 2);
  EXPECT_EQ(result.NewUnread, 1);
  EXPECT_EQ(result.MarksChanged, 2);  // 101 read and starred, 102 unread (queued; the server says read)
  EXPECT_EQ(std::count(result.ChangedFeedIds.begin(), result.ChangedFeedIds.end(), removedId), 1);
  ASSERT_EQ(m_feeds.size(), 3u);
  EXPECT_EQ(m_feeds[1].Name, "Renamed");
  EXPECT_EQ(m_feeds[1].Remote.CategoryTitle, "Other");
  EXPECT_EQ(Marks(1), (std::vector<std::string>{"b:", "a2:r*", "e:"}));
  EXPECT_EQ(Marks(2), (std::vector<std::string>{"f:r"}));
  EXPECT_EQ(m_feeds[2].Index, 2);
  EXPECT_EQ(m_account.Position, "107");

  const TSyncSnapshot snapshot = MakeSyncSnapshot(m_feeds, m_account, m_queue);
  EXPECT_EQ(snapshot.LocalUnread, (std::unordered_map<std::string, int64_t>{{"10", 2}, {"12", 0}}));
  EXPECT_EQ(snapshot.Pending.size(), 2u);
  EXPECT_EQ(snapshot.Account.Position, "107");

  // A feed holds at most as many entries as a feed document: the oldest go, starred ones stay.
  TSyncDownload many;
  many.Complete = true;
  many.Feeds = second.Feeds;
  for (int64_t id = 1000; id < 1000 + static_cast<int64_t>(kMaxEntriesPerDocument); ++id) {
    many.NewArticles.push_back(Article(id, "10", "many", true, id));
  }
  many.StarredIds = {101};
  Apply(many);
  ASSERT_EQ(m_feeds[1].Entries.size(), kMaxEntriesPerDocument);
  EXPECT_EQ(m_feeds[1].Entries[0].ArticleId, 101);
  EXPECT_EQ(m_feeds[1].Entries.back().ArticleId, 1001);  // 102, 106 and 1000 were the oldest
}

// Server content is cleaned and limited exactly like a feed's: the same article as an RSS item gives the same entry.
TEST_F(SyncApply, HostileArticlesAreCleanedExactlyLikeAFeedsEntries) {
  std::string huge(16 << 20, 'T');
  huge[1000] = '\n';
  const struct {
    std::string Title, Link, Author, Content, Enclosure;
  } kCases[] = {
      {"<script>alert(1)</script> &amp; Co\r\nline", "../a/b?x=1", " Anna\n B ",
       "<p onclick=\"x()\">hi</p><script>alert(1)</script>\r\n<img src=x onerror=y>", "media/x.mp3"},
      {huge, "javascript:alert(1)", "&#0;&lt;b&gt;", "&lt;script&gt;", "javascript:alert(1)"},
      {"tab\tand\xC2\xA0nbsp", "https://ok.example/\r\npath", "", "", "ftp://site.example/x"},
  };
  for (const auto& kase : kCases) {
    SCOPED_TRACE(kase.Link);
    TSyncDownload download;
    download.Complete = true;
    download.Feeds = {RemoteFeed("10", "f")};
    TRemoteArticle article = Article(1, "10", kase.Title);
    article.Link = kase.Link;
    article.Author = kase.Author;
    article.Content = kase.Content;
    for (int n = 0; n < 20; ++n) {
      article.Enclosures.push_back({kase.Enclosure + std::to_string(n % 18), "audio/mpeg\r\nx", n - 1});
    }
    download.NewArticles = {article};
    TFeeds feeds;
    ApplySyncDownload(feeds, m_account, download, m_queue);
    ASSERT_EQ(feeds.size(), 1u);
    ASSERT_EQ(feeds[0].Entries.size(), 1u);
    const TEntry& synced = feeds[0].Entries[0];

    std::string rss = "<rss version=\"2.0\"><channel><title>f</title><item><title>" + EscapeHtml(kase.Title) +
                      "</title><link>" + EscapeHtml(kase.Link) + "</link><author>" + EscapeHtml(kase.Author) +
                      "</author><description>" + EscapeHtml(kase.Content) + "</description>";
    for (const TEnclosure& enclosure : article.Enclosures) {
      rss += "<enclosure url=\"" + EscapeHtml(enclosure.Url) + "\" type=\"" + EscapeHtml(enclosure.Type) +
             "\" length=\"" + std::to_string(enclosure.Length) + "\"/>";
    }
    rss += "</item></channel></rss>";
    TFeed read;
    ASSERT_TRUE(ReadFeedDocument(rss, read, download.Feeds[0].Url));
    ASSERT_EQ(read.Entries.size(), 1u);
    const TEntry& expected = read.Entries[0];
    EXPECT_TRUE(synced.Title == expected.Title) << synced.Title.size() << " " << expected.Title.size();
    EXPECT_EQ(synced.Link, expected.Link);
    EXPECT_EQ(synced.Author, expected.Author);
    EXPECT_EQ(synced.Description, expected.Description);
    EXPECT_EQ(synced.Enclosures, expected.Enclosures);
    EXPECT_LE(synced.Enclosures.size(), kMaxEntryEnclosures);
  }
}

}  // namespace
}  // namespace tidewick
