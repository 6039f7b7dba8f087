#include "ui/rules/language_menu.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "lang/lang_text.h"
#include "support/table_file.h"
#include "support/temp_dir.h"
#include "util/strings.h"

namespace tidewick {
namespace {

using test::TempDir;

std::vector<std::string> Captions(const std::vector<TLanguageMenuItem>& items, bool onlyChecked = false) {
  std::vector<std::string> captions;
  for (const TLanguageMenuItem& item : items) {
    if (item.Checked || !onlyChecked) {
      captions.push_back(item.Caption);
    }
  }
  return captions;
}

void WriteFile(const std::filesystem::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

TEST(LanguageMenu, ChecksTheSetLanguageElseBuiltInGerman) {
  test::CheckTableFile("ui/language_menu_checks.tsv", 2, [](const std::vector<std::string>& in) {
    const std::vector<std::string> files = in[0].empty() ? std::vector<std::string>{} : SplitToList(in[0], "|");
    const std::vector<std::string> checked = Captions(BuildLanguageMenu(files, in[1]), true);
    return checked.size() == 1 ? checked[0] : "(" + std::to_string(checked.size()) + " checked)";
  });
}

TEST(LanguageMenu, BuiltInGermanComesFirstAndAClickMovesTheCheckMark) {
  auto items = BuildLanguageMenu({"English.lng", "Nederlands.lng"}, "English");
  EXPECT_EQ(Captions(items), (std::vector<std::string>{"Deutsch (intern)", "English", "Nederlands"}));
  EXPECT_EQ(Captions(items, true), std::vector<std::string>{"English"});
  EXPECT_EQ(CheckLanguageItem(items, 2), "Nederlands");
  EXPECT_EQ(Captions(items, true), std::vector<std::string>{"Nederlands"});
  EXPECT_EQ(CheckLanguageItem(items, 0), "Deutsch (intern)");
  EXPECT_EQ(Captions(items, true), std::vector<std::string>{"Deutsch (intern)"});
  EXPECT_EQ(CheckLanguageItem(items, 9), "");
  EXPECT_EQ(Captions(items, true), std::vector<std::string>{"Deutsch (intern)"});
}

TEST(LanguageMenu, CaptionAlwaysOffersTheEnglishWordInTheLoadedLanguage) {
  EXPECT_EQ(LanguageMenuCaption("Sprache"), "Sprache / &Language");
  EXPECT_EQ(LanguageMenuCaption("Language"), "&Language");
  EXPECT_EQ(LanguageMenuCaption("language"), "language / &Language");
  EXPECT_EQ(LanguageMenuCaption("Language "), "Language  / &Language");
  // Without an argument it follows the loaded language.
  LoadLanguageFile("");
  EXPECT_EQ(LanguageMenuCaption(), "Sprache / &Language");
  ASSERT_TRUE(LoadLanguageFile(test::DataPath("lang/Sample.lng")));
  EXPECT_EQ(LanguageMenuCaption(), "&Language");
  LoadLanguageFile("");
}

TEST(LanguageMenu, ListsOnlyPlainLngFilesSortedByName) {
  TempDir dir;
  WriteFile(dir.Path() / "Nederlands.lng", "");
  WriteFile(dir.Path() / "english.lng", "");
  WriteFile(dir.Path() / "English.bmp", "");
  WriteFile(dir.Path() / "Readme.txt", "");
  WriteFile(dir.Path() / ".lng", "");
  WriteFile(dir.Path() / "Old.lng.bak", "");
  std::filesystem::create_directory(dir.Path() / "Folder.lng");
  std::filesystem::create_symlink(dir.Path() / "Nederlands.lng", dir.Path() / "Dutch.lng");
  EXPECT_EQ(ListLanguageFiles(dir.Path().string()),
            (std::vector<std::string>{"Dutch.lng", "english.lng", "Nederlands.lng"}));
  EXPECT_TRUE(ListLanguageFiles((dir.Path() / "Missing").string()).empty());
}

TEST(LanguageMenu, SwitchLoadsTheFileBesideTheProgramOrFallsBackToGerman) {
  EXPECT_EQ(LanguageFolder("/opt/tidewick"), "/opt/tidewick/Language/");
  EXPECT_EQ(LanguageFilePath("/opt/tidewick/", "English"), "/opt/tidewick/Language/English.lng");
  TempDir dir;
  std::filesystem::create_directory(dir.Path() / "Language");
  WriteFile(dir.Path() / "Language" / "English.lng", "Main|sbMainReady=Ready.\n");
  const std::string appPath = dir.Path().string() + "/";

  EXPECT_TRUE(SwitchLanguage(appPath, "English"));
  EXPECT_EQ(GetLangText("Main|sbMainReady", "Bereit."), "Ready.");
  EXPECT_FALSE(SwitchLanguage(appPath, kBuiltInLanguage));
  EXPECT_EQ(GetLangText("Main|sbMainReady", "Bereit."), "Bereit.");
  LoadLanguageFile("");
}

}  // namespace
}  // namespace tidewick
