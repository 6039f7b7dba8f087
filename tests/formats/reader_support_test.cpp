#include "formats/reader_support.h"

#include <gtest/gtest.h>
#include <stdexcept>
#include <string>
#include <utility>

#include "xml/xml_doc.h"

namespace tidewick {
namespace {

// Guards the rule that a failure inside one entry costs that entry only, never the entries after it.
TEST(ReadEntries, SkipsAnEntryWhoseReadingFails) {
  TXmlDoc doc("?xml");
  doc.LoadFromString("<?xml version=\"1.0\"?><list><item>1</item><other/><ITEM>2</ITEM><item>3</item></list>");
  TEntries items(5);
  const int count = ReadEntries(doc.GetNode("list"), "item", items, [](const TXmlNode& node, TEntry& item) {
    if (node.Value() == "2") {
      throw std::runtime_error("damaged entry");
    }
    item.Title = std::string(node.Value());
  });
  ASSERT_EQ(count, 2);
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items[0].Title, "1");
  EXPECT_EQ(items[1].Title, "3");
  EXPECT_EQ(items[1].EntryIndex, -1);
}

TEST(ReadEntries, MissingParentGivesNoEntries) {
  TEntries items(3);
  EXPECT_EQ(ReadEntries(nullptr, "item", items, [](const TXmlNode&, TEntry&) {}), 0);
  EXPECT_TRUE(items.empty());
}

TEST(ReadDecimal, ReadsWholeDecimalNumbersOnly) {
  const std::pair<const char*, int> cases[] = {{"42", 42},   {" \t42\r\n", 42},   {"-5", -5},   {"+5", 5},
                                               {"", -7},     {"4 2", -7},         {"42px", -7}, {"+-5", -7},
                                               {"0x10", -7}, {"99999999999", -7}, {"1.5", -7}};
  for (const auto& [text, expected] : cases) {
    EXPECT_EQ(ReadDecimal(text, -7), expected) << text;
  }
}

}  // namespace
}  // namespace tidewick
