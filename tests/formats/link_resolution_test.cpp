#include "formats/link_resolution.h"

#include <gtest/gtest.h>
#include <string>

#include "xml/xml_doc.h"

namespace tidewick {
namespace {

struct TResolveCase {
  const char* Base;
  const char* Reference;
  const char* Expected;
};

// What feeds add to the common rules: bases that must never be used, and references that stay as written.
TEST(ResolveLink, UsesOnlyWebBasesAndKeepsAbsoluteReferences) {
  constexpr const char* kBase = "http://a/b/c/d;p?q";
  const TResolveCase cases[] = {
      {"HTTPS://Host/dir/#frag", "x", "HTTPS://Host/dir/x"},
      {"ftp://files.example.org/pub/", "a.txt", "ftp://files.example.org/pub/a.txt"},
      {kBase, "mailto:me@example.org", "mailto:me@example.org"},
      {kBase, "HTTP://other/./x", "HTTP://other/./x"},
      {kBase, "", ""},
      {"javascript:alert(1)//", "g", "g"},
      {"file:///etc/", "passwd", "passwd"},
      {"data://x/", "g", "g"},
      {"http://", "g", "g"},
      {"", "g", "g"},
      {"/relative/base", "g", "g"},
  };
  for (const TResolveCase& c : cases) {
    EXPECT_EQ(ResolveLink(c.Base, c.Reference), c.Expected) << c.Base << " + " << c.Reference;
  }
}

TEST(ResolveLink, KnowsWebAddressesAndUsableBases) {
  struct TCase {
    const char* Address;
    bool Base;
    bool Web;
  };
  const TCase cases[] = {
      {"http://a/", true, true},       {"HTTPS://a", true, true},    {"ftp://a/", true, false},
      {"https:///path", false, false}, {"https:/a", false, false},   {"tag:a,2026:x", false, false},
      {"urn:uuid:1234", false, false}, {"mailto:a@b", false, false}, {"javascript://a/", false, false},
      {"//a/b", false, false},         {"", false, false},           {"http-x://a/", false, false},
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(IsUsableBase(c.Address), c.Base) << c.Address;
    EXPECT_EQ(IsWebAddress(c.Address), c.Web) << c.Address;
  }
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
