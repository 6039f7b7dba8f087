#include "util/charset.h"

#include <gtest/gtest.h>

#include "support/table_file.h"

namespace tidewick {
namespace {

TEST(CharsetDecode, GivesUtf8) {
  test::CheckTableFile("util/charset_decode.tsv", 2, [](const std::vector<std::string>& in) {
    EXPECT_EQ(DecodeToUtf8(std::string(in[1]), in[0]), DecodeToUtf8(std::string_view(in[1]), in[0]));
    return DecodeToUtf8(std::string_view(in[1]), in[0]);
  });
}

TEST(CharsetEncode, WritesReferencesForWhatTheEncodingCannotHold) {
  test::CheckTableFile("util/charset_encode.tsv", 2,
                       [](const std::vector<std::string>& in) { return EncodeFromUtf8(in[1], in[0]); });
}

TEST(CharsetEncoder, KeepsItsStateAcrossPieces) {
  TCharsetEncoder encoder("UTF-16");
  EXPECT_FALSE(encoder.PassesThrough());
  std::string out;
  encoder.Convert("a", out);
  encoder.Convert("b", out);
  EXPECT_EQ(out.size(), 6u) << "one byte-order mark, two characters";
  TCharsetEncoder moved(std::move(encoder));
  moved.Convert("c", out);
  EXPECT_EQ(out.size(), 8u);
}

TEST(CharsetNames, RecogniseSpellings) {
  EXPECT_TRUE(IsUtf8EncodingName("UTF8"));
  EXPECT_FALSE(IsUtf8EncodingName("UTF-16"));
  EXPECT_TRUE(IsLatin1EncodingName("Latin1"));
  EXPECT_FALSE(IsLatin1EncodingName("ISO-8859-15"));
  EXPECT_TRUE(IsWideEncodingName("utf_16le"));
  EXPECT_TRUE(IsWideEncodingName("UCS-4"));
}

TEST(CharsetNames, AsciiCompatibleEncodingsKeepTheMarkup) {
  for (const std::string_view name : {"", "UTF-8", "ISO-8859-1", "windows-1252", "KOI8-R", "Shift_JIS", "GB2312"}) {
    EXPECT_TRUE(IsAsciiCompatibleEncoding(name)) << name;
  }
  for (const std::string_view name : {"UTF-7", "UTF-16", "UTF-32BE", "IBM037", "x-no-such"}) {
    EXPECT_FALSE(IsAsciiCompatibleEncoding(name)) << name;
  }
}

}  // namespace
}  // namespace tidewick
