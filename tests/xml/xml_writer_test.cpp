#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

#include "support/table_file.h"
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

// Saves unformatted and checks that value and attribute "t" of "a" read back unchanged.
std::string SaveAndReload(TXmlDoc& doc) {
  const std::string saved = Save(doc, 0, false);
  TXmlDoc back;
  EXPECT_TRUE(back.LoadFromString(saved));
  EXPECT_EQ(back.GetValue("a"), doc.GetValue("a")) << saved;
  const TXmlAttrib* attrib = doc.GetAttrib("a", "t");
  if (attrib != nullptr) {
    EXPECT_EQ(back.GetAttrib("a", "t")->Value(), attrib->Value()) << saved;
  }
  return saved;
}

TEST(XmlWriter, UnformattedStillIndents) {
  TXmlDoc doc;
  doc.SetValue("a\\b\\c", "1");
  EXPECT_EQ(Save(doc, 3, false), "<?xml version=\"1.0\"?><a>   <b>      <c>1</c>   </b></a>");
}

TEST(XmlWriter, DeclarationKeepsAttributeOrderAndFillsAMissingVersion) {
  TXmlDoc doc;
  doc.SetVersion("1.0");
  doc.SetEncoding("ISO-8859-1");
  EXPECT_EQ(Save(doc), "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n");
  TXmlDoc noVersion;
  noVersion.Root()->Attribs().Add("encoding", "UTF-8");
  noVersion.Root()->Attribs().Add("version", "");
  EXPECT_EQ(Save(noVersion), "<?xml encoding=\"UTF-8\" version=\"1.0\"?>\r\n");
  EXPECT_EQ(noVersion.Root()->Attribs().Count(), 2);
}

TEST(XmlWriter, EscapesTheFourCharactersButNotTheApostrophe) {
  EXPECT_EQ(EncodeText("<a href=\"x\">&'</a>", ""), "&lt;a href=&quot;x&quot;&gt;&amp;'&lt;/a&gt;");
  TXmlDoc doc;
  doc.CreatePath("a")->Attribs().Add("t", "1 < 2 & \"3\"");
  EXPECT_EQ(Save(doc, 0, false), "<?xml version=\"1.0\"?><a t=\"1 &lt; 2 &amp; &quot;3&quot;\" />");
}

// Fault guarded: a character XML forbids was written as it was (an OPML export of a feed name holding one), and no
// other program could read the file.
TEST(XmlWriter, NeverWritesACharacterXmlForbids) {
  const std::string forbidden = std::string("a\x01\tb\r\n") + "c\xEF\xBF\xBE\xED\xA0\x80\xE2\x82\xAC\xED\x9F\xBF";
  EXPECT_EQ(EncodeText(forbidden, ""), "a\xEF\xBF\xBD\tb\r\nc\xEF\xBF\xBD\xEF\xBF\xBD\xE2\x82\xAC\xED\x9F\xBF");
  EXPECT_EQ(EncodeText(forbidden, "ISO-8859-1"), "a\xEF\xBF\xBD\tb\r\nc\xEF\xBF\xBD\xEF\xBF\xBD&#8364;&#55295;");
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

// A CDATA value is written back unescaped, unless it would not read back: "]]>" would end the section early, and
// "&amp;" would be decoded on reading.
TEST(XmlWriter, CDataIsWrittenAsItWasUnlessItWouldNotReadBack) {
  TXmlDoc doc;
  ASSERT_TRUE(doc.LoadFromString("<?xml?><a><![CDATA[<p>x</p> & y]]></a>"));
  EXPECT_EQ(Save(doc, 2, false), "<?xml version=\"1.0\"?><a><![CDATA[<p>x</p> & y]]></a>");
  for (const std::string_view value : {"a ]]> b", "&amp;lt;"}) {
    TXmlDoc escaped;
    escaped.CreatePath("a", value)->SetIsCData(true);
    SaveAndReload(escaped);
  }
}

TEST(XmlWriter, RootWithoutNameWritesNothing) {
  TXmlDoc doc;
  doc.Root()->SetName("");
  std::string out = "old";
  std::ostringstream stream;
  EXPECT_FALSE(doc.SaveToStream(out, 2, true) || doc.SaveToStream(stream, 2, true));
  EXPECT_EQ(out + stream.str(), "");
}

// Values under each declared encoding come out as bytes that read back; documents resave byte for byte.
TEST(XmlWriter, WritesBytesThatReadBackAndResavesIdentically) {
  test::CheckTableFile("xml/writer.tsv", 3, [](const std::vector<std::string>& in) -> std::string {
    TXmlDoc doc;
    if (in[0] == "resave") {
      TXmlDoc second;
      if (!doc.LoadFromString(in[1])) {
        return "(not read)";
      }
      const std::string saved = Save(doc);
      return second.LoadFromString(saved) && Save(second) == saved ? "same" : "changed:\n" + saved;
    }
    doc.SetVersion("1.0");
    doc.SetEncoding(in[1]);
    doc.CreatePath("a", in[2])->Attribs().Add("t", in[2]);
    const std::string saved = SaveAndReload(doc);
    const std::string start = "<?xml version=\"1.0\" encoding=\"" + in[1] + "\"?><a t=\"";
    if (!saved.starts_with(start)) {
      return "(unexpected) " + saved;
    }
    const std::string written = saved.substr(start.size(), saved.find('"', start.size()) - start.size());
    return saved == start + written + "\">" + written + "</a>" ? written : "(unexpected) " + saved;
  });
}

TEST(XmlWideRoundTrip, IsReadBackByItsByteOrderMarkOrZeroBytes) {
  for (const char* encoding : {"UTF-16", "UTF-16LE", "UTF-16BE", "UTF-32", "UTF-32LE", "UTF-32BE"}) {
    TXmlDoc doc;
    doc.SetEncoding(encoding);
    doc.SetValue("a", "Grüße €");
    const std::string saved = Save(doc);
    TXmlDoc back;
    ASSERT_TRUE(back.LoadFromString(saved)) << encoding;
    EXPECT_EQ(back.GetValue("a"), "Grüße €") << encoding;
    EXPECT_EQ(Save(back), saved) << encoding;
  }
}

// The file is replaced whole; a save that cannot be written fails and leaves a folder in the way alone.
TEST(XmlFiles, SaveToFileReplacesTheFileAtomicallyOrFailsKeepingIt) {
  test::TempDir dir;
  const std::string file = dir.File("Feeds.xml");
  std::ofstream(file) << "old contents";
  TXmlDoc doc;
  doc.SetValue("Feeds\\Name", "x");
  ASSERT_TRUE(doc.SaveToFile(file));
  std::ifstream in(file, std::ios::binary);
  const std::string written((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(written, "<?xml version=\"1.0\"?>\r\n<Feeds>\r\n  <Name>x</Name>\r\n</Feeds>\r\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1) << "no temporary may stay";
  EXPECT_FALSE(doc.SaveToFile(dir.File("no/such/folder/a.xml")));
  const std::string folderTarget = dir.File("folder");
  std::filesystem::create_directory(folderTarget);
  EXPECT_FALSE(doc.SaveToFile(folderTarget));
  EXPECT_TRUE(std::filesystem::is_directory(folderTarget));
}

}  // namespace
}  // namespace tidewick
