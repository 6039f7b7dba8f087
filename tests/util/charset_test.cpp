#include "util/charset.h"

#include <gtest/gtest.h>

namespace tidewick {
namespace {

using namespace std::string_view_literals;

struct TDecodeCase {
  std::string_view Encoding;
  std::string_view Bytes;
  std::string_view Expected;
};

class CharsetDecode : public testing::TestWithParam<TDecodeCase> {};

TEST_P(CharsetDecode, GivesUtf8) {
  EXPECT_EQ(DecodeToUtf8(GetParam().Bytes, GetParam().Encoding), GetParam().Expected);
  EXPECT_EQ(DecodeToUtf8(std::string(GetParam().Bytes), GetParam().Encoding), GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CharsetDecode,
    testing::Values(TDecodeCase{"", "plain", "plain"},
                    // Valid UTF-8 is kept, a stray byte reads as its Windows-1252 character.
                    TDecodeCase{"", "\xC3\xA4 \xE4 \x80", "ä ä €"}, TDecodeCase{"UTF-8", "\xE2\x82\xAC", "€"},
                    TDecodeCase{"utf-8", "\xE2\x82", "â‚"},
                    // Latin-1 labels are read as Windows-1252, as browsers do.
                    TDecodeCase{"ISO-8859-1", "\x93x\x94\xE4", "“x”ä"}, TDecodeCase{"latin1", "\x80", "€"},
                    TDecodeCase{"us-ascii", "\x85", "…"}, TDecodeCase{"windows-1252", "\x80\x81", "€\xC2\x81"},
                    TDecodeCase{"KOI8-R", "\xF0\xD2\xC9\xD7\xC5\xD4", "Привет"},
                    // Unknown names fall back to the UTF-8 rule.
                    TDecodeCase{"x-unknown", "\xC3\xA4\xE4", "ää"},
                    // A byte iconv cannot read becomes U+FFFD, the rest goes on.
                    TDecodeCase{"Shift_JIS", "\x93\xfa\xFF\x96\x7b", "日\uFFFD本"},
                    TDecodeCase{"UTF-16", "\xFF\xFE\x61\0\xE4\0"sv, "aä"},
                    TDecodeCase{"UTF-16", "\xFE\xFF\0a\0\xE4"sv, "aä"}, TDecodeCase{"UTF-16LE", "a\0b"sv, "a\uFFFD"},
                    // A bad code unit is skipped whole: the text after it stays aligned.
                    TDecodeCase{"UTF-16LE", "\x00\xDC\x61\0b\0"sv, "\uFFFDab"},
                    TDecodeCase{"UTF-32BE", "\0\x11\0\0\0\0\0a"sv, "\uFFFDa"},
                    TDecodeCase{"EUC-JP", "\xFF\xFF<a>", "\uFFFD\uFFFD<a>"},
                    // Runs of bytes that can start no character are skipped without iconv;
                    // a good lead byte right after them, or the shift state, is not lost.
                    TDecodeCase{"Shift_JIS", "\xFF\xFF\x93\xfa", "\uFFFD\uFFFD日"},
                    TDecodeCase{"EUC-KR", "\xFF\xFF\xB0\xA1", "\uFFFD\uFFFD가"},
                    TDecodeCase{"ISO-2022-JP", "\x1B$BF|\xFF\xFEK\\\x1B(Ba", "日\uFFFD\uFFFD本a"}));

struct TEncodeCase {
  std::string_view Encoding;
  std::string_view Text;
  std::string_view Expected;
};

class CharsetEncode : public testing::TestWithParam<TEncodeCase> {};

TEST_P(CharsetEncode, WritesReferencesForWhatTheEncodingCannotHold) {
  EXPECT_EQ(EncodeFromUtf8(GetParam().Text, GetParam().Encoding), GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, CharsetEncode,
                         testing::Values(TEncodeCase{"", "ä€", "ä€"}, TEncodeCase{"UTF-8", "ä€", "ä€"},
                                         TEncodeCase{"x-unknown", "ä€", "ä€"},
                                         TEncodeCase{"ISO-8859-1", "aä€😀", "a\xE4&#8364;&#128512;"},
                                         TEncodeCase{"windows-1252", "ä€Ж", "\xE4\x80&#1046;"},
                                         TEncodeCase{"us-ascii", "aä", "a&#228;"},
                                         TEncodeCase{"KOI8-R", "Привет ä", "\xF0\xD2\xC9\xD7\xC5\xD4 &#228;"},
                                         TEncodeCase{"UTF-16LE", "a€", "a\0\xAC\x20"sv}));

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
