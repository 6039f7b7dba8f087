#include "feeds/feed_store.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "feeds/feed_merge.h"
#include "feeds/store_reader.h"
#include "feeds/store_test_support.h"
#include "support/table_file.h"
#include "support/temp_dir.h"
#include "util/files.h"
#include "xml/xml_doc.h"

namespace tidewick {
namespace {

using test::DataPath;
using test::ExpectSameFeeds;
using test::SmallStore;

class FeedStore : public ::testing::Test {
 protected:
  void SetUp() override { Feeds.clear(); }
  void TearDown() override { Feeds.clear(); }

  // Loads a store document given as text and returns the feeds read.
  TFeeds LoadText(const std::string& text) {
    const std::string file = m_dir.File("Feeds.xml");
    EXPECT_TRUE(WriteStringToFile(file, text));
    LoadFeedStore(file);
    return Feeds;
  }

  test::TempDir m_dir;
};

TEST_F(FeedStore, WritesTheExactBytesOfTheGoldenFile) {
  const std::string golden = ReadFileToString(DataPath("feeds/small_store.xml"));
  ASSERT_FALSE(golden.empty());
  EXPECT_EQ(FeedStoreText(SmallStore()), golden);
  Feeds = SmallStore();
  const std::string file = m_dir.File("Feeds.xml");
  ASSERT_TRUE(SaveFeeds(file));
  EXPECT_EQ(ReadFileToString(file), golden);
}

// The same store built value by value on full paths through the XML document, the way the format is defined.
std::string PathByPathText(const TFeeds& feeds) {
  TXmlDoc doc("?xml");
  for (size_t n = 0; n < feeds.size(); ++n) {
    const TFeed& feed = feeds[n];
    const std::string base = "Feeds\\Feed" + std::to_string(n + 1) + "\\";
    doc.SetValue(base + "Name", feed.Name);
    doc.SetValue(base + "URL", feed.URL);
    doc.SetValue(base + "FeedType", feed.FeedType);
    doc.SetInteger(base + "Interval", feed.Interval);
    doc.SetBoolean(base + "RefreshAtStart", feed.RefreshAtStart);
    doc.SetInteger(base + "LastDownloaded", DateTimeToUnixSeconds(feed.LastDownloaded));
    doc.SetBoolean(base + "Error", feed.Error);
    if (feed.LoadImages) {
      doc.SetBoolean(base + "LoadImages", true);
    }
    doc.SetValue(base + "Info\\Title", feed.Info.Title);
    doc.SetValue(base + "Info\\Link", feed.Info.Link);
    doc.SetValue(base + "Info\\Description", feed.Info.Description);
    doc.SetValue(base + "Info\\Copyright", feed.Info.Copyright);
    doc.SetValue(base + "Info\\Language", feed.Info.Language);
    doc.SetInteger(base + "Info\\PublishedDate", DateTimeToUnixSeconds(feed.Info.PublishedDate));
    doc.SetInteger(base + "Info\\LastBuildDate", DateTimeToUnixSeconds(feed.Info.LastBuildDate));
    doc.SetInteger(base + "Info\\TTL", feed.Info.TTL);
    doc.SetValue(base + "Info\\ImageTitle", feed.Info.ImageTitle);
    doc.SetValue(base + "Info\\ImageURL", feed.Info.ImageURL);
    doc.SetValue(base + "Info\\ImageLink", feed.Info.ImageLink);
    doc.SetInteger(base + "Info\\ImageWidth", feed.Info.ImageWidth);
    doc.SetInteger(base + "Info\\ImageHeight", feed.Info.ImageHeight);
    for (size_t m = 0; m < feed.Entries.size(); ++m) {
      const TEntry& item = feed.Entries[m];
      const std::string path = base + "Item" + std::to_string(m + 1) + "\\";
      doc.SetValue(path + "Title", item.Title);
      doc.SetValue(path + "Link", item.Link);
      doc.SetValue(path + "Description", item.Description);
      doc.SetInteger(path + "PublishedDate", DateTimeToUnixSeconds(item.PublishedDate));
      doc.SetValue(path + "Author", item.Author);
      if (!item.Categories.empty()) {  // only when there are any
        std::string lines;
        for (const std::string& category : item.Categories) {
          lines += (lines.empty() ? "" : "\n") + category;
        }
        doc.SetValue(path + "Categories", lines);
      }
      if (!item.Enclosures.empty()) {
        std::string lines;
        for (const TEnclosure& file : item.Enclosures) {
          lines += (lines.empty() ? "" : "\n") + file.Url + "\t" + file.Type + "\t" +
                   (file.Length < 0 ? "" : std::to_string(file.Length));
        }
        doc.SetValue(path + "Enclosures", lines);
      }
      if (item.Starred) {
        doc.SetBoolean(path + "Starred", true);
      }
      doc.SetBoolean(path + "Readed", item.IsRead);
      doc.SetBoolean(path + "Visited", item.Visited);
    }
  }
  std::string text;
  doc.SaveToStream(text, 2, true);
  return text;
}

TFeeds RandomStore(std::mt19937& random) {
  static const std::vector<std::string> kTexts = {
      "",      "plain",  "a & b",  "<b>bold</b> &amp; \"q\"", " padded ", "line\r\nbreak",
      "Größe", "日本語", "'apos'", "[~Tidewick_Content~]",    "x]]>y"};
  auto text = [&] { return kTexts[random() % kTexts.size()]; };
  TFeeds feeds(random() % 12);
  for (TFeed& feed : feeds) {
    feed.Name = text();
    feed.URL = text();
    feed.Interval = static_cast<int16_t>(static_cast<int>(random() % 200) - 2);
    feed.RefreshAtStart = random() % 2 == 0;
    feed.LoadImages = random() % 3 == 0;
    feed.LastDownloaded = UnixSecondsToDateTime(static_cast<int64_t>(random() % 2000000000));
    feed.Info.Description = text();
    feed.Info.TTL = static_cast<int32_t>(random() % 100);
    feed.Entries.resize(random() % 13);
    for (TEntry& item : feed.Entries) {
      item.Title = text();
      item.Description = text();
      item.Author = text();
      item.IsRead = random() % 2 == 0;
      item.Starred = random() % 5 == 0;
      for (size_t c = random() % 3; c > 0; --c) {
        AddEntryCategory(item, text());
      }
      for (size_t c = random() % 3; c > 0; --c) {
        AddEntryEnclosure(item, {.Url = "http://h/" + std::to_string(random() % 3), .Type = text(), .Length = 7});
      }
    }
  }
  return feeds;
}

TEST_F(FeedStore, LargeValuesCrossingWriteBuffersComeOutTheSame) {
  std::mt19937 random(3);
  const std::vector<std::string> pieces = {"a", "b", "&", "<", ">", "\"", "'", " ", "\r\n", "ä", "€"};
  TFeeds feeds(2);
  for (TFeed& feed : feeds) {
    feed.Name = "large";
    feed.Entries.resize(20);
    for (TEntry& item : feed.Entries) {
      item.Title = "t";
      for (size_t i = random() % 70000; i > 0; --i) {
        item.Description += pieces[random() % pieces.size()];
      }
    }
  }
  const std::string text = FeedStoreText(feeds);
  ASSERT_EQ(text, PathByPathText(feeds));
  ExpectSameFeeds(LoadText(text), feeds);
}

TEST_F(FeedStore, WritesThePathByPathBytesAndReadsEveryValueBack) {
  std::mt19937 random(11);
  for (int round = 0; round < 40; ++round) {
    TFeeds feeds = RandomStore(random);
    ASSERT_EQ(FeedStoreText(feeds), PathByPathText(feeds)) << "round " << round;
    for (TFeed& feed : feeds) {
      feed.Name += std::to_string(round);  // empty names would come back as the placeholder
      feed.Interval = feed.Interval < 15 ? static_cast<int16_t>((feed.Interval & 1) - 1) : feed.Interval;  // -1 or 0
      for (TEntry& item : feed.Entries) {
        item.Title += "t";
      }
    }
    const TFeeds loaded = LoadText(FeedStoreText(feeds));
    ExpectSameFeeds(loaded, feeds);
  }
}

TEST_F(FeedStore, LoadNumbersFeedsAndItemsInFileOrder) {
  ExpectSameFeeds(LoadText(ReadFileToString(DataPath("feeds/small_store.xml"))), SmallStore());
  test::ExpectNumberedInPlace(Feeds);
  EXPECT_TRUE(Feeds[0].Id != 0 && Feeds[1].Id != 0);
}

std::string StoreWith(const std::string& feedBody) {
  return "<?xml version=\"1.0\"?>\r\n<Feeds>\r\n<Feed1>" + feedBody + "</Feed1>\r\n</Feeds>\r\n";
}

// Intervals are clamped; read marks are the integer 1, the feed's flags exactly "1".
TEST_F(FeedStore, ReadsIntervalsAndMarksAsTheTableSays) {
  test::CheckTableFile("feeds/store_values.tsv", 2, [this](const std::vector<std::string>& in) -> std::string {
    const std::string& t = in[1];
    if (in[0] == "interval") {
      const TFeeds loaded =
          LoadText(StoreWith("<Name>n</Name>" + (t == "(none)" ? "" : "<Interval>" + t + "</Interval>")));
      return loaded.size() == 1 ? std::to_string(loaded[0].Interval) : "(not loaded)";
    }
    const TFeeds loaded =
        LoadText(StoreWith("<RefreshAtStart>" + t + "</RefreshAtStart><Error>" + t + "</Error><Item1><Readed>" + t +
                           "</Readed><Visited>" + t + "</Visited></Item1>"));
    if (loaded.size() != 1 || loaded[0].Entries.size() != 1) {
      return "(not loaded)";
    }
    const TFeed& feed = loaded[0];
    EXPECT_EQ(feed.Entries[0].IsRead, feed.Entries[0].Visited) << t;
    EXPECT_EQ(feed.RefreshAtStart, feed.Error) << t;
    return std::string(feed.Entries[0].IsRead ? "1" : "0") + "\t" + (feed.RefreshAtStart ? "1" : "0");
  });
}

// Fault guarded: the untitled placeholder was part of an entry's identity, so untitled entries came back unread
// whenever the language changed. Titles stay empty; placeholders an earlier version stored read as empty.
TEST_F(FeedStore, EmptyNameGetsAPlaceholderTitlesStayEmptyAndEarlierPlaceholdersReadAsEmpty) {
  const TFeeds loaded = LoadText(StoreWith(
      "<Name /><Item1><Link>l</Link></Item1><Item2><Title></Title></Item2><Item3><Title>(Kein Titel verf\xC3\xBCgbar)"
      "</Title></Item3><Item4><Title>(No title available)</Title></Item4><Item5><Title>(No title)</Title></Item5>"));
  ASSERT_EQ(loaded.size(), 1u);
  EXPECT_EQ(loaded[0].Name, "Unbenannter Feed");
  std::vector<std::string> titles;
  for (const TEntry& item : loaded[0].Entries) {
    titles.push_back(item.Title);
  }
  EXPECT_EQ(titles, (std::vector<std::string>{"", "", "", "", "(No title)"}));
}

// A feed is Feed and its number: any other child of the feed list (Feeds inside Feeds too) is kept for a later
// version, not read as a feed without an address.
TEST_F(FeedStore, ElementNamesMatchIgnoringCaseAndFirstMatchWins) {
  const TFeeds loaded = LoadText(
      "<?xml version=\"1.0\"?><FEEDS><feed7><NAME>first</NAME><name>second</name><info><title>t</title></info>"
      "<Info><Title>other</Title></Info><ITEM9><TITLE>i</TITLE></ITEM9></feed7><Feeds><Name>inner</Name></Feeds>"
      "<Other><Name>skipped</Name></Other></FEEDS>");
  ASSERT_EQ(loaded.size(), 1u);
  EXPECT_EQ(loaded[0].Name, "first");
  EXPECT_EQ(loaded[0].Info.Title, "t");
  ASSERT_EQ(loaded[0].Entries.size(), 1u);
  EXPECT_EQ(loaded[0].Entries[0].Title, "i");
}

TEST_F(FeedStore, CDataAndCommentsReadLikeTheXmlReader) {
  const TFeeds loaded = LoadText(
      StoreWith("<!-- a > comment --><Name>a<![CDATA[<b>&amp;</b>]]>z</Name><Item1><Description>&amp;lt;</Description>"
                "</Item1>"));
  ASSERT_EQ(loaded.size(), 1u);
  EXPECT_EQ(loaded[0].Name, "a<b>&</b>z");
  ASSERT_EQ(loaded[0].Entries.size(), 1u);
  EXPECT_EQ(loaded[0].Entries[0].Description, "&lt;");
}

// Fault guarded: what a newer version stored (attributes, elements of the feed list, of a feed, of an entry) was
// dropped by the first save, and an element among the feeds whose name began with Feed became a feed with no
// address. A starred entry stays, star and all, although it left the feed.
TEST_F(FeedStore, WhatANewerVersionStoredSurvivesLoadMergeAndSave) {
  const std::string file = m_dir.File("Feeds.xml");
  const std::vector<std::string> kept = {
      "<Feeds version=\"99\">\r\n",
      "  <Feed1 sync=\"a&amp;b\">\r\n",
      "    </Info>\r\n    <Tags>\r\n      <Tag>x &amp; y</Tag>\r\n    </Tags>\r\n    <Item1 id=\"7\">\r\n",
      "      <Visited>0</Visited>\r\n      <Pinned />\r\n      <Note><![CDATA[a <b> & c]]><!-- n --></Note>\r\n",
      "  </Feed1>\r\n  <Feed4Archive>\r\n    <URL>old</URL>\r\n  </Feed4Archive>\r\n</Feeds>\r\n",
      "<Title>flagged</Title>",
      "      <Starred>1</Starred>\r\n      <Readed>"};
  ASSERT_TRUE(WriteStringToFile(
      file,
      "<?xml version=\"1.0\"?>\r\n<Feeds version=\"99\">\r\n  <Feed1 sync=\"a&amp;b\">\r\n    <Name>n</Name>\r\n"
      "    <URL>u</URL>\r\n    <Tags>\r\n      <Tag>x &amp; y</Tag>\r\n    </Tags>\r\n    <Item1 id=\"7\">\r\n"
      "      <Title>kept</Title>\r\n      <Pinned />\r\n      <Note><![CDATA[a <b> & c]]><!-- n --></Note>\r\n"
      "    </Item1>\r\n    <Item2>\r\n      <Title>gone</Title>\r\n      <Pinned />\r\n    </Item2>\r\n"
      "    <Item3>\r\n      <Title>flagged</Title>\r\n      <Starred>1</Starred>\r\n    </Item3>\r\n"
      "  </Feed1>\r\n  <Feed4Archive>\r\n    <URL>old</URL>\r\n  </Feed4Archive>\r\n</Feeds>\r\n"));
  ASSERT_EQ(LoadFeedStore(file).Status, TStoreLoadStatus::Loaded);
  ASSERT_EQ(Feeds.size(), 1u);
  TFeed fresh;
  fresh.Entries.resize(2);
  fresh.Entries[0].Title = "kept";
  fresh.Entries[1].Title = "new";
  MergeFeed(Feeds[0], fresh, TAutoReadTerms(), 1.0);
  ASSERT_TRUE(SaveFeeds(file));
  const std::string saved = ReadFileToString(file);
  for (const std::string& part : kept) {
    EXPECT_NE(saved.find(part), std::string::npos) << part << "\nnot in\n" << saved;
  }
  EXPECT_EQ(saved.find("gone"), std::string::npos);
  // Kept as it is, save after save.
  LoadFeedStore(file);
  ASSERT_TRUE(SaveFeeds(file));
  EXPECT_EQ(ReadFileToString(file), saved);
}

// Accounts, an account feed's place on its server and its entries' article ids come back as saved; a store without
// them stays byte for byte (the golden file). A version without sync keeps them as unknown elements and writes them
// back where it writes those (accounts after the feeds, the rest after Info and after the marks): read as well.
// Fault guarded: code that saves without knowing the accounts (the tool's refresh) dropped them, and a save of the
// refresh state alone lost a sync's new Position.
TEST_F(FeedStore, AccountsComeBackFromOurLayoutAndFromAnOlderVersionsCopy) {
  const std::string file = m_dir.File("Feeds.xml");
  Feeds = SmallStore();
  SyncAccounts = test::AccountsFor(Feeds);
  const std::string expected = FeedStoreText(Feeds, SyncAccounts);
  ASSERT_TRUE(SaveFeeds(file));
  Feeds.clear();
  SyncAccounts.clear();
  ASSERT_EQ(LoadFeedStore(file).Status, TStoreLoadStatus::Loaded);
  EXPECT_EQ(FeedStoreText(Feeds, SyncAccounts), expected);
  ASSERT_TRUE(SaveFeeds(file, Feeds));  // without the accounts at hand
  ASSERT_EQ(ReadFileToString(file), expected);
  SyncAccounts[0].Position = "900";
  ASSERT_TRUE(SaveFeedStore(file, Feeds, SyncAccounts, TStoreChanges::RefreshStateOnly).Written());
  LoadFeedStore(file);
  EXPECT_EQ(SyncAccounts.at(0).Position, "900");

  const TFeeds older = LoadText(
      "<?xml version=\"1.0\"?>\r\n<Feeds>\r\n  <Feed1>\r\n    <Name>n</Name>\r\n    <URL>u</URL>\r\n    <Info />\r\n"
      "    <SyncAccount>tt1</SyncAccount>\r\n    <SyncFeedId>7</SyncFeedId>\r\n    <Item1>\r\n      "
      "<Title>t</Title>\r\n"
      "      <Readed>1</Readed>\r\n      <ArticleId>42</ArticleId>\r\n    </Item1>\r\n  </Feed1>\r\n"
      "  <Account note=\"x\">\r\n    <Key>tt1</Key>\r\n    <Title>A &amp; B</Title>\r\n    <Token "
      "a=\"1\">new</Token>\r\n"
      "    <Key>second</Key>\r\n  </Account>\r\n  <Account><Title>no key</Title></Account>\r\n</Feeds>\r\n");
  ASSERT_EQ(older.size(), 1u);
  EXPECT_EQ(older[0].Remote, (TFeedRemote{"tt1", "7", "", ""}));
  ASSERT_EQ(older[0].Entries.size(), 1u);
  EXPECT_EQ(older[0].Entries[0].ArticleId, 42);
  ASSERT_EQ(SyncAccounts.size(), 1u);
  EXPECT_EQ(SyncAccounts[0].Key, "tt1");
  EXPECT_EQ(SyncAccounts[0].Title, "A & B");
  ASSERT_TRUE(SaveFeeds(file));
  const std::string saved = ReadFileToString(file);
  for (const std::string part : {"<Account note=\"x\">\r\n    <Key>tt1</Key>\r\n    <Kind />\r\n    <Title>A &amp; B",
                                 "<Position />\r\n    <Token a=\"1\">new</Token>\r\n  </Account>\r\n  <Feed1>",
                                 "  </Feed1>\r\n  <Account><Title>no key</Title></Account>\r\n</Feeds>"}) {
    EXPECT_NE(saved.find(part), std::string::npos) << part << "\nnot in\n" << saved;
  }
  SyncAccounts.clear();
}

// Fault guarded: a character XML forbids was written as it was, after which no other program could read the store.
// Old stores holding one still read as they are.
TEST_F(FeedStore, NeverWritesACharacterXmlForbidsButReadsOldStoresWithThem) {
  // U+0001, U+001F, U+FFFE, U+FFFF and a lone surrogate, each becoming U+FFFD (octal escapes end after 3 digits).
  const std::string forbidden = "a\001b\037c\357\277\276d\357\277\277e\355\240\200f";
  const std::string replaced = "a\357\277\275b\357\277\275c\357\277\275d\357\277\275e\357\277\275f";
  const std::string allowed = "\t\r\n\xEF\xBF\xBD\xED\x9F\xBF\x7F";
  const std::string longText(40000, 'x');  // beyond a write slice
  TFeeds feeds = SmallStore();
  feeds[0].Name = forbidden;
  feeds[0].Entries[0].Title = forbidden + allowed;
  feeds[0].Entries[1].Description = longText + forbidden;
  const std::string text = FeedStoreText(feeds);
  const TStoreReadResult read = ReadStoreText(text);
  ASSERT_TRUE(read.Complete) << read.Damage;
  EXPECT_EQ(read.Feeds[0].Name, replaced);
  EXPECT_EQ(read.Feeds[0].Entries[0].Title, replaced + allowed);
  EXPECT_TRUE(read.Feeds[0].Entries[1].Description == longText + replaced);
  const std::string old = "a\001b\357\277\276";
  EXPECT_EQ(LoadText(StoreWith("<Name>" + old + "</Name>")).at(0).Name, old);
  if (std::system("xmllint --version >/dev/null 2>&1") == 0) {
    const std::string file = m_dir.File("written.xml");
    ASSERT_TRUE(WriteStringToFile(file, text));
    EXPECT_EQ(std::system(("xmllint --noout '" + file + "'").c_str()), 0);
  }
}

// A Windows version wrote Windows-1252 bytes without naming the encoding.
TEST_F(FeedStore, StoresInOtherEncodingsAreConvertedToUtf8) {
  const std::pair<std::string, std::string> cases[] = {
      {StoreWith("<Name>Caf\xE9 M\xFCller \x93quoted\x94</Name>"), "Café Müller “quoted”"},
      {"<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><Feeds><Feed1><Name>K\xE4se</Name></Feed1></Feeds>", "Käse"}};
  for (const auto& [text, name] : cases) {
    EXPECT_EQ(LoadText(text).at(0).Name, name);
  }
}

}  // namespace
}  // namespace tidewick
