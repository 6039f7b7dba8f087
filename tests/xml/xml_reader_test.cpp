#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "support/table_file.h"
#include "support/temp_dir.h"
#include "xml/xml_doc.h"
#include "xml/xml_text.h"

namespace tidewick {
namespace {

// Declarations, instructions, CDATA, mixed content, comments and unmatched closing tags.
TEST(XmlReader, BuildsTheTreeTheTableDescribes) {
  test::CheckTableFile("xml/reader_rules.tsv", 2, [](const std::vector<std::string>& in) -> std::string {
    TXmlDoc doc;
    if (!doc.LoadFromString(in[0])) {
      return "(not read)";
    }
    const TXmlNode* node = in[1].empty() ? doc.Root() : doc.GetNode(in[1]);
    return node == nullptr ? "(no node)" : std::string(node->Value()) + "\t" + std::to_string(node->Nodes().Count());
  });
}

TEST(XmlReader, DeclarationAttributesCDataFlagAndAttributeCase) {
  TXmlDoc doc;
  ASSERT_TRUE(doc.LoadFromString("<?xml version=\"1.0\" encoding='utf-8' ?>\r\n<rss><channel/></rss>"));
  EXPECT_EQ(doc.GetEncoding(), "utf-8");
  EXPECT_EQ(doc.Root()->Attribs().Count(), 2);
  ASSERT_TRUE(doc.LoadFromString("<rss/>"));
  EXPECT_EQ(doc.Root()->Name(), "rss");
  ASSERT_TRUE(doc.LoadFromString("<a>x<![CDATA[y]]></a>"));
  EXPECT_TRUE(doc.Root()->IsCData());
  ASSERT_TRUE(doc.LoadFromString("<?xml?><a><link href=\"u\" /></a>"));
  EXPECT_EQ(doc.GetAttrib("a\\link", "HREF")->Value(), "u");
  ASSERT_TRUE(doc.LoadFromString("<?xml?><a t=\"1>2\">x</a>"));
  EXPECT_EQ(doc.GetAttrib("a", "t")->Value(), "");
}

TEST(XmlReader, NothingReadGivesFalse) {
  for (const std::string_view xml : {"", "<!-- only a comment -->", "just text", "</a>"}) {
    EXPECT_FALSE(TXmlDoc().LoadFromString(xml)) << xml;
  }
}

// As element text and as attribute value: references decode in one pass, bytes convert to UTF-8.
TEST(XmlText, DecodesToUtf8) {
  test::CheckTableFile("xml/text_decoding.tsv", 2, [](const std::vector<std::string>& in) -> std::string {
    const std::string declared = in[0].empty() ? "" : " encoding=\"" + in[0] + "\"";
    TXmlDoc doc;
    if (!doc.LoadFromString("<?xml version=\"1.0\"" + declared + "?><a t=\"" + in[1] + "\">" + in[1] + "</a>")) {
      return "(not read)";
    }
    const std::string value = doc.GetValue("a");
    return value == doc.GetAttrib("a", "t")->Value() ? value : value + " (attribute differs)";
  });
}

TEST(XmlEncodings, Utf16WithByteOrderMark) {
  const std::u16string text = u"<?xml version=\"1.0\" encoding=\"UTF-16\"?><a>Grüße €</a>";
  std::string little("\xFF\xFE", 2);
  std::string big("\xFE\xFF", 2);
  for (const char16_t unit : text) {
    little += {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
    big += {static_cast<char>(unit >> 8), static_cast<char>(unit & 0xFF)};
  }
  for (const std::string& bytes : {little, big}) {
    TXmlDoc doc;
    ASSERT_TRUE(doc.LoadFromString(bytes));
    EXPECT_EQ(doc.GetValue("a"), "Grüße €");
  }
}

TEST(XmlCompleteness, TellsACutDocumentFromAWholeOne) {
  const std::string whole = "<?xml version=\"1.0\"?>\r\n<Feeds><Feed><Name>x</Name></Feed></Feeds>\r\n";
  TXmlLoadResult result = TXmlDoc().LoadFromStringEx(whole);
  EXPECT_TRUE(result.Ok && result.Complete);
  for (std::size_t cut = 1; cut < whole.size() - 3; ++cut) {
    EXPECT_FALSE(TXmlDoc().LoadFromStringEx(whole.substr(0, cut)).Complete) << "cut at " << cut;
  }
  for (const std::string_view xml : {"<?xml?><a></a>", "<rss><a>1</a></rss>", "<rss/>"}) {
    result = TXmlDoc().LoadFromStringEx(xml);
    EXPECT_TRUE(result.Ok && result.Complete) << xml;
  }
  for (const std::string_view xml :
       {"<rss><a>1</a>", "<?xml version=\"1.0\"?>", "<?xml?><a>1</a><!-- cut", "<?xml?><a><![CDATA[cut</a>"}) {
    EXPECT_FALSE(TXmlDoc().LoadFromStringEx(xml).Complete) << xml;
  }
}

TEST(XmlInnerMarkup, KeepsTheSourceBetweenStartAndClosingTagAsUtf8) {
  TXmlDoc doc;
  ASSERT_TRUE(doc.LoadFromString(
      "<?xml?><feed><content type=\"xhtml\"><div xmlns=\"x\"><p>A &amp; <b>B</b></p>tail</div></content><e/></feed>"));
  EXPECT_EQ(doc.GetNode("feed\\content")->InnerMarkup(), "<div xmlns=\"x\"><p>A &amp; <b>B</b></p>tail</div>");
  EXPECT_EQ(doc.GetNode("feed\\content\\div\\p")->InnerMarkup(), "A &amp; <b>B</b>");
  EXPECT_EQ(doc.GetNode("feed\\e")->InnerMarkup(), "");
  ASSERT_TRUE(doc.LoadFromString("<?xml encoding=\"ISO-8859-1\"?><a><p>\xE4</p></a>"));
  EXPECT_EQ(doc.GetNode("a")->InnerMarkup(), "<p>ä</p>");
}

TEST(XmlFiles, LoadFromFile) {
  test::TempDir dir;
  EXPECT_FALSE(TXmlDoc().LoadFromFile(dir.File("missing.xml")));
  std::ofstream(dir.File("empty.xml")).close();
  EXPECT_FALSE(TXmlDoc().LoadFromFile(dir.File("empty.xml")));
  std::ofstream(dir.File("a.xml"), std::ios::binary) << "<?xml version=\"1.0\"?><a>\xE4</a>";
  TXmlDoc doc;
  ASSERT_TRUE(doc.LoadFromFile(dir.File("a.xml")));
  EXPECT_EQ(doc.GetValue("a"), "ä");
}

}  // namespace
}  // namespace tidewick
