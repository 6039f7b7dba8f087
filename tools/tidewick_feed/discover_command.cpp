// tidewick-feed discover: the feeds a web page names, one per line (the address, a tab, the title), for a site whose
// feed address the user does not know. A feed address prints itself with its channel title.

#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "commands.h"
#include "feeds/feed_records.h"
#include "formats/feed_document.h"
#include "settings/settings.h"
#include "util/http_fetch.h"
#include "web/feed_address.h"
#include "web/feed_discovery.h"

namespace tidewick {
namespace {

// Tabs and line breaks would split the line a script reads.
std::string OneLine(std::string text) {
  for (char& c : text) {
    if (c == '\t' || c == '\n' || c == '\r')
      c = ' ';
  }
  return text;
}

}  // namespace

int RunDiscover(const std::vector<std::string>& args) {
  if (args.size() != 1 || args[0].empty() || args[0][0] == '-')
    return UsageError("usage: tidewick-feed discover URL");
  const std::string address = NormalizeFeedAddress(args[0]);
  if (!IsFetchableFeedAddress(address))
    return UsageError("only http, https and ftp addresses can be discovered: " + address);
  if (!InitNetwork())
    return UsageError("the network library could not be set up");
  std::string content;
  const TFetchResult fetched = FetchWithDefaultSettings(address, content);
  if (!fetched.Ok()) {
    std::fprintf(stderr, "tidewick-feed: %s: %s\n", address.c_str(),
                 fetched.Message.empty() ? FetchStatusName(fetched.Status) : fetched.Message.c_str());
    return kExitNotRecognised;
  }
  TFeed feed;
  if (ReadFeedDocument(content, feed)) {
    std::cout << address << '\t' << OneLine(feed.Info.Title) << '\n';
    return kExitOk;
  }
  const std::vector<TDiscoveredFeed> feeds = DiscoverFeeds(content, address);
  if (feeds.empty()) {
    std::fprintf(stderr, "tidewick-feed: %s: the page names no feed\n", address.c_str());
    return kExitNotRecognised;
  }
  for (const TDiscoveredFeed& found : feeds)
    std::cout << found.Address << '\t' << found.Title << '\n';
  return kExitOk;
}

}  // namespace tidewick
