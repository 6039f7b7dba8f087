#include "ui/rules/language_menu.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "lang/lang_text.h"
#include "util/case_fold.h"

namespace tidewick {

namespace {

constexpr std::string_view kLanguageFolderName = "Language";

std::filesystem::path LanguageFolderPath(const std::string& appPath) {
  return std::filesystem::path(appPath) / kLanguageFolderName;
}

std::string LanguageFilePathWithExtension(const std::string& appPath, std::string_view language,
                                          std::string_view extension) {
  std::string fileName(language);
  fileName += extension;
  return (LanguageFolderPath(appPath) / fileName).string();
}

bool EndsWith(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

}  // namespace

std::string LanguageFolder(const std::string& appPath) {
  return (LanguageFolderPath(appPath) / "").string();
}

std::string LanguageFilePath(const std::string& appPath, std::string_view language) {
  return LanguageFilePathWithExtension(appPath, language, kLanguageFileExtension);
}

std::string LanguagePicturePath(const std::string& appPath, std::string_view language) {
  return LanguageFilePathWithExtension(appPath, language, kLanguagePictureExtension);
}

std::vector<TLanguageMenuItem> BuildLanguageMenu(const std::vector<std::string>& fileNames, std::string_view language) {
  std::vector<TLanguageMenuItem> items;
  items.reserve(fileNames.size() + 1);
  items.push_back({std::string(kBuiltInLanguage), false});
  std::size_t checked = 0;  // the built-in German unless a file matches
  bool exactMatch = false;
  for (const std::string& fileName : fileNames) {
    std::string caption = EndsWith(fileName, kLanguageFileExtension)
                              ? fileName.substr(0, fileName.size() - kLanguageFileExtension.size())
                              : fileName;
    if (!exactMatch && SameTextIgnoringCase(caption, language)) {
      exactMatch = caption == language;
      if (checked == 0 || exactMatch) {
        checked = items.size();
      }
    }
    items.push_back({std::move(caption), false});
  }
  items[checked].Checked = true;
  return items;
}

std::string CheckLanguageItem(std::vector<TLanguageMenuItem>& items, std::size_t index) {
  if (index >= items.size()) {
    return {};
  }
  for (std::size_t i = 0; i < items.size(); ++i) {
    items[i].Checked = i == index;
  }
  return items[index].Caption;
}

std::string LanguageMenuCaption(std::string_view translated) {
  if (translated == "Language") {
    return "&Language";
  }
  return std::string(translated) + " / &Language";
}

std::string LanguageMenuCaption() {
  return LanguageMenuCaption(GetLangText("Main|mnuLanguage", "Sprache"));
}

bool SwitchLanguage(const std::string& appPath, std::string_view language) {
  return LoadLanguageFile(LanguageFilePath(appPath, language));
}

std::string LanguageForFirstStart(const std::string& appPath) {
  const std::string file =
      ChooseLanguageFile(WantedLanguageTagsFromEnvironment(), ReadLanguageFiles(LanguageFolder(appPath)));
  return file.empty() ? std::string(kBuiltInLanguage) : file;
}

std::string CurrentLanguageCode() {
  return LanguageEntryCount() == 0 ? "de" : GetLangText("Lang|Code", "");
}

}  // namespace tidewick
