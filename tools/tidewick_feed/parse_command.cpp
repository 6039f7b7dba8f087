// tidewick-feed parse: reads one feed document and prints the fresh feed record as JSON.

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "commands.h"
#include "feed_json.h"
#include "feeds/feed_records.h"
#include "formats/feed_document.h"
#include "lang/lang_text.h"

namespace tidewick {

namespace {

std::optional<std::string> ReadInput(const std::string& source) {
  if (source == "-") {
    std::string bytes{std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>()};
    if (std::cin.bad()) {
      return std::nullopt;
    }
    return bytes;
  }
  std::error_code error;
  if (std::filesystem::is_directory(source, error)) {
    return std::nullopt;
  }
  std::ifstream file(source, std::ios::binary);
  if (!file) {
    return std::nullopt;
  }
  // Read in one piece when the size is known, so a large document is held once, not grown by doubling.
  const std::uintmax_t size = std::filesystem::file_size(source, error);
  if (!error && size > 0) {
    std::string bytes(static_cast<std::size_t>(size), '\0');
    file.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(file.gcount()));
    if (file.bad()) {
      return std::nullopt;
    }
    return bytes;
  }
  std::string bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  if (file.bad()) {
    return std::nullopt;
  }
  return bytes;
}

}  // namespace

int UsageError(const std::string& message) {
  std::fprintf(stderr, "tidewick-feed: %s\n", message.c_str());
  return kExitUsage;
}

bool TakeLangOption(std::vector<std::string>& args) {
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] != "--lang") {
      continue;
    }
    if (i + 1 >= args.size()) {
      UsageError("--lang needs a language file");
      return false;
    }
    const std::string path = args[i + 1];
    args.erase(args.begin() + static_cast<std::ptrdiff_t>(i), args.begin() + static_cast<std::ptrdiff_t>(i) + 2);
    if (!LoadLanguageFile(path)) {
      UsageError("cannot read the language file \"" + path + "\"");
      return false;
    }
    return true;
  }
  return true;
}

int RunParse(const std::vector<std::string>& arguments) {
  std::vector<std::string> args = arguments;
  if (!TakeLangOption(args)) {
    return kExitUsage;
  }
  if (args.size() != 1 || (args[0].size() > 1 && args[0][0] == '-')) {
    return UsageError("usage: tidewick-feed parse FILE|- [--lang FILE]");
  }
  std::optional<std::string> bytes = ReadInput(args[0]);
  if (!bytes) {
    return UsageError("cannot read \"" + args[0] + "\"");
  }
  TFeed feed;
  const TFeedDocumentResult read = ReadDownloadedFeed(std::move(*bytes), feed);
  std::cout << DumpJson(FeedToJson(feed, read.Ok)) << '\n';
  if (read.Ok && !read.Complete) {
    std::fprintf(stderr, "tidewick-feed: %s\n", FeedCutShortText().c_str());
  }
  return read.Ok ? kExitOk : kExitNotRecognised;
}

}  // namespace tidewick
