#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_io.h"
#include "util/colors.h"
#include "util/proxy.h"
#include "xml/xml_doc.h"

namespace tidewick {

// Shown (untranslated: no language is loaded yet) when the per-user folder can neither be found nor created.
inline constexpr std::string_view kSettingsFolderErrorText = "Loading or saving the settings is not possible!";

// The text view's design font: Tahoma, 8 points, window-text colour, regular, default character set.
TFontRecord DefaultTextFont();

// Every value of the settings record. Plain data, so a dialog or a worker can take a copy
// (`TSettingsValues copy = Settings();`); the settings file itself is only read and written through TSettings.
struct TSettingsValues {
  // Not stored: set by the start-up and by LoadSettings.
  std::string AppPath;  // program folder with a trailing separator
  bool UseProgramFolder = true;
  std::string SettingsFileName;
  std::string Language = "Deutsch";
  std::string FeedsFileName;
  // Stored.
  std::string Structure;
  std::string PathList;
  std::string LastSelectedPath;
  bool AutoUpdate = true;
  bool FeedsAutoUpdateAtStart = true;
  bool FeedsUpdateOnDblClick = false;
  int32_t WindowState = 2;
  bool Minimized = false;
  int32_t FormTop = 50;
  int32_t FormLeft = 50;
  int32_t FormWidth = 700;
  int32_t FormHeight = 500;
  int32_t FormSplitterV = 200;
  int32_t FormSplitterH = 150;
  bool MinOnClose = true;
  bool DontStartMinimized = false;
  bool MinToSysTray = true;
  bool ShowPopupWindow = true;
  bool TrayBlink = true;
  bool PlaySound = false;
  std::string PlaySoundFileName;
  std::vector<std::string> AutoReadList;
  int32_t Timeout = 10;
  bool GroupInFolders = false;
  bool UnreadUseColor = true;
  TColor UnreadColor = 128;
  bool ShowUnreadFirst = true;
  TFontRecord TextFont = DefaultTextFont();
  int32_t LastDescTab = 0;
  int32_t DefaultDescTab = 0;
  int32_t DefaultTTL = 60;
  bool DetailAutoSize = true;
  bool ShowUnreadCount = false;
  bool ShowFolderUnreadCount = false;  // folders and the root show the sum of the feeds below
  bool AutoSort = true;
  int32_t SortLastColumn = 1;
  bool SortAscending = false;
  bool UnreadOnly = false;  // the entry list shows unread entries only
  int32_t PopupFormWidth = 250;
  int32_t PopupFormHeight = 350;
  int32_t ProxyMode = 0;
  std::string ProxyServer;
  int32_t ProxyPort = 8080;
  int32_t UseWebBrowser = 0;
  std::string WebBrowser;
  bool LoadRemoteImages = false;  // the entry view loads pictures from the web without asking
  bool WindowOnTop = false;
  bool ShowRefreshErrorMsg = true;

  bool operator==(const TSettingsValues&) const = default;
};

// The proxy fetches take, read from the record's flat Proxy fields (the settings file keeps its keys).
TProxy ProxyFrom(const TSettingsValues& settings);

// The settings record with its document. The document lives from loading to the end so that elements the program
// does not know are written back unchanged. Owned by the main thread; workers get copies of the values they need.
struct TSettings : TSettingsValues {
  std::unique_ptr<TXmlDoc> SettingsDoc;
};

// The process-wide record (main thread only).
TSettings& Settings();

// Where the settings file and the feed store live.
struct TSettingsLocation {
  std::string AppPath;  // program folder with a trailing separator
  std::string SettingsFileName;
  std::string FeedsFileName;
  bool UseProgramFolder = true;  // false: the per-user folder is used
  bool FolderUsable = true;      // false: the per-user folder could neither be found nor created
};

// Beside the program ("<program file name>.ini" with its extension replaced, and "Feeds.xml") when
// `useProgramFolder` and the program folder is writable; otherwise in `userFolder` ("Tidewick.ini", "Feeds.xml"),
// which is created when missing.
TSettingsLocation ChooseSettingsLocation(const std::string& programFile, bool useProgramFolder,
                                         bool programFolderWritable, const std::string& userFolder);
// The same for the running program and the real per-user folder.
TSettingsLocation ChooseSettingsLocation(bool useProgramFolder);

enum class TSettingsSource {
  Defaults,  // no file: every value is its default
  File,      // the settings file (possibly only partly readable)
  Backup,    // the settings file was damaged and its complete ".bak" was read instead
};

struct TSettingsLoadResult {
  TSettingsSource Source = TSettingsSource::Defaults;
  bool Damaged = false;        // the settings file was there but could not be read completely
  bool BackupDamaged = false;  // so was its backup, which was tried instead
  // With Damaged: whether the document used held any stored key, and the stored keys it did not hold (they have
  // their defaults).
  bool AnyKeyRead = false;
  std::vector<std::string> DefaultedKeys;
  bool FolderUsable = true;  // false: show kSettingsFolderErrorText and end the program after start-up
  // The document names a language (not blank): the user's or an earlier start's choice, which always wins.
  bool LanguageStored = false;
};

// Sets the paths from `location`, reads the file (or its backup, see above) into a fresh SettingsDoc and fills every
// stored value, applying defaults and the range rules. Never fails: what cannot be read keeps its default.
TSettingsLoadResult LoadSettings(TSettings& settings, const TSettingsLocation& location);
// Chooses the location from settings.UseProgramFolder first.
TSettingsLoadResult LoadSettings(TSettings& settings);

// Writes every stored value into SettingsDoc and replaces the settings file atomically. The previous file is kept
// as "<name>.bak", unless LoadSettings found it damaged: then a copy of it is kept once under a name of its own
// (settings_damage.h; if that copy cannot be made, the file is left alone). True when the file was written.
bool SaveSettings(TSettings& settings);
// The same with the reason of a failure.
TFileSaveResult SaveSettingsFile(TSettings& settings);

// The settings reader's limits, the same for the window and tidewick-feed. A file nested deeper is read without
// what lies too deep; a larger one, or one whose tree would take more memory, is not used. Either counts as damaged.
inline constexpr int kMaxSettingsDepth = 32;
inline constexpr std::size_t kMaxSettingsFileBytes = std::size_t{4} << 20;
inline constexpr std::size_t kMaxSettingsTreeBytes = std::size_t{32} << 20;

// Suffix of the kept previous file.
inline constexpr std::string_view kBackupSuffix = ".bak";

}  // namespace tidewick
