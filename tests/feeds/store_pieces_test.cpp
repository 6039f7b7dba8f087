// A large store is read piece by piece, a sound one by several threads in parts cut where a line starts a feed;
// wherever a piece ends (inside a tag, a reference, a CDATA marker or a character) and wherever a cut falls (also
// on a line that only looks like a feed's start), the result must be that of reading the whole text.

#include <gtest/gtest.h>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "feeds/store_reader.h"
#include "feeds/store_test_support.h"
#include "support/temp_dir.h"
#include "util/files.h"

namespace tidewick {
namespace {

const std::string kHead = "<?xml version=\"1.0\"?>\r\n<Feeds>\r\n  <Feed1>\r\n    <Name>Größe €</Name>\r\n";
const std::string kItem =
    "    <Item1>\r\n      <Title>Tom &amp; Jerry 𝄞</Title>\r\n"
    "      <Description><![CDATA[<p>a]]b</p>]]>&lt;i&gt;<![CDATA[x]]></Description>\r\n"
    "      <!-- a comment <Title>not this</Title> -->\r\n      <Readed>1</Readed>\r\n    </Item1>\r\n";
const std::string kWhole =
    kHead + "    <URL>http://example.org/?a=1&amp;b=2</URL>\r\n" + kItem + "  </Feed1>\r\n</Feeds>\r\n";

// A feed list whose feeds each hold the entry above, and what comes before its end.
const std::string kList = "<?xml version=\"1.0\"?>\r\n<Feeds version=\"9\">\r\n";
std::string Feed(int number, const std::string& inside = "") {
  const std::string tag = "Feed" + std::to_string(number) + ">\r\n";
  return "  <" + tag + "    <Name>F" + std::to_string(number) + "</Name>\r\n" + kItem + inside + "  </" + tag;
}
const std::string kFeedLine = "\r\n  <Feed9><Name>x</Name></Feed9>\r\n";

TEST(StorePieces, ReadLikeTheWholeTextWhereverAPieceEndsOrAPartIsCut) {
  const std::pair<const char*, std::string> documents[] = {
      {"Whole", kWhole},
      {"CommentBeforeTheDeclaration", "<!-- x -->" + kWhole},
      {"CutInsideATag", kWhole.substr(0, kWhole.find("<Readed>") + 4)},
      {"CutInsideCData", kWhole.substr(0, kWhole.find("a]]b") + 2)},
      {"CutInsideAComment", kWhole.substr(0, kWhole.find("not this"))},
      {"CutInsideACharacter", kWhole.substr(0, kWhole.find("€") + 1)},
      {"TextAfterTheRoot", kWhole + "  junk"},
      {"BlanksAfterTheRoot", kWhole + " \r\n\t "},
      {"StrayCloseEndsTheRootEarly", kHead + "  </Feed1>\r\n</Feeds>\r\n</x> <y/>"},
      {"ZeroByte", kHead + std::string(1, '\0') + kItem + "  </Feed1>\r\n</Feeds>\r\n"},
      {"ZeroByteAfterTheRoot", kWhole + std::string(1, '\0')},
      {"Windows1252Bytes", kHead + "    <URL>caf\xE9</URL>\r\n" + kItem + "  </Feed1>\r\n</Feeds>\r\n"},
      {"DeclaredLatin1",
       "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><Feeds><Feed1><Name>\xE9</Name></Feed1></Feeds>"},
      {"LessThanAtTheEnd", kWhole + "<"},
      {"SeveralFeeds", kList + Feed(1) + Feed(2) + Feed(3) + "  <Later>x</Later>\r\n" + Feed(4) + "</Feeds>\r\n"},
      {"FeedLineInAComment", kList + Feed(1) + "  <!--" + kFeedLine + "-->\r\n" + Feed(2) + Feed(3) + "</Feeds>"},
      {"FeedLineInCDataAfterAFeed", kList + Feed(1) + "<![CDATA[" + kFeedLine + "]]>" + Feed(2) + "</Feeds>"},
      {"FeedLineInAnUnknownElement", kList + Feed(1) + "<Later>" + kFeedLine + "</Later>" + Feed(2) + "</Feeds>"},
      {"FeedLineInAnEntry", kList + Feed(1, "<Item2><X>" + kFeedLine + "</X></Item2>") + Feed(2) + "</Feeds>"},
      {"LaterFeedDamaged", kList + Feed(1) + Feed(2) + Feed(3, "    </Oops>\r\n") + Feed(4) + "</Feeds>\r\n"},
      {"FeedListNotClosed", kList + Feed(1) + Feed(2) + Feed(3)},
  };
  const test::TempDir dir;
  const std::string file = dir.File("Feeds.xml");
  for (const auto& [name, text] : documents) {
    ASSERT_TRUE(WriteStringToFile(file, text));
    const TStoreReadResult whole = ReadStoreText(text);
    for (const size_t pieceSize : {1, 2, 3, 7, 64, 4096}) {
      for (const size_t parts : {1, 2, 3, 8}) {
        SCOPED_TRACE(testing::Message() << name << ", pieces of " << pieceSize << ", " << parts << " parts");
        const TStoreReadResult pieces = ReadStoreFile(file, TStorePieces{1, pieceSize, parts});
        EXPECT_EQ(std::tie(pieces.Opened, pieces.Complete, pieces.Damage, pieces.ReadError),
                  std::tie(whole.Opened, whole.Complete, whole.Damage, whole.ReadError));
        EXPECT_EQ(pieces.ReadError, 0);
        EXPECT_TRUE(pieces.StoreUnknown == whole.StoreUnknown);
        test::ExpectSameFeeds(pieces.Feeds, whole.Feeds);
      }
    }
  }
}

TEST(StorePiecesFile, LargeStoreRoundTripsThroughTheWriter) {
  TFeeds feeds = test::SmallStore();
  feeds[0].Entries.resize(3000, feeds[0].Entries[0]);
  feeds[0].Entries[1].Description = std::string(5 << 20, 'x') + "&<>\"";  // one value over several pieces
  const test::TempDir dir;
  const std::string file = dir.File("Feeds.xml");
  ASSERT_TRUE(SaveFeeds(file, feeds));
  const TStoreReadResult read = ReadStoreFile(file);
  EXPECT_TRUE(read.Complete) << read.Damage;
  test::ExpectSameFeeds(read.Feeds, feeds);
}

}  // namespace
}  // namespace tidewick
