#include <gtest/gtest.h>
#include <string>

#include "feeds/feed_records.h"
#include "formats/feed_test_util.h"
#include "util/utf8.h"

namespace tidewick {
namespace {

// The encoded files under golden/ are checked field by field by the golden tests.

TEST(Encoding, InvalidUtf8NeverReachesARecord) {
  const std::string document = test::Rss(
      "<title>\xff\xfe T \xc3</title><item><title>\x80\x81\x8d</title>"
      "<description>a\xed\xa0\x80z</description><author>\xf8\x88\x80\x80\x80</author>"
      "</item>");
  const auto result = test::ReadFeed(document);
  ASSERT_TRUE(result.Ok);
  EXPECT_TRUE(IsValidUtf8(result.Feed.Info.Title));
  ASSERT_EQ(result.Feed.Entries.size(), 1u);
  EXPECT_TRUE(IsValidUtf8(result.Item(0).Title));
  EXPECT_TRUE(IsValidUtf8(result.Item(0).Description));
  EXPECT_TRUE(IsValidUtf8(result.Item(0).Author));
}

TEST(Encoding, ByteOrderMarkWithoutDeclaration) {
  const auto result = test::ReadFeed("\xEF\xBB\xBF<rss version=\"2.0\"><channel><title>Grüße</title></channel></rss>");
  ASSERT_TRUE(result.Ok);
  EXPECT_EQ(result.Feed.Info.Title, "Grüße");
}

// ASCII text as UTF-16 code units, without a byte-order mark.
std::string AsciiToUtf16(std::string_view text, bool bigEndian) {
  std::string out;
  for (const char c : text) {
    out += bigEndian ? std::string{'\0', c} : std::string{c, '\0'};
  }
  return out;
}

TEST(Encoding, Utf16WithoutByteOrderMark) {
  for (const bool bigEndian : {false, true}) {
    for (const char* declaration : {"<?xml version=\"1.0\" encoding=\"UTF-16\"?>", ""}) {
      const std::string document =
          std::string(declaration) + "<rss version=\"2.0\"><channel><title>Gr&#252;&#223;e</title></channel></rss>";
      const auto result = test::ReadFeed(AsciiToUtf16(document, bigEndian));
      EXPECT_TRUE(result.Ok) << bigEndian << declaration;
      EXPECT_EQ(result.Feed.Info.Title, "Grüße") << bigEndian << declaration;
    }
  }
}

}  // namespace
}  // namespace tidewick
