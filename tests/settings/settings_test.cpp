#include "settings/settings.h"

#include <gtest/gtest.h>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "settings/settings_test_support.h"
#include "support/table_file.h"
#include "util/files.h"

namespace tidewick {
namespace {

using test::LoadSettingsText;
using test::LocationIn;
using test::TempDir;

std::string Wrap(const std::string& group, const std::string& element) {
  return "<?xml version=\"1.0\"?>\r\n<" + group + ">" + element + "</" + group + ">\r\n";
}

TEST(Settings, FreshFileHasEveryKeyInTheFixedOrder) {
  const TempDir dir;
  TSettings settings;
  const TSettingsLoadResult result = LoadSettings(settings, LocationIn(dir));
  EXPECT_EQ(result.Source, TSettingsSource::Defaults);
  EXPECT_FALSE(result.Damaged);
  ASSERT_TRUE(SaveSettings(settings));
  EXPECT_EQ(ReadFileToString(settings.SettingsFileName),
            ReadFileToString(test::DataPath("settings/fresh_settings.ini")));
  EXPECT_FALSE(FileExists(settings.SettingsFileName + ".bak"));  // nothing to back up on a fresh start
}

TEST(Settings, EveryValueSurvivesASaveAndLoad) {
  const TempDir dir;
  TSettings settings;
  LoadSettings(settings, LocationIn(dir));
  settings.Language = "English";
  settings.FormTop = -20;
  settings.MinOnClose = false;
  settings.LoadRemoteImages = true;
  settings.ProxyServer = "proxy.example.org & co <x>";
  settings.ProxyPort = 40000;
  settings.AutoReadList = {"Werbung", "Anzeige", "sponsored"};
  settings.UnreadColor = SystemColor(TSystemColor::Highlight);
  settings.TextFont = TFontRecord{"Arial Unicode", 12, 0x00FF00, true, false, true, true, 238};
  settings.UnreadOnly = true;  // a key the fresh file leaves out until it is set
  ASSERT_TRUE(SaveSettings(settings));
  // Booleans are written as digits.
  EXPECT_NE(ReadFileToString(settings.SettingsFileName).find("<MinOnClose>0</MinOnClose>"), std::string::npos);

  TSettings loaded;
  LoadSettings(loaded, LocationIn(dir));
  EXPECT_TRUE(static_cast<const TSettingsValues&>(loaded) == settings);
  loaded.UnreadOnly = false;  // once written, it is written on, also as off
  ASSERT_TRUE(SaveSettings(loaded));
  EXPECT_NE(ReadFileToString(settings.SettingsFileName).find("<UnreadOnly>0</UnreadOnly>"), std::string::npos);
}

TEST(Settings, ValuesFollowRangeRulesAndDefaults) {
  const TempDir dir;
  test::CheckTableFile("settings/values.tsv", 2, [&dir](const std::vector<std::string>& in) {
    const TSettings s = LoadSettingsText(dir, Wrap(in[0], in[1]));
    const std::pair<const char*, int64_t> values[] = {{"<Port>", s.ProxyPort},
                                                      {"<SortLastColumn>", s.SortLastColumn},
                                                      {"<DefaultDescTab>", s.DefaultDescTab},
                                                      {"<FormTop>", s.FormTop},
                                                      {"<Timeout>", s.Timeout},
                                                      {"<UnreadColor>", static_cast<int32_t>(s.UnreadColor)},
                                                      {"<WindowState>", s.WindowState},
                                                      {"<FormWidth", s.FormWidth},
                                                      {"<MinOnClose>", s.MinOnClose}};
    for (const auto& [element, value] : values) {
      if (in[1].starts_with(element)) {
        return std::to_string(value);
      }
    }
    return std::string("(unknown element)");
  });
}

TEST(Settings, AutoReadListHoldsOneTermPerLineAndALaterLoadReplacesIt) {
  const TempDir dir;
  TSettings settings = LoadSettingsText(dir, Wrap("Feeds", "<AutoReadList>eins\r\nzwei\r\ndrei</AutoReadList>"));
  EXPECT_EQ(settings.AutoReadList, (std::vector<std::string>{"eins", "zwei", "drei"}));
  for (const char* element : {"<AutoReadList></AutoReadList>", "<AutoReadList />"}) {
    ASSERT_TRUE(WriteStringToFile(settings.SettingsFileName, Wrap("Feeds", element)));
    LoadSettings(settings, LocationIn(dir));
    EXPECT_TRUE(settings.AutoReadList.empty()) << element;
  }
}

TEST(Settings, SwitchAppDataUsesTheCreatedUserFolder) {
  const TempDir dir;
  const std::string user = dir.File("config/Tidewick");
  const TSettingsLocation location = ChooseSettingsLocation(dir.File("tidewick"), false, true, user);
  EXPECT_TRUE(FolderExists(user));
  EXPECT_EQ(std::tie(location.UseProgramFolder, location.FolderUsable, location.SettingsFileName,
                     location.FeedsFileName, location.AppPath),
            std::tuple(false, true, user + "/Tidewick.ini", user + "/Feeds.xml", dir.Path().string() + "/"));
}

TEST(Settings, FilesLieBesideTheProgramFileUnlessItsFolderIsUnwritable) {
  const TSettingsLocation beside = ChooseSettingsLocation("/opt/tw/tidewick", true, true, "/u");
  EXPECT_EQ(std::tie(beside.SettingsFileName, beside.FeedsFileName),
            std::tuple("/opt/tw/tidewick.ini", "/opt/tw/Feeds.xml"));
  EXPECT_EQ(ChooseSettingsLocation("/opt/tw/Tidewick.exe", true, true, "/u").SettingsFileName, "/opt/tw/Tidewick.ini");
  const TempDir dir;
  const TSettingsLocation location = ChooseSettingsLocation("/usr/bin/tidewick", true, false, dir.File("Tidewick"));
  EXPECT_EQ(std::tie(location.UseProgramFolder, location.SettingsFileName, location.AppPath),
            std::tuple(false, dir.File("Tidewick") + "/Tidewick.ini", "/usr/bin/"));
  TSettings settings;
  LoadSettings(settings, location);
  EXPECT_FALSE(settings.UseProgramFolder);
  EXPECT_TRUE(SaveSettings(settings));
}

TEST(Settings, UserFolderThatCannotBeCreatedIsReported) {
  const TempDir dir;
  ASSERT_TRUE(WriteStringToFile(dir.File("file"), "x"));
  const TSettingsLocation location = ChooseSettingsLocation(dir.File("tidewick"), false, true, dir.File("file/sub"));
  EXPECT_FALSE(location.FolderUsable);
  TSettings settings;
  EXPECT_FALSE(LoadSettings(settings, location).FolderUsable);  // still loads defaults
  EXPECT_EQ(settings.Language, "Deutsch");
  EXPECT_FALSE(SaveSettings(settings));
}

}  // namespace
}  // namespace tidewick
