#include <gtest/gtest.h>
#include <string>

#include "formats/feed_document.h"

namespace tidewick {
namespace {

struct TCleanCase {
  const char* Name;
  std::string Input;
  bool SingleLine;
  std::string Expected;
};

class CleanTextTable : public testing::TestWithParam<TCleanCase> {};

TEST_P(CleanTextTable, GivesTheCleanedText) {
  const TCleanCase& c = GetParam();
  EXPECT_EQ(CleanText(c.Input, c.SingleLine), c.Expected);
}

const TCleanCase kCleanCases[] = {
    {"TrimsBlanksAndControls", " \t\r\n\x01 Title \x02\x1f ", true, "Title"},
    {"KeepsInnerBlanks", "a  b", true, "a  b"},
    {"JoinsLinesWithoutSeparator", "Spring tide\nexpected", true, "Spring tideexpected"},
    {"JoinsCrLfLines", "one\r\ntwo\rthree\nfour", true, "onetwothreefour"},
    {"LoneLfBecomesCrLf", "one\ntwo", false, "one\r\ntwo"},
    {"LoneCrBecomesCrLf", "one\rtwo", false, "one\r\ntwo"},
    {"LfCrIsTwoBreaks", "one\n\rtwo", false, "one\r\n\r\ntwo"},
    {"DecodesNamedReferences", "Fish &amp; chips &eacute;t&eacute;", true, "Fish & chips été"},
    {"DecodesNumericReferences", "&#8364; &#x20AC; &#169;", true, "€ € ©"},
    {"DecodesOnlyOnce", "&amp;lt;", true, "&lt;"},
    {"KeepsStrayAmpersand", "R&D & more &unknownname; &#xZZ;", true, "R&D & more &unknownname; &#xZZ;"},
    {"TrimsBeforeDecoding", "&#32;x&#32;", true, " x "},
    {"DecodedLineBreakCounts", "a&#10;b", false, "a\r\nb"},
    {"DropsNulCharacters", std::string("a\0b", 3), true, "ab"},
    {"NulInsideCrLfStillOnePair", std::string("a\r\0\nb", 5), false, "a\r\nb"},
    {"OnlyBlanksGiveEmpty", " \r\n\t ", false, ""},
    {"KeepsUtf8", "  Grüße – 日本  ", true, "Grüße – 日本"},
    // Long texts are searched sixteen bytes at a time: work in the middle of a block and in the tail.
    {"FindsWorkPastTheFirstBlocks", std::string(37, 'x') + "&amp;" + std::string(20, 'y') + "\n" + "z", false,
     std::string(37, 'x') + "&" + std::string(20, 'y') + "\r\nz"},
    {"FindsBreaksInEveryBlock", "0123456789abcdef\n0123456789abcde\r0123456789abcdefg\1h", true,
     "0123456789abcdef0123456789abcde0123456789abcdefgh"},
};

INSTANTIATE_TEST_SUITE_P(Cases, CleanTextTable, testing::ValuesIn(kCleanCases),
                         [](const testing::TestParamInfo<TCleanCase>& info) { return info.param.Name; });

}  // namespace
}  // namespace tidewick
