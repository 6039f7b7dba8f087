#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "support/table_file.h"
#include "xml/xml_doc.h"

namespace tidewick {
namespace {

constexpr std::string_view kFeed =
    "<?xml version=\"1.0\"?><rss><channel><ttl>60</ttl><title>First</title><title>Second</title>"
    "<item><title>A</title></item></channel></rss>";

TEST(XmlPaths, LookupIgnoresCaseTakesTheFirstMatchAndSplitsOnlyInPaths) {
  TXmlDoc doc;
  ASSERT_TRUE(doc.LoadFromString(kFeed));
  EXPECT_EQ(doc.GetValue("RSS\\Channel\\TTL", "x"), "60");
  EXPECT_EQ(doc.GetValue("rss\\channel\\title"), "First");
  EXPECT_EQ(doc.GetNode("rss\\channel")->Nodes().IndexOf("TITLE"), 1);
  EXPECT_EQ(doc.GetNode("rss\\channel\\"), doc.GetNode("rss\\channel"));
  EXPECT_EQ(doc.GetNode("\\rss\\channel"), nullptr);
  EXPECT_EQ(doc.GetNode("rss\\\\channel"), nullptr);
  EXPECT_EQ(doc.GetNode("title", doc.GetNode("rss\\channel\\item"))->Value(), "A");
  EXPECT_EQ(doc.Root()->Nodes().Find("rss\\channel"), nullptr);
  EXPECT_EQ(doc.Root()->Nodes().IndexOf("rss\\channel"), -1);
  ASSERT_TRUE(doc.LoadFromString("<?xml?><Größe><ÄRGER>1</ÄRGER></Größe>"));
  EXPECT_EQ(doc.GetValue("grösse\\ärger", "x"), "1");
  EXPECT_EQ(doc.GetValue("GRÖSSE\\Ärger", "x"), "1");
}

TEST(XmlPaths, MissingNodeOrTextGivesTheDefaultEmptyValueDoesNot) {
  TXmlDoc doc;
  ASSERT_TRUE(doc.LoadFromString("<?xml?><a><empty></empty><n>12abc</n></a>"));
  EXPECT_EQ(doc.GetValue("a\\missing", "dflt"), "dflt");
  EXPECT_EQ(doc.GetValue("a\\empty", "dflt"), "");
  EXPECT_EQ(doc.GetInteger("a\\empty", 7), 7);
  EXPECT_EQ(doc.GetInteger("a\\n", 7), 7);
  doc.SetInteger("big", -1700000000123);
  EXPECT_EQ(doc.GetValue("big"), "-1700000000123");
  EXPECT_EQ(doc.GetInteger("big", 0), -1700000000123);
  EXPECT_EQ(doc.GetAttrib("a\\missing", "x"), nullptr);
}

TEST(XmlPaths, SetValueCreatesNestedNodesThenOnlyChangesTheValue) {
  TXmlDoc doc;
  EXPECT_TRUE(doc.SetValue("Feeds\\Feed1\\Name", "one"));
  const TXmlNode* feeds = doc.Root()->Nodes().Find("Feeds");
  ASSERT_NE(feeds, nullptr);
  ASSERT_EQ(feeds->Nodes().Count(), 1);
  EXPECT_EQ(feeds->Nodes()[0]->Nodes()[0]->Value(), "one");
  EXPECT_TRUE(doc.SetValue("feeds\\FEED1\\name", "two"));
  EXPECT_EQ(doc.Root()->Nodes().Count(), 1);
  EXPECT_EQ(feeds->Nodes()[0]->Nodes().Count(), 1);
  EXPECT_EQ(doc.GetValue("Feeds\\Feed1\\Name"), "two");
}

// The message a path writer raises, or "" when it raises none.
std::string PathError(const std::function<void()>& write) {
  try {
    write();
  } catch (const std::range_error& error) {
    return error.what();
  }
  return "";
}

TEST(XmlPaths, WritersRaiseTheExactMessagesAndKeepTheOldValue) {
  TXmlDoc doc;
  doc.SetValue("a\\b", "text");
  doc.SetValue("a\\d", "   ");
  EXPECT_EQ(PathError([&] { doc.SetValue("a\\b\\c", "x"); }), "Node contains a value, no subnodes allowed.");
  EXPECT_EQ(PathError([&] { doc.SetValue("a\\d\\e", "x"); }), "");
  ASSERT_TRUE(doc.LoadFromString("<?xml?><a>old<b/></a>"));
  EXPECT_EQ(PathError([&] { doc.SetValue("a", "new"); }), "Node contains subnodes, no value allowed.");
  EXPECT_EQ(doc.GetValue("a"), "old");
}

TEST(XmlPaths, CreatePathReturnsTheLastNodeAndChecksEveryNodeOnTheWay) {
  TXmlDoc doc;
  doc.SetValue("a\\b", "text");
  TXmlNode* made = doc.CreatePath("a\\new\\deeper\\x", "1");
  EXPECT_EQ(made, doc.GetNode("A\\New\\Deeper\\X"));
  EXPECT_EQ(made->Value(), "1");
  EXPECT_THROW(doc.CreatePath("a\\b\\c", "1"), TXmlPathError);
  EXPECT_THROW(doc.CreatePath("a\\new\\deeper\\x\\y", "1"), TXmlPathError);
  TXmlDoc rootWithValue;
  rootWithValue.Root()->SetValue("x");
  EXPECT_THROW(rootWithValue.SetValue("a", "1"), TXmlPathError);
}

TEST(XmlAttribs, AddFromTextSplitsLikeTheReaderAndReplacesByName) {
  TXmlDoc doc;
  TXmlAttribList& attribs = doc.Root()->Attribs();
  attribs.AddFromText("version=\"1.0\" encoding='UTF-8'", "");
  EXPECT_EQ(attribs.AddFromText("VERSION=\"1.1\"", ""), 1);
  ASSERT_EQ(attribs.Count(), 2);
  EXPECT_EQ(attribs[0]->Name(), "version");
  EXPECT_EQ(attribs[0]->Value(), "1.1");
  // How the text splits into attributes: the reader's way.
  test::CheckTableFile("xml/attribute_text.tsv", 2, [](const std::vector<std::string>& in) {
    TXmlDoc doc;
    TXmlAttribList& attribs = doc.Root()->Attribs();
    const int pairs = attribs.AddFromText(in[0], "");
    const TXmlAttrib* attrib = attribs.Find(in[1]);
    return std::to_string(pairs) + "\t" + (attrib != nullptr ? std::string(attrib->Value()) : "(none)");
  });
}

TEST(XmlDocument, EncodingAndVersionAttributes) {
  TXmlDoc doc;
  doc.SetVersion("1.0");
  doc.SetEncoding("UTF-8");
  doc.SetVersion("1.1");
  EXPECT_EQ(doc.GetEncoding(), "UTF-8");
  EXPECT_EQ(doc.Root()->Attribs()[0]->Value(), "1.1");
  doc.SetEncoding("");
  EXPECT_EQ(doc.GetEncoding(), "");
  EXPECT_EQ(doc.Root()->Attribs().Count(), 1);
  EXPECT_EQ(TXmlDoc("  ").Root()->Name(), "?xml");
  EXPECT_EQ(TXmlDoc(" opml ").Root()->Name(), "opml");
}

TEST(XmlTypedValues, BooleansReadWordsAndNumbersAndAreWrittenAsDigitsOrCapitalWords) {
  TXmlDoc doc;
  for (const auto& [text, expected] : std::initializer_list<std::pair<const char*, bool>>{
           {"True", true}, {"FALSE", false}, {"tRuE", true}, {"0", false}, {"-3", true}, {"1", true}}) {
    doc.SetValue("b", text);
    EXPECT_EQ(doc.GetBoolean("b", !expected), expected) << text;
  }
  doc.SetBoolean("a", true);
  doc.SetBoolean("b", false, true);
  doc.SetBoolean("c", true, true);
  EXPECT_EQ(doc.GetValue("a") + doc.GetValue("b") + doc.GetValue("c"), "1FALSETRUE");
  // Unreadable or missing: the default.
  doc.SetValue("d", "yes");
  EXPECT_TRUE(doc.GetBoolean("d", true));
  EXPECT_FALSE(doc.GetBoolean("d", false));
  EXPECT_TRUE(doc.GetBoolean("missing", true));
}

TEST(XmlTypedValues, FontIsStoredAsFiveFieldsThatFallBackOneByOne) {
  TXmlDoc doc;
  const TFontRecord font{"Tahoma", 10, -16777208, true, false, true, false, 1};
  doc.SetFont("Font\\List", font);
  EXPECT_EQ(doc.GetValue("Font\\List"), "Tahoma|10|-16777208|BU|1");
  EXPECT_EQ(doc.GetFont("font\\list", TFontRecord{}), font);
  doc.SetValue("f", "Arial|big||xSIxBU");
  EXPECT_EQ(doc.GetFont("f", TFontRecord{"Default", 12}), (TFontRecord{"Arial", 8, 8, true, true, true, true, 0}));
  EXPECT_EQ(doc.GetFont("missing", font), font);
}

TEST(XmlNodes, IndexingRemovingAddingAndRenamingKeepTheListsConsistent) {
  TXmlDoc doc;
  TXmlNodeList& nodes = doc.Root()->Nodes();
  for (int i = 0; i < 50; ++i) {
    nodes.Add("n" + std::to_string(i))->Nodes().Add("child")->SetValue("v");
  }
  for (int i = 49; i >= 0; --i) {
    EXPECT_EQ(nodes[i]->Name(), "n" + std::to_string(i));
  }
  EXPECT_EQ(nodes[50], nullptr);
  EXPECT_EQ(nodes[-1], nullptr);
  nodes.Remove(nodes[10]);
  EXPECT_EQ(nodes[10]->Name(), "n11");
  TXmlNode* added = nodes.Add("new");
  EXPECT_EQ(added->Nodes().Count(), 0);
  EXPECT_EQ(added->Parent(), doc.Root());
  EXPECT_EQ(nodes.Last(), added);
  int walked = 0;
  for (const TXmlNode* node : nodes) {
    walked += node != nullptr;
  }
  EXPECT_EQ(walked, 50);
  EXPECT_EQ(nodes.Count(), 50);
  added->SetName("Renamed");  // the folded lookup key follows the name
  EXPECT_EQ(doc.GetNode("renamed"), added);
  EXPECT_EQ(doc.GetNode("new"), nullptr);
  TXmlAttribList& attribs = added->Attribs();
  attribs.Add("a", "1");
  TXmlAttrib* middle = attribs.Add("b", "2");
  attribs.Add("c", "3");
  attribs.Remove(middle);
  ASSERT_EQ(attribs.Count(), 2);
  EXPECT_EQ(attribs[1]->Name(), "c");
  EXPECT_EQ(attribs.IndexOf("B"), -1);
}

}  // namespace
}  // namespace tidewick
