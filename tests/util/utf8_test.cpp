#include "util/utf8.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "util/case_fold.h"
#include "util/strings.h"

namespace tidewick {
namespace {

TEST(Utf8, RepairKeepsValidTextAndReadsStrayBytesAsWindows1252) {
  const std::string text = "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80";
  EXPECT_EQ(RepairUtf8(text), text);
  EXPECT_TRUE(IsValidUtf8(text));
  // An old Windows file: "café" with a curly quote, no encoding declared.
  EXPECT_EQ(RepairUtf8("caf\xE9 \x93q\x94"), "caf\xC3\xA9 \xE2\x80\x9Cq\xE2\x80\x9D");
  // One bad byte inside otherwise valid UTF-8 garbles nothing around it.
  EXPECT_EQ(RepairUtf8("\xC3\xA4\x80\xC3\xB6"), "\xC3\xA4\xE2\x82\xAC\xC3\xB6");
}

TEST(Utf8, RejectsOverlongSurrogatesAndTruncatedSequences) {
  EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));          // overlong "/"
  EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));      // surrogate
  EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80"));  // beyond U+10FFFF
  EXPECT_FALSE(IsValidUtf8("\xE2\x82"));          // cut short
  EXPECT_TRUE(IsValidUtf8(RepairUtf8("\xE2\x82")));
  // Long texts are checked in blocks (32 bytes), short ones in words: each sequence is judged wherever it lies,
  // also across a block's end and as the text's last bytes, among ASCII and among other characters.
  const std::vector<std::string> valid =
      SplitToList("\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80 \xED\x9F\xBF \xEF\xBF\xBF \xF4\x8F\xBF\xBF", " ");
  const std::vector<std::string> invalid = SplitToList(
      "\xFF \x80 \xC1\xBF \xE0\x9F\xBF \xED\xA0\x80 \xF0\x8F\xBF\xBF "
      "\xF4\x90\x80\x80 \xF5\x80\x80\x80 \xE2\x82 \xF0\x9F\x98 \xC3\xA9\xA9 \xC3",
      " ");
  for (const std::string filler : {"0123456789abcdefghijklmnopqrstuvwxyz", "\xC3\xA4\xE2\x82\xAC\xF0\x9F\x98\x80x"}) {
    const std::string text = filler + filler + filler;
    for (size_t at = 0; at <= text.size(); at += at < text.size() ? Utf8SequenceLength(text, at) : 1) {
      for (const std::string& sequence : valid) {
        EXPECT_TRUE(IsValidUtf8(text.substr(0, at) + sequence + text.substr(at))) << at << " " << sequence;
        EXPECT_TRUE(IsValidUtf8(text.substr(0, at) + sequence)) << at << " " << sequence;
      }
      for (const std::string& sequence : invalid) {
        EXPECT_FALSE(IsValidUtf8(text.substr(0, at) + sequence + text.substr(at))) << at << " " << sequence;
        EXPECT_FALSE(IsValidUtf8(text.substr(0, at) + sequence)) << at << " " << sequence;
      }
    }
  }
}

TEST(Utf8, AppendAndCount) {
  std::string out;
  AppendUtf8(out, U'\u00E4');
  AppendUtf8(out, U'\U0001F600');
  AppendUtf8(out, 0xD800);  // a lone surrogate cannot be written
  EXPECT_EQ(out, "\xC3\xA4\xF0\x9F\x98\x80\xEF\xBF\xBD");
  EXPECT_EQ(Utf8CharCount(out), 3u);
}

// File names, entry pages and summaries are shortened this way: a cut that split a character would leave invalid
// text behind.
TEST(Utf8, PrefixNeverSplitsACharacter) {
  const std::string text = "a\xC3\xA4\xE2\x82\xAC\xF0\x9F\x98\x80";  // a, ä, €, 😀: 1 + 2 + 3 + 4 bytes
  const std::pair<size_t, size_t> cases[] = {{0, 0}, {1, 1}, {2, 1},   {3, 3},  {5, 3},
                                             {6, 6}, {9, 6}, {10, 10}, {99, 10}};
  for (const auto& [maxBytes, kept] : cases) {
    EXPECT_EQ(Utf8Prefix(text, maxBytes), text.substr(0, kept)) << maxBytes;
  }
}

TEST(CaseFold, FoldsEveryScriptNotOnlyAscii) {
  EXPECT_TRUE(SameTextIgnoringCase("rdf:RDF", "RDF:rdf"));
  EXPECT_TRUE(SameTextIgnoringCase("\xC3\x84RGER", "\xC3\xA4rger"));                          // Ärger
  EXPECT_TRUE(SameTextIgnoringCase("\xD0\x9C\xD0\x98\xD0\xA0", "\xD0\xBC\xD0\xB8\xD1\x80"));  // МИР / мир
  EXPECT_FALSE(SameTextIgnoringCase("title", "titles"));
  EXPECT_TRUE(ContainsIgnoringCase("Breaking NEWS today", "news"));
  EXPECT_FALSE(ContainsIgnoringCase("anything", ""));
}

}  // namespace
}  // namespace tidewick
