#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

#include "support/table_file.h"
#include "util/utf8.h"
#include "xml/xml_doc.h"

namespace tidewick {
namespace {

// Every name, value and attribute of a tree, checked for valid UTF-8; walks without recursion.
bool TreeIsValidUtf8(const TXmlDoc& doc) {
  std::vector<const TXmlNode*> pending{doc.Root()};
  while (!pending.empty()) {
    const TXmlNode* node = pending.back();
    pending.pop_back();
    if (!IsValidUtf8(node->Name()) || !IsValidUtf8(node->Value()) || !IsValidUtf8(node->InnerMarkup())) {
      return false;
    }
    for (const TXmlAttrib* attrib = node->Attribs().First(); attrib != nullptr; attrib = attrib->Next()) {
      if (!IsValidUtf8(attrib->Name()) || !IsValidUtf8(attrib->Value())) {
        return false;
      }
    }
    for (const TXmlNode* child : node->Nodes()) {
      pending.push_back(child);
    }
  }
  return true;
}

TEST(XmlHostile, OneMillionNestedElementsLoadSaveAndDestroy) {
  constexpr int kDepth = 1000000;
  std::string xml = "<?xml version=\"1.0\"?>";
  for (int i = 0; i < kDepth; ++i) {
    xml += "<a>";
  }
  xml += "deep";
  for (int i = 0; i < kDepth; ++i) {
    xml += "</a>";
  }
  auto doc = std::make_unique<TXmlDoc>();
  const TXmlLoadResult result = doc->LoadFromStringEx(xml);
  ASSERT_TRUE(result.Ok);
  EXPECT_TRUE(result.Complete);
  const TXmlNode* node = doc->Root();
  int depth = 0;
  while (node->Nodes().First() != nullptr) {
    node = node->Nodes().First();
    ++depth;
  }
  EXPECT_EQ(depth, kDepth);
  EXPECT_EQ(node->Value(), "deep");
  std::string saved;
  EXPECT_TRUE(doc->SaveToStream(saved, 0, false));
  EXPECT_EQ(saved.size(), xml.size());
  doc->Root()->Nodes().Clear();
  doc.reset();
}

TEST(XmlHostile, UnclosedNestingIsReadAsFarAsItGoes) {
  std::string xml = "<?xml?>";
  for (int i = 0; i < 100000; ++i) {
    xml += "<a><b/>";
  }
  TXmlDoc doc;
  const TXmlLoadResult result = doc.LoadFromStringEx(xml);
  EXPECT_TRUE(result.Ok);
  EXPECT_FALSE(result.Complete);
}

TEST(XmlHostile, TwoHundredMegabyteTextNode) {
  std::string xml = "<?xml?><big>";
  xml.append(200u << 20, 'x');
  xml[1000] = '&';
  xml += "</big>";
  TXmlDoc doc;
  const TXmlLoadResult result = doc.LoadFromStringEx(xml);
  ASSERT_TRUE(result.Ok);
  EXPECT_TRUE(result.Complete);
  EXPECT_EQ(doc.GetNode("big")->Value().size(), 200u << 20);
}

// A document whose tree would outgrow its budget is read up to it and reported as cut short; one within the budget,
// and every document read without a budget, is read whole.
TEST(XmlHostile, TreeBudgetStopsReadingAndMarksTheDocumentIncomplete) {
  std::string xml = "<?xml?><feed>";
  for (int i = 0; i < 100000; ++i) {
    xml += i % 2 == 0 ? "<a/>" : "<A b='1' c='2'/>";
  }
  xml += "</feed>";
  for (const std::size_t budget : {std::size_t{0}, std::size_t{64} << 20, std::size_t{1} << 20}) {
    TXmlDoc doc;
    TXmlLoadOptions options;
    options.MaxTreeBytes = budget;
    const TXmlLoadResult result = doc.LoadFromOwnedText(std::string(xml), options);
    ASSERT_TRUE(result.Ok) << budget;
    const bool cut = budget == (std::size_t{1} << 20);
    EXPECT_EQ(result.Complete, !cut) << budget;
    EXPECT_EQ(result.OverBudget, cut) << budget;
    if (budget != 0) {
      EXPECT_LE(result.TreeBytes, budget);
    }
    const int children = doc.GetNode("feed")->Nodes().Count();
    EXPECT_EQ(children == 100000, !cut) << children;
    EXPECT_GT(children, cut ? 5000 : 0);
    EXPECT_TRUE(TreeIsValidUtf8(doc));
  }
  EXPECT_FALSE(TXmlDoc().LoadFromStringEx(xml).OverBudget);
}

TEST(XmlHostile, NodeStaysSmall) {
  EXPECT_LE(sizeof(TXmlNode), 96u);
  EXPECT_LE(sizeof(TXmlAttrib), 40u);
}

// Fault guarded: each attribute was looked up among all earlier ones of its tag, quadratic in their number.
TEST(XmlHostile, TagWithAHundredThousandAttributesKeepsTheFirstNameOnce) {
  std::string xml = "<?xml?><a";
  for (int i = 0; i < 100000; ++i) {
    xml += " n" + std::to_string(i) + "='" + std::to_string(i) + "'";
  }
  xml += " N5='last' n99999='end'/>";
  TXmlDoc doc;
  ASSERT_TRUE(doc.LoadFromString(xml));
  const TXmlNode* a = doc.GetNode("a");
  EXPECT_EQ(a->Attribs().Count(), 100000);
  EXPECT_EQ(a->Attribs().Find("n5")->Value(), "last");
  EXPECT_EQ(a->Attribs().Find("n99999")->Value(), "end");
  EXPECT_EQ(a->Attribs().Items(5)->Name(), "n5");
}

TEST(XmlHostile, MalformedDocumentsLoadOrFailCleanly) {
  test::CheckTableFile("xml/malformed.tsv", 1, [](const std::vector<std::string>& in) {
    TXmlDoc doc;
    const TXmlLoadResult result = doc.LoadFromStringEx(in[0]);
    EXPECT_LE(result.Offset, in[0].size() + 8);
    std::string saved;
    TXmlDoc back;
    const bool clean =
        TreeIsValidUtf8(doc) && doc.SaveToStream(saved, 2, true) && back.LoadFromString(saved) && TreeIsValidUtf8(back);
    return std::string(result.Ok ? "loads" : "fails") + (clean ? "" : " (unclean)");
  });
}

TEST(XmlHostile, RandomBytesNeverBreakTheReader) {
  std::mt19937 random(20261206);
  constexpr std::string_view kAlphabet = "<>/?!-[]&#;=\"' \r\nabxCDATA\x80\xC3\xA4\xFF";
  for (int round = 0; round < 300; ++round) {
    std::string bytes(static_cast<std::size_t>(random() % 4096), '\0');
    for (char& byte : bytes) {
      byte = (random() % 2 == 0) ? kAlphabet[random() % kAlphabet.size()] : static_cast<char>(random());
    }
    TXmlDoc doc;
    doc.LoadFromStringEx(bytes);
    ASSERT_TRUE(TreeIsValidUtf8(doc)) << "round " << round;
    std::string saved;
    doc.SaveToStream(saved, 2, true);
    TXmlDoc again;
    again.LoadFromString(saved);
  }
}

// Inputs the fuzzer once found troublesome, kept in tests/data/xml/fuzz.
TEST(XmlHostile, FuzzRegressions) {
  const std::filesystem::path folder = std::filesystem::path(TIDEWICK_TEST_DATA_DIR) / "xml" / "fuzz";
  if (!std::filesystem::is_directory(folder)) {
    GTEST_SKIP() << "no regression inputs";
  }
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    std::ifstream in(entry.path(), std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    TXmlDoc doc;
    doc.LoadFromString(bytes);
    EXPECT_TRUE(TreeIsValidUtf8(doc)) << entry.path();
    std::string saved;
    doc.SaveToStream(saved, 2, true);
  }
}

}  // namespace
}  // namespace tidewick
