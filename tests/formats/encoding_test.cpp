#include <gtest/gtest.h>
#include <string>

#include "feeds/feed_records.h"
#include "formats/feed_test_util.h"
#include "util/utf8.h"

namespace tidewick {
namespace {

struct TEncodingCase {
  const char* Name;
  const char* File;
  std::string Title;
  std::string Description;
  std::string FirstItemTitle;
};

class EncodingTable : public testing::TestWithParam<TEncodingCase> {};

TEST_P(EncodingTable, GivesUtf8Texts) {
  const TEncodingCase& c = GetParam();
  const auto result = test::ReadFeedFile(std::string("golden/") + c.File);
  ASSERT_TRUE(result.Ok);
  EXPECT_EQ(result.Feed.FeedType, "RSS/2.0");
  EXPECT_EQ(result.Feed.Info.Title, c.Title);
  EXPECT_EQ(result.Feed.Info.Description, c.Description);
  ASSERT_FALSE(result.Feed.Items.empty());
  EXPECT_EQ(result.Item(0).Title, c.FirstItemTitle);
  EXPECT_EQ(result.Feed.Info.Link, "https://example.org/");
  for (const TFeedItem& item : result.Feed.Items) {
    EXPECT_TRUE(IsValidUtf8(item.Title));
  }
}

const TEncodingCase kEncodingCases[] = {
    {"Latin1Declared", "enc_latin1.xml", "Grüße aus Köln", "Déjà vu ä ä  ; £ 5", "Straße"},
    {"Latin1LabelReadAsWindows1252", "enc_latin1_label_cp1252_bytes.xml", "“Quoted” – € sign", "Dash — here",
     "It’s fine"},
    {"Windows1252", "enc_windows1252.xml", "Preis: 5 € – „billig“", "Œuvre • Trade™", "Ellipsis…"},
    {"Koi8r", "enc_koi8r.xml", "Новости дня", "Привет, мир", "Москва"},
    {"Utf8WithBom", "enc_utf8_bom.xml", "Mit BOM: Grüße", "日本語のテキスト", "Привет"},
    {"BomThenLatin1Declaration", "enc_bom_latin1_decl.xml", "BOM, dann Latin-1: Grüße", "ä", "Ärger"},
    {"Utf8DeclarationWithoutEncoding", "enc_utf8_no_encoding.xml", "Keine Kodierung: Grüße", "Ελληνικά", "Ünïcödé"},
    {"Utf8WithoutDeclaration", "enc_utf8_no_declaration.xml", "Ohne Deklaration: Grüße", "中文", "Ärmel"},
    {"Latin1WithoutDeclarationRepaired", "enc_latin1_no_declaration.xml", "Latin-1 ohne Deklaration: Grüße",
     "naïve café", "Öl"},
    // Stray bytes in a document that declares UTF-8 read as Windows-1252; valid sequences stay.
    {"MismatchedBytesRepaired", "enc_utf8_mismatch.xml", "Valid: Grüße", "Stray: Grüße € 5 “q”", "Mixed ä and ä"},
    {"Utf16WithBom", "enc_utf16le_bom.xml", "UTF-16: Grüße", "Привет", "日本"},
};

INSTANTIATE_TEST_SUITE_P(Cases, EncodingTable, testing::ValuesIn(kEncodingCases),
                         [](const testing::TestParamInfo<TEncodingCase>& info) { return info.param.Name; });

TEST(Encoding, InvalidUtf8NeverReachesARecord) {
  std::string document = test::Rss(
      "<title>\xff\xfe T \xc3</title><item><title>\x80\x81\x8d</title>"
      "<description>a\xed\xa0\x80z</description><author>\xf8\x88\x80\x80\x80</author>"
      "</item>");
  const auto result = test::ReadFeed(document);
  ASSERT_TRUE(result.Ok);
  EXPECT_TRUE(IsValidUtf8(result.Feed.Info.Title));
  ASSERT_EQ(result.Feed.Items.size(), 1u);
  EXPECT_TRUE(IsValidUtf8(result.Item(0).Title));
  EXPECT_TRUE(IsValidUtf8(result.Item(0).Description));
  EXPECT_TRUE(IsValidUtf8(result.Item(0).Author));
}

TEST(Encoding, ByteOrderMarkWithoutDeclaration) {
  const auto result = test::ReadFeed("\xEF\xBB\xBF<rss version=\"2.0\"><channel><title>Grüße</title></channel></rss>");
  ASSERT_TRUE(result.Ok);
  EXPECT_EQ(result.Feed.Info.Title, "Grüße");
}

// ASCII text as UTF-16 code units, without a byte-order mark.
std::string AsciiToUtf16(std::string_view text, bool bigEndian) {
  std::string out;
  for (const char c : text) {
    out += bigEndian ? std::string{'\0', c} : std::string{c, '\0'};
  }
  return out;
}

TEST(Encoding, Utf16WithoutByteOrderMark) {
  for (const bool bigEndian : {false, true}) {
    for (const char* declaration : {"<?xml version=\"1.0\" encoding=\"UTF-16\"?>", ""}) {
      const std::string document =
          std::string(declaration) + "<rss version=\"2.0\"><channel><title>Gr&#252;&#223;e</title></channel></rss>";
      const auto result = test::ReadFeed(AsciiToUtf16(document, bigEndian));
      EXPECT_TRUE(result.Ok) << bigEndian << declaration;
      EXPECT_EQ(result.Feed.Info.Title, "Grüße") << bigEndian << declaration;
    }
  }
}

}  // namespace
}  // namespace tidewick
