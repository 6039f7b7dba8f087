// tidewick-feed export-opml / import-opml: move a store's feed list to and from other readers from a script, with
// the same rules as the window's commands.

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "command_words.h"
#include "commands.h"
#include "feeds/feed_records.h"
#include "feeds/feed_store.h"
#include "settings/settings.h"
#include "store_session.h"
#include "tree/feed_tree.h"
#include "tree/opml_export.h"
#include "tree/opml_import.h"

namespace tidewick {
namespace {

constexpr const char* kExportUsage = "usage: tidewick-feed export-opml [--settings FILE] [--lang FILE] STORE [OUT|-]";
constexpr const char* kImportUsage = "usage: tidewick-feed import-opml [--settings FILE] [--lang FILE] STORE FILE";

struct TOpmlArguments {
  std::string SettingsFile;
  std::vector<std::string> Files;  // the store, then OUT or FILE
};

bool ParseArguments(std::vector<std::string> args, size_t minFiles, size_t maxFiles, TOpmlArguments& parsed) {
  TCommandWords words;
  if (!ParseCommandWords(std::move(args), {}, {"--settings"}, minFiles, maxFiles, words)) {
    return false;
  }
  parsed.SettingsFile = words.Option("--settings");
  parsed.Files = std::move(words.Files);
  return true;
}

// The arrangement (and the default interval) come from the settings file when one is named; otherwise every feed
// sits under the root.
bool LoadOpmlSettings(const TOpmlArguments& arguments) {
  return LoadToolSettings(arguments.SettingsFile, arguments.Files[0], Settings());
}

const char* ReadFailure(TOpmlReadStatus status) {
  switch (status) {
    case TOpmlReadStatus::Unreadable:
      return "cannot be read";
    case TOpmlReadStatus::TooLarge:
      return "is larger than 32 MiB";
    case TOpmlReadStatus::NotOpml:
      return "is not an OPML file";
    case TOpmlReadStatus::Read:
      break;
  }
  return "";
}

}  // namespace

int RunExportOpml(const std::vector<std::string>& args) {
  TOpmlArguments arguments;
  if (!ParseArguments(args, 1, 2, arguments)) {
    return UsageError(kExportUsage);
  }
  if (!LoadOpmlSettings(arguments)) {
    return UsageError("cannot read the settings file \"" + arguments.SettingsFile + "\"");
  }
  const std::string& storeFile = arguments.Files[0];
  const TStoreLoadResult loaded = LoadFeedStore(storeFile);
  if (loaded.Status != TStoreLoadStatus::Loaded && !loaded.Recovered()) {
    return UsageError("cannot read the feed store \"" + storeFile + "\"");
  }
  if (loaded.Recovered()) {
    std::fprintf(stderr, "tidewick-feed: %s\n", loaded.Message.c_str());
  }
  TFeedTree tree;
  tree.BuildFeedTree(Settings().Structure, Settings().PathList, false);
  const TOpmlExportScope scope = OpmlExportScope(tree, tree.Root());
  const std::string out = arguments.Files.size() > 1 ? arguments.Files[1] : "-";
  if (out == "-") {
    const std::string text = OpmlExportText(*scope.Start, scope.Title);
    std::fwrite(text.data(), 1, text.size(), stdout);
    return std::fflush(stdout) == 0 ? DoneStatus(loaded) : kExitSaveFailed;
  }
  const TFileWriteResult written = ExportOpmlFile(out, *scope.Start, scope.Title);
  if (!written.Ok) {
    std::fprintf(stderr, "tidewick-feed: cannot write \"%s\": %s\n", out.c_str(), written.Reason.c_str());
    return kExitSaveFailed;
  }
  std::printf("%d feeds exported to %s\n", FeedCount(), out.c_str());
  return DoneStatus(loaded);
}

int RunImportOpml(const std::vector<std::string>& args) {
  TOpmlArguments arguments;
  if (!ParseArguments(args, 2, 2, arguments)) {
    return UsageError(kImportUsage);
  }
  if (!LoadOpmlSettings(arguments)) {
    return UsageError("cannot read the settings file \"" + arguments.SettingsFile + "\"");
  }
  const std::string& storeFile = arguments.Files[0];
  // A missing store is a fresh start: migrating from another reader begins with an import.
  TFeedStoreLock lock;
  TStoreLoadResult loaded;
  if (const int status = OpenStoreForWriting(storeFile, true, lock, loaded); status != kExitOk) {
    return status;
  }
  TFeedTree tree;
  tree.BuildFeedTree(Settings().Structure, Settings().PathList, false);
  const TOpmlImportResult result = ImportOpmlFile(tree, tree.Root(), arguments.Files[1]);
  if (result.Status != TOpmlReadStatus::Read) {
    return UsageError("the file \"" + arguments.Files[1] + "\" " + ReadFailure(result.Status) +
                      "; nothing was imported");
  }
  if (!SaveFeeds(storeFile)) {
    std::fprintf(stderr, "tidewick-feed: cannot save the feed store \"%s\"\n", storeFile.c_str());
    return kExitSaveFailed;
  }
  if (arguments.SettingsFile.empty()) {
    std::fprintf(stderr, "tidewick-feed: no settings file named; the imported feeds are placed under the root\n");
  } else if (!SaveSettings(Settings())) {
    std::fprintf(stderr, "tidewick-feed: cannot save the settings file \"%s\"\n", arguments.SettingsFile.c_str());
    return kExitSaveFailed;
  }
  std::printf("%d feeds in %d folders imported, %d skipped", result.Report.Feeds, result.Report.Folders,
              result.Report.Skipped);
  if (result.Report.Duplicates > 0) {
    std::printf(", %d already subscribed", result.Report.Duplicates);  // only then: scripts read the line above
  }
  std::printf("\n");
  return DoneStatus(loaded);
}

}  // namespace tidewick
