#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

#include "support/temp_dir.h"
#include "xml/xml_doc.h"
#include "xml/xml_text.h"

namespace tidewick {
namespace {

std::string Save(TXmlDoc& doc, int indent = 2, bool formatted = true) {
  std::string out;
  EXPECT_TRUE(doc.SaveToStream(out, indent, formatted));
  return out;
}

TEST(XmlWriter, WritesOneElementPerLineIndentedByDepth) {
  TXmlDoc doc;
  doc.SetValue("Feeds\\Name", "A & B");
  doc.SetValue("Feeds\\URL", "");
  EXPECT_EQ(Save(doc), "<?xml version=\"1.0\"?>\r\n<Feeds>\r\n  <Name>A &amp; B</Name>\r\n  <URL />\r\n</Feeds>\r\n");
}

TEST(XmlWriter, UnformattedStillIndents) {
  TXmlDoc doc;
  doc.SetValue("a\\b\\c", "1");
  EXPECT_EQ(Save(doc, 3, false), "<?xml version=\"1.0\"?><a>   <b>      <c>1</c>   </b></a>");
}

TEST(XmlWriter, DeclarationListsVersionAndEncodingInOrder) {
  TXmlDoc doc;
  doc.SetVersion("1.0");
  doc.SetEncoding("ISO-8859-1");
  EXPECT_EQ(Save(doc), "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n");
}

TEST(XmlWriter, MissingOrEmptyVersionBecomesOnePointZero) {
  TXmlDoc doc;
  doc.Root()->Attribs().Add("encoding", "UTF-8");
  doc.Root()->Attribs().Add("version", "");
  EXPECT_EQ(Save(doc), "<?xml encoding=\"UTF-8\" version=\"1.0\"?>\r\n");
  EXPECT_EQ(doc.Root()->Attribs().Count(), 2);
}

TEST(XmlWriter, EscapesTheFourCharactersButNotTheApostrophe) {
  EXPECT_EQ(EncodeText("<a href=\"x\">&'</a>", ""), "&lt;a href=&quot;x&quot;&gt;&amp;'&lt;/a&gt;");
  TXmlDoc doc;
  doc.CreatePath("a")->Attribs().Add("t", "1 < 2 & \"3\"");
  EXPECT_EQ(Save(doc, 0, false), "<?xml version=\"1.0\"?><a t=\"1 &lt; 2 &amp; &quot;3&quot;\" />");
}

TEST(XmlWriter, AttributesValuesAndChildrenTogether) {
  TXmlDoc doc;
  TXmlNode* item = doc.CreatePath("r\\item");
  item->Attribs().Add("id", "7");
  item->Nodes().Add("title")->SetValue("T");
  item->SetValue("dropped because of the child");
  doc.CreatePath("r\\cdata")->SetIsCData(true);
  doc.CreatePath("r\\?pi")->Attribs().Add("x", "y");
  EXPECT_EQ(Save(doc),
            "<?xml version=\"1.0\"?>\r\n<r>\r\n  <item id=\"7\">\r\n    <title>T</title>\r\n  </item>\r\n"
            "  <cdata><![CDATA[]]></cdata>\r\n  <?pi x=\"y\"?>\r\n</r>\r\n");
}

TEST(XmlWriter, CDataValueIsWrittenBackUnescaped) {
  TXmlDoc doc;
  ASSERT_TRUE(doc.LoadFromString("<?xml?><a><![CDATA[<p>x</p> & y]]></a>"));
  EXPECT_EQ(Save(doc, 2, false), "<?xml version=\"1.0\"?><a><![CDATA[<p>x</p> & y]]></a>");
}

TEST(XmlWriter, CDataThatWouldNotReadBackIsWrittenAsEscapedText) {
  // "]]>" would end the section early, and "&amp;" would be decoded on reading.
  for (const std::string_view value : {"a ]]> b", "&amp;lt;"}) {
    TXmlDoc doc;
    doc.CreatePath("a", value)->SetIsCData(true);
    const std::string saved = Save(doc);
    TXmlDoc back;
    ASSERT_TRUE(back.LoadFromString(saved));
    EXPECT_EQ(back.GetValue("a"), value) << saved;
  }
}

TEST(XmlWriter, RootWithoutNameWritesNothing) {
  TXmlDoc doc;
  doc.Root()->SetName("");
  std::string out = "old";
  EXPECT_FALSE(doc.SaveToStream(out, 2, true));
  EXPECT_EQ(out, "");
  std::ostringstream stream;
  EXPECT_FALSE(doc.SaveToStream(stream, 2, true));
  EXPECT_EQ(stream.str(), "");
}

TEST(XmlWriter, SavingTwiceWritesTheSameText) {
  TXmlDoc doc;
  doc.SetValue("a\\b", "x");
  EXPECT_EQ(Save(doc), Save(doc));
}

TEST(XmlWriter, Utf8DocumentsAreWrittenAsUtf8) {
  TXmlDoc doc;
  doc.SetEncoding("UTF-8");
  doc.SetValue("a", "ä€");
  EXPECT_EQ(Save(doc, 0, false), "<?xml encoding=\"UTF-8\" version=\"1.0\"?><a>\xC3\xA4\xE2\x82\xAC</a>");
}

TEST(XmlWriter, Latin1DocumentsAreWrittenInLatin1WithReferencesBeyondIt) {
  TXmlDoc doc;
  doc.SetVersion("1.0");
  doc.SetEncoding("ISO-8859-1");
  doc.CreatePath("a", "ä € 😀")->Attribs().Add("t", "€");
  const std::string saved = Save(doc, 0, false);
  EXPECT_EQ(saved, "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a t=\"&#8364;\">\xE4 &#8364; &#128512;</a>");
  TXmlDoc back;
  ASSERT_TRUE(back.LoadFromString(saved));
  EXPECT_EQ(back.GetValue("a"), "ä € 😀");
  EXPECT_EQ(back.GetAttrib("a", "t")->Value(), "€");
}

TEST(XmlWriter, OtherEncodingsAreConvertedWithReferencesForTheRest) {
  TXmlDoc doc;
  doc.SetEncoding("KOI8-R");
  doc.SetValue("a", "Привет €");
  const std::string saved = Save(doc, 0, false);
  EXPECT_NE(saved.find("\xF0\xD2\xC9\xD7\xC5\xD4 &#8364;"), std::string::npos);
  TXmlDoc back;
  ASSERT_TRUE(back.LoadFromString(saved));
  EXPECT_EQ(back.GetValue("a"), "Привет €");
}

TEST(XmlWriter, EncodingsThatWouldHideTheMarkupAreWrittenAsUtf8) {
  // UTF-7 would write "<" as "+ADw-": the file could not be read back.
  TXmlDoc doc;
  ASSERT_TRUE(doc.LoadFromString("<?xml version=\"1.0\" encoding=\"utf-7\"?><a>Grüße</a>"));
  EXPECT_EQ(doc.GetValue("a"), "Grüße");
  const std::string saved = Save(doc, 0, false);
  EXPECT_EQ(saved, "<?xml version=\"1.0\" encoding=\"utf-7\"?><a>Grüße</a>");
  TXmlDoc back;
  ASSERT_TRUE(back.LoadFromString(saved));
  EXPECT_EQ(back.GetValue("a"), "Grüße");
}

class XmlWideRoundTrip : public testing::TestWithParam<std::string_view> {};

TEST_P(XmlWideRoundTrip, IsReadBackByItsByteOrderMarkOrZeroBytes) {
  TXmlDoc doc;
  doc.SetEncoding(GetParam());
  doc.SetValue("a", "Grüße €");
  const std::string saved = Save(doc);
  TXmlDoc back;
  ASSERT_TRUE(back.LoadFromString(saved)) << GetParam();
  EXPECT_EQ(back.GetValue("a"), "Grüße €");
  EXPECT_EQ(Save(back), saved);
}

INSTANTIATE_TEST_SUITE_P(Encodings, XmlWideRoundTrip,
                         testing::Values("UTF-16", "UTF-16LE", "UTF-16BE", "UTF-32", "UTF-32LE", "UTF-32BE"));

TEST(XmlWriter, DeepTreesAreWrittenWithoutRecursion) {
  TXmlDoc doc;
  TXmlNode* node = doc.Root();
  for (int i = 0; i < 200000; ++i) {
    node = node->Nodes().Add("d");
  }
  node->SetValue("x");
  std::ostringstream stream;
  ASSERT_TRUE(doc.SaveToStream(stream, 0, false));
  TXmlDoc back;
  ASSERT_TRUE(back.LoadFromString(stream.str()));
  const TXmlNode* deepest = back.Root();
  int depth = 0;
  while (deepest->Nodes().First() != nullptr) {
    deepest = deepest->Nodes().First();
    ++depth;
  }
  EXPECT_EQ(depth, 200000);
  EXPECT_EQ(deepest->Value(), "x");
}

// Load, save, load, save: the second save is byte-identical to the first.
class XmlRoundTrip : public testing::TestWithParam<std::string_view> {};

TEST_P(XmlRoundTrip, SecondSaveIsByteIdentical) {
  TXmlDoc first;
  ASSERT_TRUE(first.LoadFromString(GetParam()));
  const std::string saved = Save(first);
  TXmlDoc second;
  ASSERT_TRUE(second.LoadFromString(saved));
  EXPECT_EQ(Save(second), saved);
}

INSTANTIATE_TEST_SUITE_P(
    Documents, XmlRoundTrip,
    testing::Values(
        "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><Feeds><Feed><Name>K\xE4se &amp; &#8364; &#128512;</Name>"
        "<Desc><![CDATA[<b>bold</b>]]></Desc></Feed></Feeds>",
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?><rss version=\"2.0\"><channel><title>A &lt;b&gt; "
        "&quot;q&quot; 'x' Grüße</title><item><description><![CDATA[x &amp; y ]]]]><![CDATA[> z]]></description>"
        "<empty></empty><e/></item></channel></rss>",
        "<?xml?><a t='&amp;amp;'>&amp;amp;<b>\r\n</b></a>",
        "<?xml version=\"1.0\" encoding=\"windows-1252\"?><a>\x80\x93 &#x4E2D;</a>",
        "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a>&auml;&nbsp;&hibar;</a>",
        "<?xml version=\"1.0\"?><?xml-stylesheet href=\"s.xsl\" type=\"text/xsl\"?><opml><body><outline "
        "text=\"a\" xmlUrl=\"http://x/?a=1&amp;b=2\"/></body></opml>"));

TEST(XmlFiles, SaveToFileReplacesTheFileAtomically) {
  test::TempDir dir;
  const std::string file = dir.File("Feeds.xml");
  std::ofstream(file) << "old contents";
  TXmlDoc doc;
  doc.SetValue("Feeds\\Name", "x");
  ASSERT_TRUE(doc.SaveToFile(file));
  std::ifstream in(file, std::ios::binary);
  const std::string written((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(written, "<?xml version=\"1.0\"?>\r\n<Feeds>\r\n  <Name>x</Name>\r\n</Feeds>\r\n");
  int entries = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
    ++entries;
  }
  EXPECT_EQ(entries, 1) << "no temporary file may stay behind";
}

TEST(XmlFiles, SaveToFileFailsForAnUnwritablePlaceAndKeepsTheOldFile) {
  test::TempDir dir;
  TXmlDoc doc;
  doc.SetValue("a", "x");
  EXPECT_FALSE(doc.SaveToFile(dir.File("no/such/folder/a.xml")));
  const std::string folderTarget = dir.File("folder");
  std::filesystem::create_directory(folderTarget);
  EXPECT_FALSE(doc.SaveToFile(folderTarget));
  EXPECT_TRUE(std::filesystem::is_directory(folderTarget));
}

}  // namespace
}  // namespace tidewick
