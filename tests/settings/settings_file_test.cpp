// How the settings file on disk is treated: unknown elements, backups, damaged files.
#include <algorithm>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <tuple>

#include "settings/settings.h"
#include "settings/settings_damage.h"
#include "settings/settings_test_support.h"
#include "util/files.h"

namespace tidewick {
namespace {

namespace fs = std::filesystem;
using test::LoadSettingsText;
using test::LocationIn;
using test::TempDir;

const std::string kHandWritten =
    "<?xml version=\"1.0\"?>\r\n"
    "<Feeds>\r\n"
    "  <Structure>kept|tree</Structure>\r\n"
    "  <MyOwnNote attr=\"x\">hand made</MyOwnNote>\r\n"
    "</Feeds>\r\n"
    "<Extra>\r\n"
    "  <Deep>value</Deep>\r\n"
    "</Extra>\r\n"
    "<Language>English</Language>\r\n";

std::string Bak(const TSettings& s) {
  return s.SettingsFileName + ".bak";
}
// The kept copies of a damaged file: "<name>.damaged-<UTC time>".
std::vector<std::string> DamagedCopies(const std::string& fileName) {
  return test::FilesStartingWith(fileName + ".damaged-");
}
std::string Damaged(const TSettings& s) {
  const std::vector<std::string> copies = DamagedCopies(s.SettingsFileName);
  EXPECT_EQ(copies.size(), 1u);
  return copies.empty() ? std::string() : copies.front();
}

TEST(SettingsFile, ExistingOrderAndUnknownElementsSurviveASaveAndTheOldFileIsKept) {
  const TempDir dir;
  TSettings settings = LoadSettingsText(dir, kHandWritten);
  EXPECT_EQ(settings.Structure, "kept|tree");
  EXPECT_EQ(settings.Language, "English");
  ASSERT_TRUE(SaveSettings(settings));
  EXPECT_EQ(ReadFileToString(Bak(settings)), kHandWritten);  // the previous good file is kept
  const std::string text = ReadFileToString(settings.SettingsFileName);
  EXPECT_NE(text.find("  <MyOwnNote attr=\"x\">hand made</MyOwnNote>\r\n"), std::string::npos) << text;
  EXPECT_NE(text.find("<Extra>\r\n  <Deep>value</Deep>\r\n</Extra>\r\n"), std::string::npos) << text;
  // The file's own order stays: Feeds, Extra, Language; new groups follow.
  EXPECT_LT(text.find("<Feeds>"), text.find("<Extra>"));
  EXPECT_LT(text.find("<Extra>"), text.find("<Language>"));
  EXPECT_LT(text.find("<Language>"), text.find("<Window>"));
  EXPECT_LT(text.find("<Structure>"), text.find("<MyOwnNote"));
  EXPECT_LT(text.find("<MyOwnNote"), text.find("<AutoUpdate>"));
  // Loading and saving again gives the same file; a changed save keeps the one before as backup.
  TSettings again;
  LoadSettings(again, LocationIn(dir));
  ASSERT_TRUE(SaveSettings(again));
  EXPECT_EQ(ReadFileToString(again.SettingsFileName), text);
  again.FormTop = 99;
  ASSERT_TRUE(SaveSettings(again));
  EXPECT_NE(ReadFileToString(again.SettingsFileName), text);
  EXPECT_EQ(ReadFileToString(Bak(again)), text);
  EXPECT_TRUE(DamagedCopies(again.SettingsFileName).empty());
}

TEST(SettingsFile, DamagedFileGivesDefaultsAndIsKeptBeforeBeingReplaced) {
  for (const std::string& text :
       {std::string(), std::string("Language=Deutsch\n"), std::string("\0\x01\xFF\xFE<<>>&&", 11),
        std::string("<?xml version=\"1.0\"?>\r\n<Window>\r\n  <Form")}) {
    SCOPED_TRACE(text);
    const TempDir dir;
    TSettingsLoadResult result;
    TSettings settings = LoadSettingsText(dir, text, &result);
    EXPECT_TRUE(result.Damaged);
    EXPECT_EQ(result.Source, TSettingsSource::File);
    EXPECT_EQ(std::tie(settings.FormWidth, settings.ProxyPort), std::tuple(700, 8080));
    ASSERT_TRUE(SaveSettings(settings));
    EXPECT_EQ(ReadFileToString(Damaged(settings)), text);
    EXPECT_FALSE(FileExists(Bak(settings)));  // a damaged file is no backup

    TSettings reloaded;
    EXPECT_FALSE(LoadSettings(reloaded, LocationIn(dir)).Damaged);
    EXPECT_EQ(reloaded.FormWidth, 700);
  }
}

// A damaged backup is no help: the cut file itself gives what can still be read.
TEST(SettingsFile, CutShortFileKeepsWhatCanBeReadWhenTheBackupIsDamagedToo) {
  const TempDir dir;
  ASSERT_TRUE(WriteStringToFile(LocationIn(dir).SettingsFileName + ".bak", kHandWritten.substr(0, 70)));
  TSettingsLoadResult result;
  const TSettings settings = LoadSettingsText(
      dir, "<?xml version=\"1.0\"?>\r\n<Language>English</Language>\r\n<Feeds>\r\n  <Structure>a|b", &result);
  EXPECT_TRUE(result.Damaged);
  EXPECT_TRUE(result.BackupDamaged);
  EXPECT_EQ(result.Source, TSettingsSource::File);
  EXPECT_EQ(settings.Language, "English");
  // Both are kept, and the user learns which values were lost and where the copies are.
  const TDamagedSettingsCopies copies = KeepDamagedSettingsFiles(settings.SettingsFileName, result);
  EXPECT_EQ(ReadFileToString(copies.Backup), kHandWritten.substr(0, 70));
  EXPECT_NE(ReadFileToString(copies.File).find("<Structure>a|b"), std::string::npos);
  EXPECT_TRUE(std::ranges::find(result.DefaultedKeys, "Window\\FormTop") != result.DefaultedKeys.end());
  EXPECT_TRUE(std::ranges::find(result.DefaultedKeys, "Language") == result.DefaultedKeys.end());
  const std::string message = SettingsDamageMessage(settings.SettingsFileName, result, copies);
  for (const std::string& part : {copies.File, copies.Backup, std::string("Window\\FormTop")}) {
    EXPECT_NE(message.find(part), std::string::npos) << part << "\n" << message;
  }
}

TEST(SettingsFile, ACompleteBackupIsLoadedInsteadOfADamagedFile) {
  const TempDir dir;
  const TSettingsLocation location = LocationIn(dir);
  ASSERT_TRUE(WriteStringToFile(location.SettingsFileName + ".bak", kHandWritten));
  const std::string cut = kHandWritten.substr(0, 60);
  TSettingsLoadResult result;
  TSettings settings = LoadSettingsText(dir, cut, &result);
  EXPECT_TRUE(result.Damaged);
  EXPECT_EQ(result.Source, TSettingsSource::Backup);
  EXPECT_EQ(settings.Structure, "kept|tree");
  EXPECT_EQ(settings.Language, "English");
  ASSERT_TRUE(SaveSettings(settings));
  EXPECT_EQ(ReadFileToString(Damaged(settings)), cut);
  EXPECT_EQ(ReadFileToString(Bak(settings)), kHandWritten);
  EXPECT_NE(ReadFileToString(settings.SettingsFileName).find("<MyOwnNote"), std::string::npos);
}

// Fault guarded: 100,000 nested elements were read whole and written back indented by their depth (gigabytes, no
// end). Beyond the reader's limits the file counts as damaged: what lies too deep is skipped and the rest read; a
// file too large, or one whose tree would be, is not used at all (its copy is kept).
TEST(SettingsFile, NestingOrSizeBeyondTheReaderLimitsIsADamagedFile) {
  const auto repeat = [](std::string_view text, int count) {
    std::string repeated;
    for (int i = 0; i < count; ++i) {
      repeated += text;
    }
    return repeated;
  };
  const auto nested = [&](int depth) { return repeat("<a>", depth) + repeat("</a>", depth); };
  const std::string head = "<?xml version=\"1.0\"?>\r\n<Language>English</Language>\r\n";
  const std::string port = "<Proxy><Port>81</Port></Proxy>\r\n";
  const std::tuple<std::string, bool, bool> cases[] = {
      {head + "<Deep>" + nested(100000) + "</Deep>\r\n" + port, true, true},
      {head + "<Deep>" + nested(kMaxSettingsDepth) + "</Deep>\r\n" + port, true, true},
      {head + "<Deep>" + nested(kMaxSettingsDepth - 1) + "</Deep>\r\n" + port, false, true},
      {head + port + "<Pad>" + std::string(kMaxSettingsFileBytes, 'x') + "</Pad>\r\n", true, false},
      {head + port + "<Many>" + repeat("<a/>", kMaxSettingsFileBytes / 5) + "</Many>\r\n", true, false},
  };
  for (const auto& [text, damaged, valuesRead] : cases) {
    const TempDir dir;
    TSettingsLoadResult result;
    TSettings settings = LoadSettingsText(dir, text, &result);
    ASSERT_EQ(result.Damaged, damaged) << text.size();
    EXPECT_EQ(settings.Language, valuesRead ? "English" : "Deutsch") << text.size();
    EXPECT_EQ(settings.ProxyPort, valuesRead ? 81 : 8080) << text.size();
    ASSERT_TRUE(SaveSettings(settings));
    EXPECT_LT(ReadFileToString(settings.SettingsFileName).size(), 16000u);
  }
}

TEST(SettingsFile, TheDamagedFileIsLeftAloneWhenItCannotBeKept) {
  const TempDir dir;
  TSettings settings = LoadSettingsText(dir, "garbage");
  // Every name the copy could take in the next seconds is taken.
  const std::time_t now = std::time(nullptr);
  for (std::time_t second = now; second < now + 4; ++second) {
    char stamp[32];
    std::tm utc{};
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", gmtime_r(&second, &utc));
    const std::string base = settings.SettingsFileName + ".damaged-" + stamp;
    for (int attempt = 1; attempt <= 100; ++attempt) {
      std::ofstream(attempt == 1 ? base : base + "-" + std::to_string(attempt));
    }
  }
  EXPECT_FALSE(SaveSettings(settings));
  EXPECT_EQ(ReadFileToString(settings.SettingsFileName), "garbage");
}

TEST(SettingsFile, KeysHoldingTheWrongKindOfContentAreRepaired) {
  const TempDir dir;
  TSettings settings = LoadSettingsText(dir,
                                        "<?xml version=\"1.0\"?>\r\n<Window>junk<Keep>1</Keep></Window>\r\n"
                                        "<Language><Nested /></Language>\r\n");
  settings.FormTop = 77;
  settings.Language = "English";
  ASSERT_TRUE(SaveSettings(settings));
  TSettings loaded;
  LoadSettings(loaded, LocationIn(dir));
  EXPECT_EQ(loaded.FormTop, 77);
  EXPECT_EQ(loaded.Language, "English");
  EXPECT_NE(ReadFileToString(loaded.SettingsFileName).find("<Keep>1</Keep>"), std::string::npos);
}

// Every prefix of a real file, and random bytes: never a crash; saved, a file that reads completely afterwards.
TEST(SettingsFile, AnyCutOrGarbageLoadsAndSaves) {
  const TempDir dir;
  const std::string plain = ReadFileToString(test::DataPath("settings/fresh_settings.ini"));
  const std::string latin1 =
      "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n<Language>Fran\xE7\x61is</Language>\r\n"
      "<Feeds>\r\n  <AutoReadList>Gr\xFC\xDF\x65\r\nx</AutoReadList>\r\n</Feeds>\r\n";
  std::mt19937 random(42);
  for (const std::string& full : {plain, latin1}) {
    for (size_t round = 0; round < full.size() + 50; ++round) {
      std::string text = full.substr(0, round);
      if (round >= full.size()) {
        text.resize(round % 200);
        for (char& c : text) {
          c = "<>/=\"&;?! \r\nab\xFC"[random() % 15];
        }
      }
      const TSettingsLocation location = LocationIn(dir);
      fs::remove(location.SettingsFileName + ".bak");
      std::ofstream(location.SettingsFileName, std::ios::binary | std::ios::trunc) << text;
      TSettings settings;
      LoadSettings(settings, location);
      if (round % 37 != 0) {
        continue;  // saving syncs to disk: a sample of the cuts is enough
      }
      ASSERT_TRUE(SaveSettings(settings)) << round;
      TSettings reloaded;
      const TSettingsLoadResult result = LoadSettings(reloaded, LocationIn(dir));
      ASSERT_FALSE(result.Damaged) << round << ": " << text;
      ASSERT_EQ(reloaded.Language, settings.Language) << round << ": " << text;
      ASSERT_EQ(reloaded.AutoReadList, settings.AutoReadList) << round << ": " << text;
    }
  }
}

TEST(SettingsFile, ALatin1FileIsReadAndWrittenBackInItsEncoding) {
  const TempDir dir;
  TSettings settings = LoadSettingsText(
      dir, "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n<Language>Fran\xE7\x61is</Language>\r\n");
  EXPECT_EQ(settings.Language, "Français");
  settings.ProxyServer = "ß€";
  ASSERT_TRUE(SaveSettings(settings));
  const std::string text = ReadFileToString(settings.SettingsFileName);
  EXPECT_NE(text.find("<Language>Fran\xE7\x61is</Language>"), std::string::npos);
  TSettings loaded;
  LoadSettings(loaded, LocationIn(dir));
  EXPECT_EQ(loaded.ProxyServer, "ß€");
}

}  // namespace
}  // namespace tidewick
