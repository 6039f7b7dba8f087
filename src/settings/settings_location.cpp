#include <filesystem>

#include "platform/paths.h"
#include "settings/settings.h"

namespace tidewick {

namespace fs = std::filesystem;

TSettingsLocation ChooseSettingsLocation(const std::string& programFile, bool useProgramFolder,
                                         bool programFolderWritable, const std::string& userFolder) {
  TSettingsLocation location;
  const fs::path program(programFile);
  location.AppPath = program.parent_path().string();
  if (location.AppPath.empty() || location.AppPath.back() != kPathSeparator) {
    location.AppPath.push_back(kPathSeparator);
  }
  // An installed program cannot write beside itself: its settings would be lost at every exit.
  location.UseProgramFolder = useProgramFolder && programFolderWritable;
  if (location.UseProgramFolder) {
    location.SettingsFileName = fs::path(program).replace_extension(".ini").string();
    location.FeedsFileName = location.AppPath + "Feeds.xml";
    return location;
  }
  location.FolderUsable = !userFolder.empty() && EnsureFolder(userFolder);
  location.SettingsFileName = (fs::path(userFolder) / "Tidewick.ini").string();
  location.FeedsFileName = (fs::path(userFolder) / "Feeds.xml").string();
  return location;
}

TSettingsLocation ChooseSettingsLocation(bool useProgramFolder) {
  const std::string programFile = ProgramFilePath();
  // An installed program never writes into a system folder, even when run by root.
  const bool writable =
      useProgramFolder && !IsInstalledLayout() && IsFolderWritable(fs::path(programFile).parent_path().string());
  return ChooseSettingsLocation(programFile, useProgramFolder, writable, UserDataFolder());
}

}  // namespace tidewick
