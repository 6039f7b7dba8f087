#include "formats/reader_support.h"

#include <gtest/gtest.h>
#include <stdexcept>
#include <string>

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

}  // namespace
}  // namespace tidewick
