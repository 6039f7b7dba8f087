#pragma once

#include <string>
#include <string_view>

#include "feeds/feed_records.h"
#include "feeds/sync_account.h"
#include "settings/settings.h"
#include "support/feed_builder.h"
#include "tree/feed_tree.h"

namespace tidewick::test {

// Adds a feed with `unread` unread and one read entry; returns its Id.
inline uint64_t AddTreeFeed(std::string_view name, int unread = 0, bool error = false) {
  TFeed feed = MakeFeed(std::string(name), {}, NumberedEntries(unread + 1, [unread](int i) { return i == unread; }));
  feed.Error = error;
  return AddStoreFeed(std::move(feed));
}

// Adds a feed with a name and an address to the store; returns its Id.
inline uint64_t AddOpmlFeed(std::string_view name, std::string_view url) {
  return AddStoreFeed(MakeFeed(std::string(name), std::string(url)));
}

// The tree as indented captions, one node a line, with the image and a "!" for the error mark:
// "Feeds (3)\n  News (1!)\n    Alpha [3] (5!)\n". The Starred node shows only with withStarred.
inline std::string DumpTree(const TFeedTree& tree, bool withStarred = false) {
  std::string text;
  auto dump = [&text, withStarred](const auto& self, const TTreeNode* node, int depth) -> void {
    if (node->IsStarred() && !withStarred) {
      return;
    }
    text += std::string(static_cast<size_t>(depth) * 2, ' ') + node->Caption() + " (" + std::to_string(node->Image()) +
            (node->HasErrorMark() ? "!" : "") + ")\n";
    for (int row = 0; row < node->ChildCount(); ++row) {
      self(self, node->Child(row), depth + 1);
    }
  };
  if (tree.Root()) {
    dump(dump, tree.Root(), 0);
  }
  return text;
}

// The whole tree as "name" lines indented by depth; feeds also show their address: "  Alpha <http://a>\n". Without
// the Starred node.
inline std::string DumpFeedList(const TFeedTree& tree) {
  std::string text;
  auto dump = [&text](const auto& self, const TTreeNode* node, int depth) -> void {
    if (node->IsStarred()) {
      return;
    }
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

// The node at a path of names below the root ("News/Tech/Alpha"), or nullptr.
inline TTreeNode* NodeAt(const TFeedTree& tree, std::string_view names) {
  TTreeNode* node = tree.Root();
  size_t start = 0;
  while (node && start < names.size()) {
    const size_t end = std::min(names.find('/', start), names.size());
    const std::string_view name = names.substr(start, end - start);
    TTreeNode* next = nullptr;
    for (int row = 0; row < node->ChildCount() && !next; ++row) {
      next = node->Child(row)->Name() == name ? node->Child(row) : nullptr;
    }
    node = next;
    start = end + 1;
  }
  return node;
}

// Clears the store and the arrangement settings around each test.
class FeedTreeTestBase {
 protected:
  FeedTreeTestBase() { Reset(); }
  ~FeedTreeTestBase() { Reset(); }

  static void Reset() {
    Feeds.clear();
    SyncAccounts.clear();
    Settings().Structure.clear();
    Settings().PathList.clear();
    Settings().ShowUnreadCount = false;
  }
};

}  // namespace tidewick::test
