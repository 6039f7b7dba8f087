#include "settings/settings_damage.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <optional>
#include <vector>

#include "lang/lang_text.h"
#include "platform/file_io.h"
#include "util/strings.h"

namespace tidewick {
namespace {

struct TNotedFile {
  std::string Path;
  TFileVersion Version;
  std::string Copy;  // where it was kept; empty until then
};

std::mutex g_notedMutex;
std::vector<TNotedFile> g_noted;

// The note of fileName when the file is still the version that was found damaged (g_notedMutex held).
TNotedFile* FindStillDamaged(const std::string& fileName) {
  const std::optional<TFileVersion> version = FileVersionOf(fileName);
  if (!version) {
    return nullptr;
  }
  const auto found = std::find_if(g_noted.begin(), g_noted.end(), [&](const TNotedFile& noted) {
    return noted.Path == fileName && noted.Version == *version;
  });
  return found == g_noted.end() ? nullptr : &*found;
}

// Keeps the copy of a file still damaged unless that was done; its name, empty when it is not damaged (any more).
// False when the copy failed. The lock is held while copying, so two saves never both copy one file.
bool KeepNoted(const std::string& fileName, std::string& copy) {
  const std::lock_guard lock(g_notedMutex);
  TNotedFile* noted = FindStillDamaged(fileName);
  if (noted == nullptr) {
    copy.clear();
    return true;
  }
  if (noted->Copy.empty()) {
    noted->Copy = KeepDatedCopy(fileName, ".damaged");
  }
  copy = noted->Copy;
  return !copy.empty();
}

std::string Sentence(const char* key, const char* german, std::string_view param = kNoParams) {
  return GetLangText(key, german, param);
}

}  // namespace

void NoteDamagedSettingsFile(const std::string& fileName) {
  const std::optional<TFileVersion> version = FileVersionOf(fileName);
  const std::lock_guard lock(g_notedMutex);
  std::erase_if(g_noted, [&](const TNotedFile& noted) { return noted.Path == fileName; });
  if (version) {
    g_noted.push_back({fileName, *version, {}});
  }
}

bool IsDamagedSettingsFile(const std::string& fileName) {
  const std::lock_guard lock(g_notedMutex);
  return FindStillDamaged(fileName) != nullptr;
}

bool KeepDamagedSettingsFileBeforeReplacing(const std::string& fileName) {
  std::string copy;
  return KeepNoted(fileName, copy);
}

TDamagedSettingsCopies KeepDamagedSettingsFiles(const std::string& settingsFileName, const TSettingsLoadResult& load) {
  TDamagedSettingsCopies copies;
  if (load.Damaged && !KeepNoted(settingsFileName, copies.File)) {
    copies.Error = errno;
  }
  if (load.BackupDamaged && !KeepNoted(settingsFileName + std::string(kBackupSuffix), copies.Backup)) {
    copies.Error = errno;
  }
  return copies;
}

std::string SettingsDamageMessage(const std::string& settingsFileName, const TSettingsLoadResult& load,
                                  const TDamagedSettingsCopies& copies) {
  const std::string backupName = settingsFileName + std::string(kBackupSuffix);
  std::vector<std::string> text{
      Sentence("Main|SettingsDamaged", "Die Einstellungsdatei \"%s1%\" war beschädigt.", settingsFileName)};
  if (load.Source == TSettingsSource::Backup) {
    text.push_back(Sentence("Main|SettingsBackupLoaded",
                            "Ihre Sicherung \"%s1%\" wurde geladen; Änderungen seit dieser Sicherung fehlen.",
                            backupName));
  } else if (load.BackupDamaged) {
    text.push_back(
        Sentence("Main|SettingsBackupDamaged", "Ihre Sicherung \"%s1%\" war ebenfalls beschädigt.", backupName));
  } else {
    text.push_back(Sentence("Main|SettingsNoBackup", "Es gibt keine Sicherung von ihr."));
  }
  if (!load.AnyKeyRead) {
    text.push_back(
        Sentence("Main|SettingsAllLost",
                 "Alle Einstellungen haben wieder ihre Vorgaben, auch die Ordner der Feeds und die Sprache."));
  } else if (!load.DefaultedKeys.empty()) {
    text.push_back(Sentence("Main|SettingsSomeLost",
                            "Diese Einstellungen konnten nicht gelesen werden und haben wieder ihre Vorgaben: %s1%.",
                            JoinStrings(load.DefaultedKeys, ", ")));
  }
  const std::string reason = std::strerror(copies.Error);
  if (load.Damaged) {
    text.push_back(
        !copies.File.empty()
            ? Sentence("Main|SettingsDamagedKept", "Die beschädigte Datei wurde als \"%s1%\" aufbewahrt.", copies.File)
            : Sentence("Main|SettingsDamagedNotKept",
                       "Von der beschädigten Datei konnte keine Kopie angelegt werden (%s1%); sie wird "
                       "nicht überschrieben, und die Einstellungen werden nicht gespeichert.",
                       reason));
  }
  if (load.BackupDamaged) {
    text.push_back(!copies.Backup.empty()
                       ? Sentence("Main|SettingsBackupDamagedKept",
                                  "Die beschädigte Sicherung wurde als \"%s1%\" aufbewahrt.", copies.Backup)
                       : Sentence("Main|SettingsBackupDamagedNotKept",
                                  "Von der beschädigten Sicherung konnte keine Kopie angelegt werden (%s1%); sie wird "
                                  "nicht erneuert.",
                                  reason));
  }
  return JoinStrings(text, " ");
}

}  // namespace tidewick
