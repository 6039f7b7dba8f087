#include <fstream>
#include <gtest/gtest.h>

#include "support/temp_dir.h"
#include "xml/xml_doc.h"
#include "xml/xml_text.h"

namespace tidewick {
namespace {

struct TReadCase {
  std::string_view Xml;
  std::string_view Path;  // "" is the root
  std::string_view Value;
  int Children = -1;  // -1: not checked
};

class XmlReaderRules : public testing::TestWithParam<TReadCase> {};

TEST_P(XmlReaderRules, BuildTheExpectedTree) {
  const TReadCase& c = GetParam();
  TXmlDoc doc;
  ASSERT_TRUE(doc.LoadFromString(c.Xml));
  const TXmlNode* node = c.Path.empty() ? doc.Root() : doc.GetNode(c.Path);
  ASSERT_NE(node, nullptr);
  EXPECT_EQ(node->Value(), c.Value);
  if (c.Children >= 0) {
    EXPECT_EQ(node->Nodes().Count(), c.Children);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, XmlReaderRules,
    testing::Values(
        // A byte-order mark is ignored; without a declaration the first element is the root.
        TReadCase{"\xEF\xBB\xBF<?xml version=\"1.0\"?><a>x</a>", "a", "x"},
        TReadCase{"<rss><channel><title>t</title></channel></rss>", "channel\\title", "t"},
        TReadCase{"<?xml version=\"1.0\" encoding='utf-8' ?>\r\n<rss><channel/></rss>", "rss\\channel", ""},
        // A stylesheet instruction in place of the declaration becomes it; later instructions are leaves.
        TReadCase{"<?xml-stylesheet href=\"a.xsl\"?><rss><x>1</x></rss>", "rss\\x", "1"},
        TReadCase{"<?xml version=\"1.0\"?><?xml-stylesheet href=\"a\"?><rss><x>1</x></rss>", "", "", 2},
        TReadCase{"<?xml version=\"1.0\"?><?xml-stylesheet href=\"a\"?><rss><x>1</x></rss>", "rss\\x", "1"},
        // CDATA is joined with the text around it, decoded together, and ends at the first "]]>".
        TReadCase{"<a>x<![CDATA[<b>&amp;</b>]]>y</a>", "", "x<b>&</b>y"},
        TReadCase{"<?xml?><a><![CDATA[x]]]>y<![CDATA[]]></a><b/>", "a", "x]y"},
        TReadCase{"<?xml?><a><![CDATA[x]]]>y<![CDATA[]]></a><b/>", "b", ""},
        // Mixed content after a child is dropped; text before it stays in the parent's value.
        TReadCase{"<?xml?><a><b>1</b>tail</a><c/>", "a", "", 1},
        TReadCase{"<?xml?><a><b>1</b>tail</a><c/>", "c", "", 0}, TReadCase{"<?xml?><a><b>1</b>tail</a><c/>", "", "", 2},
        TReadCase{"<?xml?>\n<a>\n  <b>1</b>\n</a>", "a", "\n  "},
        // Closing tag names are never compared.
        TReadCase{"<?xml?><a><b></c></a><d/>", "a\\b", ""}, TReadCase{"<?xml?><a><b></c></a><d/>", "d", ""},
        // Comments (even with ">" inside) and the doctype are skipped.
        TReadCase{"<?xml?><a><!-- if a > b --><b>1</b><!----><c>2</c></a>", "a", "", 2},
        TReadCase{"<?xml?><!DOCTYPE rss SYSTEM \"x.dtd\"><rss><x>1</x></rss>", "", "", 1},
        // ">" in a quoted attribute ends the tag.
        TReadCase{"<?xml?><a t=\"1>2\">x</a>", "a", "2\">x"},
        TReadCase{"<?xml?><a><br/><link href=\"u\" /><x>1</x></a>", "a", "", 3}));

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

struct TTextCase {
  std::string_view Encoding;  // "" declares none
  std::string_view Text;
  std::string_view Expected;
};

class XmlText : public testing::TestWithParam<TTextCase> {};

// As element text and as attribute value: references decode in one pass, bytes convert to UTF-8.
TEST_P(XmlText, DecodesToUtf8) {
  const TTextCase& c = GetParam();
  std::string xml = "<?xml version=\"1.0\"";
  if (!c.Encoding.empty()) {
    xml += " encoding=\"" + std::string(c.Encoding) + "\"";
  }
  xml += "?><a t=\"" + std::string(c.Text) + "\">" + std::string(c.Text) + "</a>";
  TXmlDoc doc;
  ASSERT_TRUE(doc.LoadFromString(xml));
  EXPECT_EQ(doc.GetValue("a"), c.Expected);
  EXPECT_EQ(doc.GetAttrib("a", "t")->Value(), c.Expected);
}

INSTANTIATE_TEST_SUITE_P(References, XmlText,
                         testing::Values(TTextCase{"", "A &amp; B", "A & B"}, TTextCase{"UTF-8", "&amp;lt;", "&lt;"},
                                         TTextCase{"", "&lt;&gt;&quot;&apos;", "<>\"'"},
                                         TTextCase{"UTF-8", "&#228;&#xE4;&#X20AC;&#128512;", "ää€😀"},
                                         TTextCase{"", "&#0; &#xD800; &#x110000; &#; &#x; &#12a; &bogus; & x",
                                                   "&#0; &#xD800; &#x110000; &#; &#x; &#12a; &bogus; & x"},
                                         TTextCase{"", "&auml;&nbsp;", "&auml;&nbsp;"},
                                         TTextCase{"ISO-8859-1", "&auml;&#228;&nbsp;&#160;x", "ää  x"},
                                         TTextCase{"iso-8859-1", "&Auml;&hibar;&Dstrok;&yuml;&iexcl;", "Ä¯Ðÿ¡"},
                                         TTextCase{"ISO-8859-1", "&AUML;&euro;", "&AUML;&euro;"},
                                         TTextCase{"ISO-8859-1", "&amp;auml;", "&auml;"}));

INSTANTIATE_TEST_SUITE_P(
    Charsets, XmlText,
    testing::Values(
        // Undeclared, misnamed or unknown: UTF-8 is kept and stray bytes read as Windows-1252.
        TTextCase{"", "Gr\xC3\xBC\xC3\x9F\x65 \x93quoted\x94 caf\xE9", "Grüße “quoted” café"},
        TTextCase{"utf8", "\xC3\xA4\xE4", "ää"}, TTextCase{"x-no-such", "\xC3\xA4\xE4", "ää"},
        TTextCase{"ISO-8859-1", "\x93\xE4\x94 \x80", "“ä” €"}, TTextCase{"windows-1252", "\x80\x9C", "€œ"},
        TTextCase{"KOI8-R", "\xF0\xD2\xC9\xD7\xC5\xD4", "Привет"}, TTextCase{"Shift_JIS", "\x93\xfa\x96\x7b", "日本"},
        TTextCase{"GB2312", "\xd6\xd0\xce\xc4", "中文"}, TTextCase{"us-ascii", "\x93x\x94", "“x”"}));

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
