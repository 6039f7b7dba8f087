// tidewick-feed fetch: downloads one feed with the default settings and prints it as the parse command does.

#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "commands.h"
#include "feed_json.h"
#include "feeds/feed_records.h"
#include "formats/feed_document.h"
#include "settings/settings.h"
#include "util/http_fetch.h"

namespace tidewick {

TFetchResult FetchWithDefaultSettings(const std::string& url, std::string& content) {
  const TSettingsValues defaults;
  TFetchOptions options;
  options.Proxy = ProxyFrom(defaults);
  return FetchUrl(url, content, defaults.Timeout * 1000, options);
}

int RunFetch(const std::vector<std::string>& arguments) {
  std::vector<std::string> args = arguments;
  if (!TakeLangOption(args)) {
    return kExitUsage;
  }
  if (args.size() != 1 || args[0].empty() || args[0][0] == '-') {
    return UsageError("usage: tidewick-feed fetch URL [--lang FILE]");
  }
  if (!InitNetwork()) {
    return UsageError("the network library could not be set up");
  }
  std::string content;
  const TFetchResult fetched = FetchWithDefaultSettings(args[0], content);
  if (!fetched.Ok()) {
    std::fprintf(stderr, "tidewick-feed: %s: %s\n", args[0].c_str(),
                 fetched.Message.empty() ? FetchStatusName(fetched.Status) : fetched.Message.c_str());
    return kExitNotRecognised;
  }
  TFeed feed;
  const bool ok = ReadFeedDocument(content, feed, args[0]);
  std::cout << DumpJson(FeedToJson(feed, ok)) << '\n';
  return ok ? kExitOk : kExitNotRecognised;
}

}  // namespace tidewick
