#include "formats/link_resolution.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "support/table_file.h"
#include "xml/xml_doc.h"

namespace tidewick {
namespace {

// What feeds add to the common rules: bases that must never be used, references that stay as written, and which
// addresses count as web addresses and usable bases.
TEST(ResolveLink, UsesOnlyWebBasesAndKeepsAbsoluteReferences) {
  test::CheckTableFile("formats/resolve_link.tsv", 3, [](const std::vector<std::string>& in) {
    if (in[0] == "resolve") {
      return ResolveLink(in[1], in[2]);
    }
    return std::string(IsUsableBase(in[1]) ? "base" : "no base") + (IsWebAddress(in[1]) ? "\tweb" : "\tno web");
  });
}

TEST(BaseAddressAt, ResolvesInnerBasesAgainstOuterOnesAndTheDocumentAddress) {
  TXmlDoc doc("?xml");
  doc.LoadFromString(
      "<?xml version=\"1.0\"?><a xml:base=\"sub/\"><b xml:base=\"file:///etc/\"><c xml:base=\"../up/\"><d/></c></b>"
      "</a>");
  const TXmlNode* d = doc.GetNode("a\\b\\c\\d");
  ASSERT_NE(d, nullptr);
  // sub/ against the address, file:///etc/ skipped, ../up/ against .../sub/.
  EXPECT_EQ(BaseAddressAt(d, "https://x.example/feeds/feed.xml"), "https://x.example/feeds/up/");
  EXPECT_EQ(BaseAddressAt(d, ""), "");
  EXPECT_EQ(ResolveLinkAt(d, "page", ""), "page");
  EXPECT_EQ(ResolveLinkAt(d, "page", "https://x.example/"), "https://x.example/up/page");
}

}  // namespace
}  // namespace tidewick
