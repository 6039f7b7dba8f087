// The shipped English translation must answer every key the program asks for, so a new caption cannot appear in
// German in the English interface unnoticed.

#include <cctype>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <map>
#include <optional>
#include <regex>
#include <set>
#include <sstream>
#include <string>

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

// Every "Section|Key" literal in the program's sources, with the default written right after it, if any.
std::map<std::string, std::optional<std::string>> KeysUsedInSources() {
  static const std::regex keyLiteral(R"re("(Main|General|FeedEdit|Settings|PopUp|Info|Lang|Font)\|[A-Za-z0-9_]+")re");
  std::map<std::string, std::optional<std::string>> keys;
  for (const char* top : {"src", "tools"}) {
    std::error_code error;
    for (fs::recursive_directory_iterator it(kSourceDir / top, error), end; !error && it != end; it.increment(error)) {
      const std::string extension = it->path().extension().string();
      if (!it->is_regular_file() || (extension != ".cpp" && extension != ".h" && extension != ".hpp")) {
        continue;
      }
      const std::string text = ReadBytes(it->path());
      for (std::sregex_iterator match(text.begin(), text.end(), keyLiteral), none; match != none; ++match) {
        const std::string key = match->str().substr(1, match->length() - 2);
        std::size_t pos = SkipBlanks(text, match->position() + match->length());
        std::optional<std::string> defaultText;
        if (pos < text.size() && text[pos] == ',') {
          defaultText = LiteralAt(text, SkipBlanks(text, pos + 1));
        }
        if (!keys.count(key) || (!keys[key] && defaultText)) {
          keys[key] = defaultText;
        }
      }
    }
  }
  return keys;
}

std::set<std::string> Placeholders(const std::string& text) {
  static const std::regex placeholder(R"(%s[0-9]+%)");
  std::set<std::string> found;
  for (std::sregex_iterator it(text.begin(), text.end(), placeholder), end; it != end; ++it) {
    found.insert(it->str());
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
  for (const auto& [key, defaultText] : keys) {
    const std::optional<std::string_view> text = m_table.Find(key);
    EXPECT_TRUE(text && !text->empty()) << "Language/English.lng lacks " << key;
  }
}

TEST_F(EnglishLanguageFile, KeepsThePlaceholdersOfTheGermanDefaults) {
  for (const auto& [key, defaultText] : KeysUsedInSources()) {
    if (defaultText && m_table.Find(key)) {
      EXPECT_EQ(Placeholders(Text(key)), Placeholders(*defaultText)) << key;
    }
  }
}

}  // namespace
}  // namespace tidewick
