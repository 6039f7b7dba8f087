#include "lang/language_choice.h"

#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "support/table_file.h"
#include "support/temp_dir.h"

namespace tidewick {
namespace {

// The shipped English file, a Brazilian one that names its tag, and two that name none and so are known by their
// file names only ("fr" matches, "Nederlands" never does).
const std::vector<TLanguageFile> kFiles = {{"English", "en"}, {"fr", ""}, {"Nederlands", ""}, {"Portugues", "pt-BR"}};

TEST(LanguageChoice, FollowsTheEnvironmentAndFallsBackToEnglish) {
  test::CheckTableFile("lang/language_choice.tsv", 4, [](const std::vector<std::string>& in) {
    return ChooseLanguageFile(WantedLanguageTags(in[0], in[1], in[2], in[3]), kFiles);
  });
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
