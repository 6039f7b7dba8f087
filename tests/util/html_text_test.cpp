#include "util/html_text.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "support/table_file.h"
#include "util/html_entities.h"
#include "util/utf8.h"

namespace tidewick {
namespace {

TEST(HtmlText, DecodesReferencesAndStripsMarkupAsTheTableSays) {
  test::CheckTableFile("util/html_text.tsv", 2, [](const std::vector<std::string>& in) {
    const std::string& text = in[1];
    return in[0] == "decode"   ? DecodeEntities(text)
           : in[0] == "entity" ? EntityToText(text)
           : in[0] == "text"   ? HtmlToText(text)
                               : HtmlToDisplayText(text);
  });
}

TEST(DecodeEntities, DecodesEveryHtml5Name) {
  const auto entities = HtmlEntities();
  ASSERT_EQ(entities.size(), 2125u);
  EXPECT_TRUE(std::is_sorted(entities.begin(), entities.end(),
                             [](const THtmlEntity& a, const THtmlEntity& b) { return a.Name < b.Name; }));
  for (const THtmlEntity& entity : entities) {
    ASSERT_LE(entity.Name.size(), kLongestEntityName);
    EXPECT_EQ(DecodeEntities("<&" + std::string(entity.Name) + ";>"), "<" + std::string(entity.Text) + ">")
        << entity.Name;
  }
}

std::string Utf8Of(char32_t codePoint) {
  std::string text;
  AppendUtf8(text, codePoint);
  return text;
}

// Every row of the classic table still decodes, by name and by number, to the character of its byte.
TEST(EntityTable, EveryRowDecodesToItsCharacter) {
  BuildEntityTable();
  const TEntityTable& table = EntityTable();
  for (int byte = 1; byte < 256; ++byte) {
    const TEntityRow& row = table[byte];
    EXPECT_EQ(row.Character, Windows1252ToCodePoint(static_cast<unsigned char>(byte)));
    EXPECT_EQ(DecodeEntities(row.Numeric), Utf8Of(row.Character)) << byte;
    if (!row.Named.empty()) {
      EXPECT_EQ(DecodeEntities(row.Named), Utf8Of(row.Character)) << byte;
    }
  }
  EXPECT_EQ(DecodeEntities(table[0].Numeric), "&#0;");
}

// Replacing three line breaks by two until none are left, the plain way.
std::string ShrinkByRepeatedReplace(std::string text) {
  const std::string three = "\r\n\r\n\r\n";
  while (text.find(three) != std::string::npos) {
    std::string next;
    std::size_t pos = 0;
    for (std::size_t found = text.find(three); found != std::string::npos; found = text.find(three, pos)) {
      next.append(text, pos, found - pos).append("\r\n\r\n");
      pos = found + three.size();
    }
    text = next.append(text, pos);
  }
  return text;
}

TEST(HtmlToText, ShrinksBlankLinesLikeRepeatedReplacing) {
  std::mt19937 random(42);
  const char alphabet[] = {'\r', '\n', 'x'};
  for (int round = 0; round < 3000; ++round) {
    std::string text(random() % 24, ' ');
    for (char& c : text) {
      c = alphabet[random() % 3];
    }
    ASSERT_EQ(HtmlToText(text), ShrinkByRepeatedReplace(text)) << ::testing::PrintToString(text);
  }
}

}  // namespace
}  // namespace tidewick
