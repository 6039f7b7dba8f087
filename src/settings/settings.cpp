#include "settings/settings.h"

#include <cerrno>
#include <limits>
#include <optional>
#include <type_traits>
#include <variant>

#include "platform/file_io.h"
#include "settings/settings_damage.h"
#include "util/case_fold.h"
#include "util/colors.h"
#include "util/files.h"
#include "util/strings.h"

namespace tidewick {
namespace {

using TMember = std::variant<std::string TSettingsValues::*, int32_t TSettingsValues::*, bool TSettingsValues::*,
                             std::vector<std::string> TSettingsValues::*, TFontRecord TSettingsValues::*>;

struct TStoredKey {
  std::string_view Path;
  TMember Member;
  // Written only once it is set (a true bool), so a file that never used it stays as an older version wrote it.
  bool OnlyWhenSet = false;
};

using V = TSettingsValues;

// Every stored value in the order it is written; a file created from nothing therefore has its elements in this
// order (the Proxy group comes between Window and Feeds because "WindowOnTop" is followed by the proxy keys).
const TStoredKey kStoredKeys[] = {
    {"Language", &V::Language},
    {"Window\\WindowState", &V::WindowState},
    {"Window\\Minimized", &V::Minimized},
    {"Window\\FormTop", &V::FormTop},
    {"Window\\FormLeft", &V::FormLeft},
    {"Window\\FormWidth", &V::FormWidth},
    {"Window\\FormHeight", &V::FormHeight},
    {"Window\\FormSplitterV", &V::FormSplitterV},
    {"Window\\FormSplitterH", &V::FormSplitterH},
    {"Window\\LastDescTab", &V::LastDescTab},
    {"Window\\DefaultDescTab", &V::DefaultDescTab},
    {"Window\\WindowOnTop", &V::WindowOnTop},
    {"Proxy\\Mode", &V::ProxyMode},
    {"Proxy\\Server", &V::ProxyServer},
    {"Proxy\\Port", &V::ProxyPort},
    {"Window\\MinOnClose", &V::MinOnClose},
    {"Window\\DontStartMinimized", &V::DontStartMinimized},
    {"Window\\MinToSysTray", &V::MinToSysTray},
    {"Window\\ShowPopupWindow", &V::ShowPopupWindow},
    {"Window\\TrayBlink", &V::TrayBlink},
    {"Window\\PlaySound", &V::PlaySound},
    {"Window\\PlaySoundFileName", &V::PlaySoundFileName},
    {"Window\\DetailAutoSize", &V::DetailAutoSize},
    {"Window\\ShowRefreshErrorMsg", &V::ShowRefreshErrorMsg},
    {"Window\\PopupFormWidth", &V::PopupFormWidth},
    {"Window\\PopupFormHeight", &V::PopupFormHeight},
    {"Feeds\\Structure", &V::Structure},
    {"Feeds\\PathList", &V::PathList},
    {"Feeds\\LastSelectedPath", &V::LastSelectedPath},
    {"Feeds\\AutoUpdate", &V::AutoUpdate},
    {"Feeds\\FeedsAutoUpdateAtStart", &V::FeedsAutoUpdateAtStart},
    {"Feeds\\FeedsUpdateOnDblClick", &V::FeedsUpdateOnDblClick},
    {"Feeds\\AutoReadList", &V::AutoReadList},
    {"Feeds\\Timeout", &V::Timeout},
    {"Feeds\\GroupInFolders", &V::GroupInFolders},
    {"Feeds\\UnreadUseColor", &V::UnreadUseColor},
    {"Feeds\\UnreadColor", &V::UnreadColor},
    {"Feeds\\ShowUnreadFirst", &V::ShowUnreadFirst},
    {"Feeds\\TextFont", &V::TextFont},
    {"Feeds\\DefaultTTL", &V::DefaultTTL},
    {"Feeds\\ShowUnreadCount", &V::ShowUnreadCount},
    {"Feeds\\ShowFolderUnreadCount", &V::ShowFolderUnreadCount},
    {"Feeds\\AutoSort", &V::AutoSort},
    {"Feeds\\SortLastColumn", &V::SortLastColumn},
    {"Feeds\\SortAscending", &V::SortAscending},
    {"Feeds\\UnreadOnly", &V::UnreadOnly, true},
    {"Browser\\UseWebBrowser", &V::UseWebBrowser},
    {"Browser\\WebBrowser", &V::WebBrowser},
    {"Browser\\LoadRemoteImages", &V::LoadRemoteImages},
};

struct TRangeRule {
  int32_t V::*Member;
  int32_t Low;
  int32_t High;
  int32_t Replacement;
};

// Values outside are replaced silently. The proxy port takes every TCP port.
constexpr TRangeRule kRangeRules[] = {
    {&V::DefaultDescTab, 0, 2, 0},
    {&V::ProxyPort, 0, 65535, 8080},
    {&V::SortLastColumn, 0, 2, 1},
};

// Integers are 32-bit: a number that does not fit reads as not a number.
int32_t ReadInteger(const TXmlDoc& doc, std::string_view path, int32_t defaultValue) {
  const int64_t value = doc.GetInteger(path, defaultValue);
  const bool fits = value >= std::numeric_limits<int32_t>::min() && value <= std::numeric_limits<int32_t>::max();
  return fits ? static_cast<int32_t>(value) : defaultValue;
}

void ReadKey(const TXmlDoc& doc, const TStoredKey& key, const TSettingsValues& defaults, TSettingsValues& values) {
  std::visit(
      [&](auto member) {
        using T = std::remove_cvref_t<decltype(values.*member)>;
        if constexpr (std::is_same_v<T, std::string>) {
          values.*member = doc.GetValue(key.Path, defaults.*member);
        } else if constexpr (std::is_same_v<T, int32_t>) {
          values.*member = ReadInteger(doc, key.Path, defaults.*member);
        } else if constexpr (std::is_same_v<T, bool>) {
          values.*member = doc.GetBoolean(key.Path, defaults.*member);
        } else if constexpr (std::is_same_v<T, TFontRecord>) {
          values.*member = doc.GetFont(key.Path, defaults.*member);
        } else {
          values.*member = SplitLines(doc.GetValue(key.Path));
        }
      },
      key.Member);
}

void WriteKey(TXmlDoc& doc, const TStoredKey& key, const TSettingsValues& values) {
  std::visit(
      [&](auto member) {
        using T = std::remove_cvref_t<decltype(values.*member)>;
        if constexpr (std::is_same_v<T, std::string>) {
          doc.SetValue(key.Path, values.*member);
        } else if constexpr (std::is_same_v<T, int32_t>) {
          doc.SetInteger(key.Path, values.*member);
        } else if constexpr (std::is_same_v<T, bool>) {
          doc.SetBoolean(key.Path, values.*member);
        } else if constexpr (std::is_same_v<T, TFontRecord>) {
          doc.SetFont(key.Path, values.*member);
        } else {
          doc.SetValue(key.Path, JoinStrings(values.*member, "\r\n"));
        }
      },
      key.Member);
}

// A hand-edited or damaged file may hold text where a key needs child elements, or children where a key needs its
// value. The program's own keys win: the stray text or the children below the key's element are dropped.
void ClearConflicts(TXmlDoc& doc, std::string_view path) {
  TXmlNode* node = doc.Root();
  const std::vector<std::string> steps = SplitToList(path, "\\");
  for (size_t i = 0; i < steps.size() && node != nullptr; ++i) {
    if (!Trim(node->Value()).empty()) {
      node->SetValue("");
    }
    node = node->Nodes().Find(steps[i]);
    if (node != nullptr && i + 1 == steps.size()) {
      node->Nodes().Clear();
    }
  }
}

void WriteKeyRepairing(TXmlDoc& doc, const TStoredKey& key, const TSettingsValues& values) {
  const auto* flag = std::get_if<bool V::*>(&key.Member);
  if (key.OnlyWhenSet && flag != nullptr && !(values.**flag) && doc.GetNode(key.Path) == nullptr) {
    return;
  }
  try {
    WriteKey(doc, key, values);
    return;
  } catch (const TXmlPathError&) {
  }
  ClearConflicts(doc, key.Path);
  try {
    WriteKey(doc, key, values);
  } catch (const TXmlPathError&) {
    // Still refused: this one value is not stored, everything else is.
  }
}

struct TLoadedDoc {
  std::unique_ptr<TXmlDoc> Doc;
  TXmlLoadResult Result;
};

TLoadedDoc LoadDocument(const std::string& fileName) {
  TXmlLoadOptions limits;
  limits.MaxDepth = kMaxSettingsDepth;
  limits.MaxInputBytes = kMaxSettingsFileBytes;
  limits.MaxTreeBytes = kMaxSettingsTreeBytes;
  TLoadedDoc loaded{std::make_unique<TXmlDoc>(), {}};
  loaded.Result = loaded.Doc->LoadFromFileEx(fileName, limits);
  return loaded;
}

// A settings file always begins with its declaration; without it the forgiving reader makes the first tag the
// root, which is no settings document at all. Nor is a file beyond the size limits: what was read of it would be
// written back as large as it is.
bool IsUsable(const TLoadedDoc& loaded) {
  return SameTextIgnoringCase(loaded.Doc->Root()->Name(), "?xml") && !loaded.Result.TooLarge &&
         !loaded.Result.OverBudget;
}

bool IsComplete(const TLoadedDoc& loaded) {
  return loaded.Result.Ok && loaded.Result.Complete && !loaded.Result.TooDeep && IsUsable(loaded);
}

// Copies the file's bytes to `copyName`; false when the file cannot be read or the copy not written.
bool KeepCopy(const std::string& fileName, const std::string& copyName) {
  const std::optional<std::string> content = ReadWholeFile(fileName);
  return content.has_value() && WriteStringToFile(copyName, *content);
}

}  // namespace

TFontRecord DefaultTextFont() {
  TFontRecord font;
  font.Name = "Tahoma";
  font.Size = 8;
  font.Color = kClWindowText;
  font.Charset = 1;  // DEFAULT_CHARSET
  return font;
}

TProxy ProxyFrom(const TSettingsValues& settings) {
  return {.Mode = settings.ProxyMode, .Server = settings.ProxyServer, .Port = settings.ProxyPort};
}

TSettings& Settings() {
  static TSettings settings;
  return settings;
}

TSettingsLoadResult LoadSettings(TSettings& settings, const TSettingsLocation& location) {
  static_cast<TSettingsValues&>(settings) = TSettingsValues{};
  settings.AppPath = location.AppPath;
  settings.UseProgramFolder = location.UseProgramFolder;
  settings.SettingsFileName = location.SettingsFileName;
  settings.FeedsFileName = location.FeedsFileName;

  TSettingsLoadResult result;
  result.FolderUsable = location.FolderUsable;
  TLoadedDoc loaded{std::make_unique<TXmlDoc>(), {}};
  if (FileExists(location.SettingsFileName)) {
    loaded = LoadDocument(location.SettingsFileName);
    result.Source = TSettingsSource::File;
    if (!IsComplete(loaded)) {
      // Never overwrite it unseen (a copy is kept first); a complete backup is the better source.
      result.Damaged = true;
      NoteDamagedSettingsFile(location.SettingsFileName);
      const std::string backupName = location.SettingsFileName + std::string(kBackupSuffix);
      TLoadedDoc backup = LoadDocument(backupName);
      if (IsComplete(backup)) {
        loaded = std::move(backup);
        result.Source = TSettingsSource::Backup;
      } else {
        result.BackupDamaged = FileExists(backupName);
        if (result.BackupDamaged) {
          NoteDamagedSettingsFile(backupName);  // renewing the backup would destroy it
        }
        if (!IsUsable(loaded)) {
          loaded = TLoadedDoc{std::make_unique<TXmlDoc>(), {}};
        }
      }
    }
  }
  settings.SettingsDoc = std::move(loaded.Doc);

  const TSettingsValues defaults;
  for (const TStoredKey& key : kStoredKeys) {
    ReadKey(*settings.SettingsDoc, key, defaults, settings);
    if (result.Damaged && settings.SettingsDoc->GetNode(key.Path) == nullptr) {
      if (!key.OnlyWhenSet) {  // missing is how it is mostly stored
        result.DefaultedKeys.emplace_back(key.Path);
      }
    } else {
      result.AnyKeyRead = true;
    }
  }
  result.LanguageStored = !Trim(settings.SettingsDoc->GetValue("Language")).empty();
  for (const TRangeRule& rule : kRangeRules) {
    if (settings.*rule.Member < rule.Low || settings.*rule.Member > rule.High) {
      settings.*rule.Member = rule.Replacement;
    }
  }
  return result;
}

TSettingsLoadResult LoadSettings(TSettings& settings) {
  return LoadSettings(settings, ChooseSettingsLocation(settings.UseProgramFolder));
}

TFileSaveResult SaveSettingsFile(TSettings& settings) {
  if (!settings.SettingsDoc) {
    settings.SettingsDoc = std::make_unique<TXmlDoc>();
  }
  TXmlDoc& doc = *settings.SettingsDoc;
  for (const TStoredKey& key : kStoredKeys) {
    WriteKeyRepairing(doc, key, settings);
  }
  std::string text;
  const std::string& fileName = settings.SettingsFileName;
  if (fileName.empty() || !doc.SaveToStream(text, 2, true)) {
    return TFileSaveResult::Failed(EINVAL);
  }
  if (FileExists(fileName)) {
    const std::string backupName = fileName + std::string(kBackupSuffix);
    if (IsDamagedSettingsFile(fileName)) {
      if (!KeepDamagedSettingsFileBeforeReplacing(fileName)) {
        return TFileSaveResult::Failed(errno);  // a damaged file is no backup, and never replaced before it is kept
      }
    } else if (KeepDamagedSettingsFileBeforeReplacing(backupName)) {
      KeepCopy(fileName, backupName);  // a missing backup never blocks the save
    }
  }
  return WriteFileAtomically(fileName, text);
}

bool SaveSettings(TSettings& settings) {
  return SaveSettingsFile(settings).Written();
}

}  // namespace tidewick
