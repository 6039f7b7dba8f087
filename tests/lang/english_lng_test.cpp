// The shipped English translation must answer every key the program asks for, so a new caption cannot appear in
// German in the English interface unnoticed.

#include <cctype>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "lang/lang_table.h"
#include "util/case_fold.h"

namespace tidewick {
namespace {

namespace fs = std::filesystem;

const fs::path kSourceDir = TIDEWICK_SOURCE_DIR;

std::string ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::size_t SkipBlanks(const std::string& text, std::size_t pos) {
  while (pos < text.size() && std::isspace(static_cast<unsigned char>(text[pos]))) {
    ++pos;
  }
  return pos;
}

// The string literal starting at text[pos] (the opening quote) joined with the literals right after it, as the
// compiler joins them; escapes are left as written.
std::optional<std::string> LiteralAt(const std::string& text, std::size_t pos) {
  if (pos >= text.size() || text[pos] != '"') {
    return std::nullopt;
  }
  std::string literal;
  while (pos < text.size() && text[pos] == '"') {
    std::size_t i = pos + 1;
    for (; i < text.size() && text[i] != '"'; ++i) {
      if (text[i] == '\\' && i + 1 < text.size()) {
        literal += text[i++];
      }
      literal += text[i];
    }
    pos = SkipBlanks(text, i + 1);
  }
  return literal;
}

// Each key with the defaults written beside it (a key may be used in several places).
using TKeyUses = std::map<std::string, std::vector<std::string>>;

constexpr std::string_view kSections[] = {"Main", "General", "FeedEdit", "Settings", "PopUp", "Info", "Lang", "Font"};

bool IsKeyNameChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

// Length of a "Section|Key" literal starting at text[pos] (the opening quote), or 0 when none starts there.
std::size_t KeyLiteralLength(std::string_view text, std::size_t pos) {
  for (const std::string_view section : kSections) {
    const std::size_t bar = pos + 1 + section.size();
    if (text.substr(pos + 1, section.size()) != section || bar >= text.size() || text[bar] != '|') {
      continue;
    }
    std::size_t end = bar + 1;
    while (end < text.size() && IsKeyNameChar(text[end])) {
      ++end;
    }
    if (end > bar + 1 && end < text.size() && text[end] == '"') {
      return end + 1 - pos;
    }
  }
  return 0;
}

void CollectKeys(const std::string& text, TKeyUses& keys) {
  for (std::size_t quote = text.find('"'); quote != std::string::npos; quote = text.find('"', quote + 1)) {
    const std::size_t length = KeyLiteralLength(text, quote);
    if (length == 0) {
      continue;
    }
    const std::string key = text.substr(quote + 1, length - 2);
    const std::size_t after = SkipBlanks(text, quote + length);
    std::vector<std::string>& defaults = keys[key];
    if (after < text.size() && text[after] == ',') {
      if (std::optional<std::string> defaultText = LiteralAt(text, SkipBlanks(text, after + 1))) {
        defaults.push_back(std::move(*defaultText));
      }
    }
    quote += length - 1;
  }
}

// Every "Section|Key" literal in the program's sources, with the default written right after it, if any.
TKeyUses KeysUsedInSources() {
  TKeyUses keys;
  for (const char* top : {"src", "tools"}) {
    std::error_code error;
    for (fs::recursive_directory_iterator it(kSourceDir / top, error), end; !error && it != end; it.increment(error)) {
      const std::string extension = it->path().extension().string();
      if (it->is_regular_file() && (extension == ".cpp" || extension == ".h" || extension == ".hpp")) {
        CollectKeys(ReadBytes(it->path()), keys);
      }
    }
  }
  return keys;
}

// The "%s1%", "%s2%"... a text holds.
std::set<std::string> Placeholders(const std::string& text) {
  std::set<std::string> found;
  for (std::size_t pos = text.find("%s"); pos != std::string::npos; pos = text.find("%s", pos + 1)) {
    std::size_t end = pos + 2;
    while (end < text.size() && std::isdigit(static_cast<unsigned char>(text[end]))) {
      ++end;
    }
    if (end > pos + 2 && end < text.size() && text[end] == '%') {
      found.insert(text.substr(pos, end + 1 - pos));
    }
  }
  return found;
}

class EnglishLanguageFile : public ::testing::Test {
 protected:
  const std::string m_bytes = ReadBytes(kSourceDir / "Language" / "English.lng");
  const TLanguageTable m_table = TLanguageTable::FromText(m_bytes);

  std::string Text(const std::string& key) const { return std::string(m_table.Find(key).value_or("")); }
};

TEST_F(EnglishLanguageFile, NamesItsLanguageAndTranslator) {
  ASSERT_GT(m_table.Count(), 150u);
  EXPECT_EQ(Text("Lang|Language"), "English");
  EXPECT_EQ(Text("Main|mnuLanguage"), "Language");  // so the menu reads "&Language"
  for (const char* key : {"Lang|AuthorName", "Lang|AuthorSite", "Lang|AuthorMail"}) {
    EXPECT_FALSE(Text(key).empty()) << key;
  }
}

TEST_F(EnglishLanguageFile, HoldsEachKeyOnceAndNothingButEntries) {
  std::set<std::string> seen;
  std::istringstream lines(m_bytes);
  for (std::string line; std::getline(lines, line);) {
    const std::size_t first = line.find_first_not_of(" \t\r");
    if (first == std::string::npos || line[first] == '#') {
      continue;
    }
    const std::size_t equals = line.find('=');
    ASSERT_NE(equals, std::string::npos) << line;
    const std::string key = line.substr(first, equals - first);
    EXPECT_TRUE(seen.insert(FoldCase(key)).second) << "twice: " << key;
    EXPECT_FALSE(line.substr(equals + 1).empty()) << "empty: " << key;
  }
}

TEST_F(EnglishLanguageFile, TranslatesEveryKeyTheProgramUses) {
  const auto keys = KeysUsedInSources();
  ASSERT_TRUE(keys.count("Main|mnuLanguage")) << "the key scan found nothing under " << kSourceDir;
  for (const auto& [key, defaults] : keys) {
    const std::optional<std::string_view> text = m_table.Find(key);
    EXPECT_TRUE(text && !text->empty()) << "Language/English.lng lacks " << key;
  }
}

TEST_F(EnglishLanguageFile, KeepsThePlaceholdersOfTheGermanDefaults) {
  for (const auto& [key, defaults] : KeysUsedInSources()) {
    for (const std::string& defaultText : defaults) {
      EXPECT_EQ(Placeholders(Text(key)), Placeholders(defaultText)) << key << ": " << defaultText;
    }
  }
}

}  // namespace
}  // namespace tidewick
