#include <fstream>
#include <gtest/gtest.h>

#include "support/temp_dir.h"
#include "xml/xml_doc.h"
#include "xml/xml_text.h"

namespace tidewick {
namespace {

TEST(XmlReader, ByteOrderMarkIsIgnored) {
  TXmlDoc doc;
  ASSERT_TRUE(doc.LoadFromString("\xEF\xBB\xBF<?xml version=\"1.0\"?><a>x</a>"));
  EXPECT_EQ(doc.Root()->Name(), "?xml");
  EXPECT_EQ(doc.GetValue("a"), "x");
}

TEST(XmlReader, DeclarationAttributesBelongToTheRoot) {
  TXmlDoc doc;
  ASSERT_TRUE(doc.LoadFromString("<?xml version=\"1.0\" encoding='utf-8' ?>\r\n<rss><channel/></rss>"));
  EXPECT_EQ(doc.GetEncoding(), "utf-8");
  EXPECT_EQ(doc.Root()->Attribs().Count(), 2);
  EXPECT_NE(doc.GetNode("rss\\channel"), nullptr);
}

TEST(XmlReader, WithoutDeclarationTheFirstElementIsTheRoot) {
  TXmlDoc doc;
  ASSERT_TRUE(doc.LoadFromString("<rss><channel><title>t</title></channel></rss>"));
  EXPECT_EQ(doc.Root()->Name(), "rss");
  EXPECT_EQ(doc.GetNode("rss\\channel"), nullptr);
  EXPECT_EQ(doc.GetValue("channel\\title"), "t");
}

TEST(XmlReader, StylesheetInstructionInPlaceOfTheDeclarationBecomesIt) {
  TXmlDoc doc;
  ASSERT_TRUE(doc.LoadFromString("<?xml-stylesheet href=\"a.xsl\"?><rss><x>1</x></rss>"));
  EXPECT_EQ(doc.Root()->Name(), "?xml");
  EXPECT_EQ(doc.GetValue("rss\\x"), "1");
}

TEST(XmlReader, LaterInstructionsAreLeaves) {
  TXmlDoc doc;
  ASSERT_TRUE(doc.LoadFromString("<?xml version=\"1.0\"?><?xml-stylesheet href=\"a\"?><rss><x>1</x></rss>"));
  ASSERT_EQ(doc.Root()->Nodes().Count(), 2);
  EXPECT_EQ(doc.Root()->Nodes()[0]->Name(), "?xml-stylesheet");
  EXPECT_EQ(doc.Root()->Nodes()[0]->Nodes().Count(), 0);
  EXPECT_EQ(doc.GetValue("rss\\x"), "1");
}

TEST(XmlReader, CDataIsJoinedWithTheTextAroundItAndDecodedTogether) {
  TXmlDoc doc;
  ASSERT_TRUE(doc.LoadFromString("<a>x<![CDATA[<b>&amp;</b>]]>y</a>"));
  EXPECT_EQ(doc.Root()->Value(), "x<b>&</b>y");
  EXPECT_TRUE(doc.Root()->IsCData());
}

TEST(XmlReader, CDataEndsAtTheFirstDoubleBracket) {
  TXmlDoc doc;
  ASSERT_TRUE(doc.LoadFromString("<?xml?><a><![CDATA[x]]]>y<![CDATA[]]></a><b/>"));
  EXPECT_EQ(doc.GetValue("a"), "x]y");
  EXPECT_NE(doc.GetNode("b"), nullptr);
}

TEST(XmlReader, MixedContentAfterAChildIsDropped) {
  TXmlDoc doc;
  ASSERT_TRUE(doc.LoadFromString("<?xml?><a><b>1</b>tail</a><c/>"));
  const TXmlNode* a = doc.GetNode("a");
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->Value(), "");
  ASSERT_EQ(a->Nodes().Count(), 1);
  EXPECT_EQ(a->Nodes()[0]->Value(), "1");
  const TXmlNode* c = doc.GetNode("c");
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->Nodes().Count(), 0);
  EXPECT_EQ(doc.Root()->Nodes().Count(), 2);
}

TEST(XmlReader, ClosingTagNamesAreNeverCompared) {
  TXmlDoc doc;
  ASSERT_TRUE(doc.LoadFromString("<?xml?><a><b></c></a><d/>"));
  EXPECT_NE(doc.GetNode("a\\b"), nullptr);
  EXPECT_NE(doc.GetNode("d"), nullptr);
}

TEST(XmlReader, TextBetweenChildrenStaysInTheParentsValue) {
  TXmlDoc doc;
  ASSERT_TRUE(doc.LoadFromString("<?xml?>\n<a>\n  <b>1</b>\n</a>"));
  EXPECT_EQ(doc.GetValue("a"), "\n  ");
}

TEST(XmlReader, CommentsAreSkippedEvenWithAGreaterThanInside) {
  TXmlDoc doc;
  ASSERT_TRUE(doc.LoadFromString("<?xml?><a><!-- if a > b --><b>1</b><!----><c>2</c></a>"));
  const TXmlNode* a = doc.GetNode("a");
  ASSERT_EQ(a->Nodes().Count(), 2);
  EXPECT_EQ(doc.GetValue("a\\c"), "2");
}

TEST(XmlReader, DoctypeIsSkipped) {
  TXmlDoc doc;
  ASSERT_TRUE(doc.LoadFromString("<?xml?><!DOCTYPE rss SYSTEM \"x.dtd\"><rss><x>1</x></rss>"));
  EXPECT_EQ(doc.Root()->Nodes().Count(), 1);
  EXPECT_EQ(doc.GetValue("rss\\x"), "1");
}

TEST(XmlReader, GreaterThanInAQuotedAttributeEndsTheTag) {
  TXmlDoc doc;
  ASSERT_TRUE(doc.LoadFromString("<?xml?><a t=\"1>2\">x</a>"));
  const TXmlNode* a = doc.GetNode("a");
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->Attribs().Find("t")->Value(), "");
  EXPECT_EQ(a->Value(), "2\">x");
}

TEST(XmlReader, SelfClosingTagsWithAndWithoutAttributes) {
  TXmlDoc doc;
  ASSERT_TRUE(doc.LoadFromString("<?xml?><a><br/><link href=\"u\" /><x>1</x></a>"));
  EXPECT_EQ(doc.GetNode("a")->Nodes().Count(), 3);
  EXPECT_EQ(doc.GetAttrib("a\\link", "HREF")->Value(), "u");
  EXPECT_EQ(doc.GetValue("a\\x"), "1");
}

TEST(XmlReader, ShortClosingTagAtTheVeryEndReadsCompletely) {
  TXmlDoc doc;
  const TXmlLoadResult result = doc.LoadFromStringEx("<?xml?><a></a>");
  EXPECT_TRUE(result.Ok);
  EXPECT_TRUE(result.Complete);
  EXPECT_NE(doc.GetNode("a"), nullptr);
}

TEST(XmlReader, NothingReadGivesFalse) {
  TXmlDoc doc;
  EXPECT_FALSE(doc.LoadFromString(""));
  EXPECT_FALSE(TXmlDoc().LoadFromString("<!-- only a comment -->"));
  EXPECT_FALSE(TXmlDoc().LoadFromString("just text"));
  EXPECT_FALSE(TXmlDoc().LoadFromString("</a>"));
}

struct TReferenceCase {
  std::string_view Encoding;
  std::string_view Text;
  std::string_view Expected;
};

class XmlReferences : public testing::TestWithParam<TReferenceCase> {};

TEST_P(XmlReferences, DecodeInOnePass) {
  const TReferenceCase& c = GetParam();
  EXPECT_EQ(DecodeText(c.Text, c.Encoding), c.Expected);
  // The same through a whole document, as element text and as attribute value.
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

INSTANTIATE_TEST_SUITE_P(Cases, XmlReferences,
                         testing::Values(TReferenceCase{"", "A &amp; B", "A & B"},
                                         TReferenceCase{"UTF-8", "&amp;lt;", "&lt;"},
                                         TReferenceCase{"", "&lt;&gt;&quot;&apos;", "<>\"'"},
                                         TReferenceCase{"UTF-8", "&#228;&#xE4;&#X20AC;&#128512;", "ää€😀"},
                                         TReferenceCase{"", "&#0; &#xD800; &#x110000; &#; &#x; &#12a; &bogus; & x",
                                                        "&#0; &#xD800; &#x110000; &#; &#x; &#12a; &bogus; & x"},
                                         TReferenceCase{"", "&auml;&nbsp;", "&auml;&nbsp;"},
                                         TReferenceCase{"ISO-8859-1", "&auml;&#228;&nbsp;&#160;x", "ää  x"},
                                         TReferenceCase{"iso-8859-1", "&Auml;&hibar;&Dstrok;&yuml;&iexcl;", "Ä¯Ðÿ¡"},
                                         TReferenceCase{"ISO-8859-1", "&AUML;&euro;", "&AUML;&euro;"},
                                         TReferenceCase{"ISO-8859-1", "&amp;auml;", "&auml;"}));

TEST(XmlEncodings, UndeclaredTextKeepsUtf8AndReadsStrayBytesAsWindows1252) {
  TXmlDoc doc;
  ASSERT_TRUE(doc.LoadFromString("<?xml?><a>Gr\xC3\xBC\xC3\x9F\x65 \x93quoted\x94 caf\xE9</a>"));
  EXPECT_EQ(doc.GetValue("a"), "Grüße “quoted” café");
}

TEST(XmlEncodings, Latin1LabelIsReadAsWindows1252) {
  TXmlDoc doc;
  ASSERT_TRUE(doc.LoadFromString("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a>\x93\xE4\x94 \x80</a>"));
  EXPECT_EQ(doc.GetValue("a"), "“ä” €");
}

TEST(XmlEncodings, NameWithoutHyphenFallsBackToTheUtf8Rule) {
  TXmlDoc doc;
  ASSERT_TRUE(doc.LoadFromString("<?xml version=\"1.0\" encoding=\"utf8\"?><a>\xC3\xA4\xE4</a>"));
  EXPECT_EQ(doc.GetValue("a"), "ää");
}

TEST(XmlEncodings, UnknownEncodingFallsBackToTheUtf8Rule) {
  TXmlDoc doc;
  ASSERT_TRUE(doc.LoadFromString("<?xml version=\"1.0\" encoding=\"x-no-such\"?><a>\xC3\xA4\xE4</a>"));
  EXPECT_EQ(doc.GetValue("a"), "ää");
}

struct TCharsetCase {
  std::string_view Encoding;
  std::string_view Bytes;
  std::string_view Expected;
};

class XmlDeclaredCharset : public testing::TestWithParam<TCharsetCase> {};

TEST_P(XmlDeclaredCharset, IsConvertedToUtf8) {
  const std::string xml = "<?xml version=\"1.0\" encoding=\"" + std::string(GetParam().Encoding) + "\"?><a t=\"" +
                          std::string(GetParam().Bytes) + "\">" + std::string(GetParam().Bytes) + "</a>";
  TXmlDoc doc;
  ASSERT_TRUE(doc.LoadFromString(xml));
  EXPECT_EQ(doc.GetValue("a"), GetParam().Expected);
  EXPECT_EQ(doc.GetAttrib("a", "t")->Value(), GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, XmlDeclaredCharset,
                         testing::Values(TCharsetCase{"windows-1252", "\x80\x9C", "€œ"},
                                         TCharsetCase{"KOI8-R", "\xF0\xD2\xC9\xD7\xC5\xD4", "Привет"},
                                         TCharsetCase{"Shift_JIS", "\x93\xfa\x96\x7b", "日本"},
                                         TCharsetCase{"GB2312", "\xd6\xd0\xce\xc4", "中文"},
                                         TCharsetCase{"us-ascii", "\x93x\x94", "“x”"}));

TEST(XmlEncodings, Utf16WithByteOrderMark) {
  const std::u16string text = u"<?xml version=\"1.0\" encoding=\"UTF-16\"?><a>Grüße €</a>";
  std::string little("\xFF\xFE", 2);
  std::string big("\xFE\xFF", 2);
  for (const char16_t unit : text) {
    little.push_back(static_cast<char>(unit & 0xFF));
    little.push_back(static_cast<char>(unit >> 8));
    big.push_back(static_cast<char>(unit >> 8));
    big.push_back(static_cast<char>(unit & 0xFF));
  }
  for (const std::string& bytes : {little, big}) {
    TXmlDoc doc;
    ASSERT_TRUE(doc.LoadFromString(bytes));
    EXPECT_EQ(doc.GetValue("a"), "Grüße €");
  }
}

TEST(XmlCompleteness, TellsACutDocumentFromAWholeOne) {
  const std::string whole = "<?xml version=\"1.0\"?>\r\n<Feeds><Feed><Name>x</Name></Feed></Feeds>\r\n";
  TXmlDoc doc;
  TXmlLoadResult result = doc.LoadFromStringEx(whole);
  EXPECT_TRUE(result.Ok);
  EXPECT_TRUE(result.Complete);
  for (std::size_t cut = 1; cut < whole.size() - 3; ++cut) {
    TXmlDoc partial;
    result = partial.LoadFromStringEx(whole.substr(0, cut));
    EXPECT_FALSE(result.Complete) << "cut at " << cut;
  }
}

TEST(XmlCompleteness, DocumentWithoutDeclarationIsCompleteWhenItsRootCloses) {
  EXPECT_TRUE(TXmlDoc().LoadFromStringEx("<rss><a>1</a></rss>").Complete);
  EXPECT_TRUE(TXmlDoc().LoadFromStringEx("<rss/>").Complete);
  EXPECT_FALSE(TXmlDoc().LoadFromStringEx("<rss><a>1</a>").Complete);
  EXPECT_FALSE(TXmlDoc().LoadFromStringEx("<?xml version=\"1.0\"?>").Complete);
  EXPECT_FALSE(TXmlDoc().LoadFromStringEx("<?xml?><a>1</a><!-- cut").Complete);
  EXPECT_FALSE(TXmlDoc().LoadFromStringEx("<?xml?><a><![CDATA[cut</a>").Complete);
}

TEST(XmlInnerMarkup, KeepsTheSourceBetweenStartAndClosingTag) {
  TXmlDoc doc;
  ASSERT_TRUE(doc.LoadFromString(
      "<?xml?><feed><content type=\"xhtml\"><div xmlns=\"x\"><p>A &amp; <b>B</b></p>tail</div></content><e/></feed>"));
  const TXmlNode* content = doc.GetNode("feed\\content");
  ASSERT_NE(content, nullptr);
  EXPECT_EQ(content->InnerMarkup(), "<div xmlns=\"x\"><p>A &amp; <b>B</b></p>tail</div>");
  EXPECT_EQ(doc.GetNode("feed\\content\\div\\p")->InnerMarkup(), "A &amp; <b>B</b>");
  EXPECT_EQ(doc.GetNode("feed\\e")->InnerMarkup(), "");
}

TEST(XmlInnerMarkup, IsUtf8AfterConversion) {
  TXmlDoc doc;
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
