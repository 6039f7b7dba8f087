#pragma once

#include <string>
#include <string_view>

#include "feeds/feed_records.h"
#include "shell/feed_tree.h"

namespace tidewick::test {

// Adds a feed with a name and an address to the store; returns its Id.
inline uint64_t AddOpmlFeed(std::string_view name, std::string_view url) {
  TFeed feed;
  feed.Name = std::string(name);
  feed.URL = std::string(url);
  return Feeds[static_cast<size_t>(AddFeed(std::move(feed)))].Id;
}

// The whole tree as "name" lines indented by depth; feeds also show their address: "  Alpha <http://a>\n".
inline std::string DumpFeedList(const TFeedTree& tree) {
  std::string text;
  auto dump = [&text](const auto& self, const TTreeNode* node, int depth) -> void {
    text += std::string(static_cast<size_t>(depth) * 2, ' ') + node->Name();
    const int position = node->IsFeed() ? FindFeedById(node->FeedId()) : -1;
    if (position >= 0) {
      text += " <" + Feeds[static_cast<size_t>(position)].URL + ">";
    }
    text += "\n";
    for (int row = 0; row < node->ChildCount(); ++row) {
      self(self, node->Child(row), depth + 1);
    }
  };
  dump(dump, tree.Root(), 0);
  return text;
}

}  // namespace tidewick::test
