#include "lang/language_choice.h"

#include <fstream>
#include <gtest/gtest.h>
#include <string>

#include "support/temp_dir.h"

namespace tidewick {
namespace {

// The shipped English file, a Brazilian one that names its tag, and two that name none and so are known by their
// file names only ("fr" matches, "Nederlands" never does).
const std::vector<TLanguageFile> kFiles = {{"English", "en"}, {"fr", ""}, {"Nederlands", ""}, {"Portugues", "pt-BR"}};

TEST(LanguageChoice, FollowsTheEnvironmentAndFallsBackToEnglish) {
  struct Case {
    const char* language;
    const char* lcAll;
    const char* lcMessages;
    const char* lang;
    const char* expected;  // "" is the built-in German
  };
  const Case cases[] = {
      {"", "", "", "C.UTF-8", "English"},  // the command-line tool spoke German here
      {"", "", "", "", "English"},
      {"", "", "", "POSIX", "English"},
      {"de", "", "", "C", "English"},  // as gettext: LANGUAGE counts only beside a real locale
      {"", "", "", "de_DE.UTF-8", ""},
      {"", "", "", "de_AT@euro", ""},
      {"", "", "", "pt_BR.UTF-8", "Portugues"},
      {"", "", "", "pt_PT.UTF-8", "English"},  // "pt" alone is not "pt-BR"
      {"", "", "", "fr_CA.UTF-8", "fr"},       // the language alone, by file name
      {"", "", "", "nl_NL.UTF-8", "English"},  // a file name that is not a tag matches nothing
      {"", "", "", "ja_JP.UTF-8", "English"},
      {"fr:de", "", "", "en_US.UTF-8", "fr"},
      {"ja:de:fr", "", "", "en_US.UTF-8", ""},                // German is the first that matches
      {"", "de_DE.UTF-8", "fr_FR.UTF-8", "pt_BR.UTF-8", ""},  // LC_ALL decides the locale
      {"", "", "fr_FR.UTF-8", "de_DE.UTF-8", "fr"},
      {"", "C", "", "de_DE.UTF-8", "English"},
      {"PT-br", "", "", "en_US", "Portugues"},  // case and "_" or "-" do not matter
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ChooseLanguageFile(WantedLanguageTags(c.language, c.lcAll, c.lcMessages, c.lang), kFiles), c.expected)
        << "LANGUAGE=" << c.language << " LC_ALL=" << c.lcAll << " LC_MESSAGES=" << c.lcMessages << " LANG=" << c.lang;
  }
  EXPECT_EQ(ChooseLanguageFile({"ja"}, {{"Nederlands", ""}}), "");  // no English file: the built-in German
}

TEST(LanguageChoice, ReadsTheCodeEachFileNames) {
  const test::TempDir dir;
  std::ofstream(dir.File("English.lng")) << "# comment\nLang|Language=English\nlang|code=en\n";
  std::ofstream(dir.File("fr.lng")) << "Lang|Language=Fran\xC3\xA7"
                                       "ais\n";
  std::ofstream(dir.File("notes.txt")) << "Lang|Code=de\n";
  const std::vector<TLanguageFile> files = ReadLanguageFiles(dir.Path().string());
  ASSERT_EQ(files.size(), 2u);
  EXPECT_EQ(files[0].Name, "English");
  EXPECT_EQ(files[0].Code, "en");
  EXPECT_EQ(files[1].Name, "fr");
  EXPECT_EQ(files[1].Code, "");
}

}  // namespace
}  // namespace tidewick
