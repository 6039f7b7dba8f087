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
  TFeedItems items(5);
  const int count = ReadEntries(doc.GetNode("list"), "item", items, [](const TXmlNode& node, TFeedItem& item) {
    if (node.Value() == "2") {
      throw std::runtime_error("damaged entry");
    }
    item.Title = std::string(node.Value());
  });
  ASSERT_EQ(count, 2);
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items[0].Title, "1");
  EXPECT_EQ(items[1].Title, "3");
  EXPECT_EQ(items[1].ItemIndex, -1);
}

TEST(ReadEntries, MissingParentGivesNoEntries) {
  TFeedItems items(3);
  EXPECT_EQ(ReadEntries(nullptr, "item", items, [](const TXmlNode&, TFeedItem&) {}), 0);
  EXPECT_TRUE(items.empty());
}

struct TDecimalCase {
  const char* Text;
  int Expected;
};

class ReadDecimalTable : public testing::TestWithParam<TDecimalCase> {};

TEST_P(ReadDecimalTable, ReadsWholeDecimalNumbersOnly) {
  EXPECT_EQ(ReadDecimal(GetParam().Text, -7), GetParam().Expected) << GetParam().Text;
}

INSTANTIATE_TEST_SUITE_P(Cases, ReadDecimalTable,
                         testing::Values(TDecimalCase{"42", 42}, TDecimalCase{" \t42\r\n", 42}, TDecimalCase{"-5", -5},
                                         TDecimalCase{"+5", 5}, TDecimalCase{"", -7}, TDecimalCase{"4 2", -7},
                                         TDecimalCase{"42px", -7}, TDecimalCase{"+-5", -7}, TDecimalCase{"0x10", -7},
                                         TDecimalCase{"99999999999", -7}, TDecimalCase{"1.5", -7}));

}  // namespace
}  // namespace tidewick
