// tidewick-feed: the feed core on the command line, for end-to-end tests and comparisons with other parsers.

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "commands.h"
#include "lang/lang_text.h"
#include "lang/language_choice.h"
#include "platform/paths.h"

namespace {

constexpr const char* kUsage =
    "usage: tidewick-feed COMMAND [ARGUMENTS]\n"
    "  parse FILE|- [--lang FILE]   read a feed document and print it as JSON\n"
    "  fetch URL [--lang FILE]      download a feed document and print it as JSON\n"
    "  discover URL                 print the feeds a web page names (address, tab, title)\n"
    "  refresh [--verbose] [--settings FILE] [--lang FILE] STORE\n"
    "                               refresh every feed of a feed store and save it\n"
    "                               (--verbose: each feed's status, bytes and result)\n"
    "  sync [--settings FILE] [--password-file FILE] [--lang FILE] STORE\n"
    "                               sync the store's accounts with their servers and save it\n"
    "                               (password from the Secret Service, or a file only you may read)\n"
    "  export-opml [--settings FILE] STORE [OUT|-]\n"
    "                               write the store's feed list as OPML\n"
    "  import-opml [--settings FILE] STORE FILE\n"
    "                               add the feeds of an OPML file to a store\n";

// The language the environment asks for (--lang FILE overrides it): English unless a shipped file or the built-in
// German fits better.
void LoadLanguageOfEnvironment() {
  const std::string folder = tidewick::DataFolder() + "Language";
  const std::string name =
      tidewick::ChooseLanguageFile(tidewick::WantedLanguageTagsFromEnvironment(), tidewick::ReadLanguageFiles(folder));
  if (!name.empty()) {
    tidewick::LoadLanguageFile(folder + "/" + name + std::string(tidewick::kLanguageFileExtension));
  }
}

}  // namespace

int main(int argc, char** argv) {
  LoadLanguageOfEnvironment();
  if (argc < 2) {
    std::fputs(kUsage, stderr);
    return tidewick::kExitUsage;
  }
  const std::string_view command = argv[1];
  const std::vector<std::string> args(argv + 2, argv + argc);
  if (command == "parse") {
    return tidewick::RunParse(args);
  }
  if (command == "fetch") {
    return tidewick::RunFetch(args);
  }
  if (command == "discover") {
    return tidewick::RunDiscover(args);
  }
  if (command == "refresh") {
    // The records of a large store take a while to free one by one; the system takes them back at once (except
    // where the address sanitizer looks for leaks at the exit).
    const int code = tidewick::RunRefresh(args);
#if !defined(__SANITIZE_ADDRESS__)
    std::fflush(nullptr);
    std::_Exit(code);
#endif
    return code;
  }
  if (command == "sync") {
    return tidewick::RunSync(args);
  }
  if (command == "export-opml") {
    return tidewick::RunExportOpml(args);
  }
  if (command == "import-opml") {
    return tidewick::RunImportOpml(args);
  }
  if (command == "--help" || command == "-h" || command == "help") {
    std::fputs(kUsage, stdout);
    return tidewick::kExitOk;
  }
  std::fputs(kUsage, stderr);
  return tidewick::UsageError("unknown command \"" + std::string(command) + "\"");
}
