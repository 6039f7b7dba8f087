// The shipped English translation must answer every key the program asks for, so a new caption cannot appear in
// German in the English interface unnoticed; every other shipped translation must answer every key English answers.

#include <cctype>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "lang/lang_table.h"
#include "util/case_fold.h"
#include "util/files.h"
#include "util/utf8.h"

namespace tidewick {
namespace {

namespace fs = std::filesystem;

const fs::path kSourceDir = TIDEWICK_SOURCE_DIR;

// The literal(s) starting at text[pos], joined as the compiler joins adjacent literals; escapes left as written.
std::string JoinedLiteralAt(const std::string& text, std::size_t pos) {
  std::string literal;
  while (pos < text.size() && text[pos] == '"') {
    for (++pos; pos < text.size() && text[pos] != '"'; ++pos) {
      if (text[pos] == '\\') {
        literal += text[pos++];
      }
      literal += text[pos];
    }
    pos = text.find_first_not_of(" \t\r\n", pos + 1);
  }
  return literal;
}

bool IsWordChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

// The key of a "Section|Key" literal whose opening quote is at text[pos] ("" when none); end receives the position
// after its closing quote. Hand-written rather than std::regex, whose GCC 12 headers warn under the sanitizers.
std::string KeyLiteralAt(const std::string& text, std::size_t pos, std::size_t& end) {
  static const std::vector<std::string> kSections = {"Main",  "General", "FeedEdit", "Settings",
                                                     "PopUp", "Info",    "Lang",     "Font"};
  for (const std::string& section : kSections) {
    if (text.compare(pos + 1, section.size() + 1, section + "|") != 0) {
      continue;
    }
    std::size_t after = pos + 1 + section.size() + 1;
    const std::size_t nameStart = after;
    while (after < text.size() && IsWordChar(text[after])) {
      ++after;
    }
    if (after == nameStart || after >= text.size() || text[after] != '"') {
      return "";
    }
    end = after + 1;
    return text.substr(pos + 1, after - pos - 1);
  }
  return "";
}

// Every "Section|Key" literal in the program's sources, with the defaults written right after it (a key may be
// used in several places).
std::map<std::string, std::vector<std::string>> KeysUsedInSources() {
  std::map<std::string, std::vector<std::string>> keys;
  for (const char* top : {"src", "tools"}) {
    for (const auto& entry : fs::recursive_directory_iterator(kSourceDir / top)) {
      const std::string extension = entry.path().extension().string();
      if (!entry.is_regular_file() || (extension != ".cpp" && extension != ".h" && extension != ".hpp")) {
        continue;
      }
      const std::string text = ReadFileToString(entry.path().string());
      for (std::size_t pos = text.find('"'); pos != std::string::npos; pos = text.find('"', pos + 1)) {
        std::size_t end = 0;
        const std::string key = KeyLiteralAt(text, pos, end);
        if (key.empty()) {
          continue;
        }
        std::vector<std::string>& defaults = keys[key];
        const std::size_t comma = text.find_first_not_of(" \t\r\n", end);
        if (comma != std::string::npos && text[comma] == ',') {
          const std::size_t quote = text.find_first_not_of(" \t\r\n", comma + 1);
          if (quote != std::string::npos && text[quote] == '"') {
            defaults.push_back(JoinedLiteralAt(text, quote));
          }
        }
        pos = end - 1;
      }
    }
  }
  return keys;
}

// The "%s1%", "%w%", "$%$"... a text holds, each as often as it occurs: a translation may reorder the values but
// keeps every one of them and every line break.
std::multiset<std::string> Markers(const std::string& text) {
  std::multiset<std::string> found;
  for (std::size_t pos = 0; pos < text.size(); ++pos) {
    if (text.compare(pos, 3, "$%$") == 0) {
      found.insert("$%$");
      pos += 2;
      continue;
    }
    const std::size_t end = text.find('%', pos + 1);
    if (text[pos] != '%' || end == std::string::npos) {
      continue;
    }
    const std::string name = text.substr(pos + 1, end - pos - 1);
    const bool isValue =
        name.size() > 1 && name[0] == 's' && name.find_first_not_of("0123456789", 1) == std::string::npos;
    if (isValue || name == "w" || name == "n" || name == "r" || name == "t") {
      found.insert(text.substr(pos, end - pos + 1));
      pos = end;
    }
  }
  return found;
}

std::vector<fs::path> ShippedLanguageFiles() {
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(kSourceDir / "Language")) {
    if (entry.path().extension() == ".lng") {
      files.push_back(entry.path());
    }
  }
  return files;
}

class EnglishLanguageFile : public ::testing::Test {
 protected:
  const std::string m_bytes = ReadFileToString((kSourceDir / "Language" / "English.lng").string());
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

TEST(ShippedLanguageFiles, HoldEachKeyOnceAndNothingButEntries) {
  for (const fs::path& file : ShippedLanguageFiles()) {
    std::set<std::string> seen;
    std::istringstream lines(ReadFileToString(file.string()));
    for (std::string line; std::getline(lines, line);) {
      const std::size_t first = line.find_first_not_of(" \t\r");
      if (first == std::string::npos || line[first] == '#') {
        continue;
      }
      const std::size_t equals = line.find('=');
      ASSERT_NE(equals, std::string::npos) << file << ": " << line;
      const std::string key = line.substr(first, equals - first);
      EXPECT_TRUE(seen.insert(FoldCase(key)).second) << file << " twice: " << key;
      EXPECT_FALSE(line.substr(equals + 1).empty()) << file << " empty: " << key;
    }
  }
}

TEST_F(EnglishLanguageFile, TranslatesEveryKeyTheProgramUsesKeepingItsMarkers) {
  const auto keys = KeysUsedInSources();
  ASSERT_TRUE(keys.count("Main|mnuLanguage")) << "the key scan found nothing under " << kSourceDir;
  for (const auto& [key, defaults] : keys) {
    EXPECT_FALSE(Text(key).empty()) << "Language/English.lng lacks " << key;
    for (const std::string& defaultText : defaults) {
      EXPECT_EQ(Markers(Text(key)), Markers(defaultText)) << key << ": " << defaultText;
    }
  }
}

TEST_F(EnglishLanguageFile, EveryShippedTranslationAnswersEveryEnglishKeyKeepingItsMarkers) {
  const std::vector<fs::path> files = ShippedLanguageFiles();
  ASSERT_GT(files.size(), 1u);
  std::istringstream lines(m_bytes);
  std::vector<std::string> keys;
  for (std::string line; std::getline(lines, line);) {
    const std::size_t equals = line.find('=');
    if (!line.empty() && line[0] != '#' && equals != std::string::npos) {
      keys.push_back(line.substr(0, equals));
    }
  }
  for (const fs::path& file : files) {
    const std::string bytes = ReadFileToString(file.string());
    EXPECT_TRUE(IsValidUtf8(bytes)) << file << " is not UTF-8";
    const TLanguageTable translation = TLanguageTable::FromText(bytes);
    for (const std::string& key : keys) {
      const std::string text(translation.Find(key).value_or(""));
      EXPECT_FALSE(text.empty()) << file << " lacks " << key;
      EXPECT_EQ(Markers(text), Markers(Text(key))) << file << ": " << key << "=" << text;
    }
  }
}

}  // namespace
}  // namespace tidewick
