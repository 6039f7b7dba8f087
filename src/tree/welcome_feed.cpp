#include "tree/welcome_feed.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <sys/stat.h>

#include "lang/lang_text.h"

namespace tidewick {
namespace {

bool IsUnreservedPathByte(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
         c == '_' || c == '~' || c == '/';
}

}  // namespace

TStorePresence ExamineStorePath(const std::string& storeFileName) {
  struct stat info {};
  // lstat: a dangling symbolic link is a store the user pointed somewhere, not a first start.
  if (::lstat(storeFileName.c_str(), &info) == 0) {
    return TStorePresence::Present;
  }
  return errno == ENOENT ? TStorePresence::Absent : TStorePresence::Unknown;
}

std::string WelcomeFeedFileName(const std::string& welcomeFolder, std::string_view languageTag) {
  const bool plain = std::all_of(languageTag.begin(), languageTag.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
  });
  if (plain && !languageTag.empty()) {
    for (const std::string_view tag : {languageTag, languageTag.substr(0, languageTag.find_first_of("-_"))}) {
      std::string name = "welcome_" + std::string(tag) + ".atom";
      std::error_code error;
      if (std::filesystem::is_regular_file(std::filesystem::path(welcomeFolder) / name, error)) {
        return name;
      }
    }
  }
  return "welcome_en.atom";
}

std::string FileUrlFromPath(std::string_view absolutePath) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string url = "file://";
  for (const char ch : absolutePath) {
    const auto c = static_cast<unsigned char>(ch);
    if (IsUnreservedPathByte(c)) {
      url.push_back(ch);
    } else {
      url.push_back('%');
      url.push_back(kHex[c >> 4]);
      url.push_back(kHex[c & 0x0F]);
    }
  }
  return url;
}

std::optional<TFeed> WelcomeFeedForFirstStart(TStorePresence store, const std::string& dataFolder,
                                              std::string_view languageTag) {
  if (store != TStorePresence::Absent) {
    return std::nullopt;
  }
  const std::filesystem::path folder = std::filesystem::path(dataFolder) / kWelcomeFolderName;
  const std::filesystem::path file = folder / WelcomeFeedFileName(folder.string(), languageTag);
  std::error_code error;
  if (!file.is_absolute() || !std::filesystem::is_regular_file(file, error)) {
    return std::nullopt;
  }
  TFeed feed;
  feed.Name = GetLangText("Main|WelcomeFeedName", "Willkommen bei Tidewick");
  feed.URL = FileUrlFromPath(file.lexically_normal().string());
  feed.Interval = 0;  // the file only changes with the program; the start-up refresh reads it
  feed.RefreshAtStart = true;
  return feed;
}

}  // namespace tidewick
