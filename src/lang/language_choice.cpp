#include "lang/language_choice.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "lang/lang_table.h"
#include "util/case_fold.h"
#include "util/files.h"

namespace tidewick {
namespace {

// A language file is a few hundred lines; anything larger is not read for its code.
constexpr int64_t kMaxLanguageFileBytes = 1 << 20;

// "pt_BR.UTF-8@euro" -> "pt-br": compared ignoring case, with "_" and "-" alike.
std::string NormalTag(std::string_view tag) {
  tag = tag.substr(0, tag.find_first_of(".@"));
  std::string normal = LowerAscii(tag);
  std::replace(normal.begin(), normal.end(), '_', '-');
  return normal;
}

std::string LanguageOf(const std::string& normalTag) {
  return normalTag.substr(0, normalTag.find('-'));
}

bool AsksForNothing(std::string_view locale) {
  const std::string tag = NormalTag(locale);
  return tag.empty() || tag == "c" || tag == "posix";
}

std::string EnvironmentValue(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

// The file that names tag (normalised): by its code, or, without one, by its file name.
const TLanguageFile* FileFor(const std::string& tag, const std::vector<TLanguageFile>& files) {
  const auto found = std::find_if(files.begin(), files.end(), [&](const TLanguageFile& file) {
    return NormalTag(file.Code.empty() ? file.Name : file.Code) == tag;
  });
  return found != files.end() ? &*found : nullptr;
}

}  // namespace

std::vector<std::string> ListLanguageFiles(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code error;
  std::filesystem::directory_iterator it(folder, error);
  for (; !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
    std::string name = it->path().filename().string();
    std::error_code typeError;
    // ".lng" alone would give a language without a name.
    if (name.size() > kLanguageFileExtension.size() && name.ends_with(kLanguageFileExtension) &&
        it->is_regular_file(typeError)) {
      names.push_back(std::move(name));
    }
  }
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    const std::string foldedA = FoldCase(a);
    const std::string foldedB = FoldCase(b);
    return foldedA != foldedB ? foldedA < foldedB : a < b;
  });
  return names;
}

std::vector<TLanguageFile> ReadLanguageFiles(const std::string& folder) {
  std::vector<TLanguageFile> files;
  for (const std::string& fileName : ListLanguageFiles(folder)) {
    const std::string path = (std::filesystem::path(folder) / fileName).string();
    const TLanguageTable table = TLanguageTable::FromText(ReadFileToString(path, kMaxLanguageFileBytes));
    files.push_back({fileName.substr(0, fileName.size() - kLanguageFileExtension.size()),
                     std::string(table.Find("Lang|Code").value_or(""))});
  }
  return files;
}

std::vector<std::string> WantedLanguageTags(std::string_view language, std::string_view lcAll,
                                            std::string_view lcMessages, std::string_view lang) {
  const std::string_view locale = !lcAll.empty() ? lcAll : !lcMessages.empty() ? lcMessages : lang;
  std::vector<std::string> tags;
  if (AsksForNothing(locale)) {
    return tags;  // the C locale: gettext ignores LANGUAGE then, and so do we
  }
  while (!language.empty()) {
    const size_t colon = language.find(':');
    if (!AsksForNothing(language.substr(0, colon))) {
      tags.push_back(NormalTag(language.substr(0, colon)));
    }
    language = colon == std::string_view::npos ? std::string_view() : language.substr(colon + 1);
  }
  tags.push_back(NormalTag(locale));
  return tags;
}

std::vector<std::string> WantedLanguageTagsFromEnvironment() {
  return WantedLanguageTags(EnvironmentValue("LANGUAGE"), EnvironmentValue("LC_ALL"), EnvironmentValue("LC_MESSAGES"),
                            EnvironmentValue("LANG"));
}

std::string ChooseLanguageFile(const std::vector<std::string>& wantedTags, const std::vector<TLanguageFile>& files) {
  for (const std::string& wanted : wantedTags) {
    const std::string tag = NormalTag(wanted);
    const std::string language = LanguageOf(tag);
    for (const std::string& candidate : {tag, language}) {
      if (const TLanguageFile* file = FileFor(candidate, files)) {
        return file->Name;
      }
    }
    if (language == "de") {
      return "";
    }
  }
  const TLanguageFile* english = FileFor("en", files);
  return english != nullptr ? english->Name : "";
}

}  // namespace tidewick
