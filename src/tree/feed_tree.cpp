#include "tree/feed_tree.h"

#include <algorithm>
#include <limits>

#include "feeds/feed_records.h"
#include "feeds/sync_account.h"
#include "lang/lang_text.h"
#include "settings/settings.h"
#include "tree/feed_tree_change.h"
#include "tree/tree_paths.h"
#include "util/case_fold.h"
#include "util/strings.h"

namespace tidewick {

std::string AccountTitle(std::string_view key) {
  const auto found =
      std::find_if(SyncAccounts.begin(), SyncAccounts.end(), [key](const auto& account) { return account.Key == key; });
  if (found == SyncAccounts.end()) {
    return std::string(key);
  }
  return !found->Title.empty() ? found->Title : !found->ServerUrl.empty() ? found->ServerUrl : found->Key;
}

TTreeNode* TTreeNode::Child(int row) const {
  if (row < 0 || row >= ChildCount()) {
    return nullptr;
  }
  return m_children[static_cast<size_t>(row)].get();
}

TFeedTree::TFeedTree() = default;
TFeedTree::~TFeedTree() = default;

void TFeedTree::SetHooks(TFeedTreeHooks hooks) {
  m_hooks = std::move(hooks);
}

void TFeedTree::SetNameCompare(TNameCompare compare) {
  m_compare = std::move(compare);
}

void TFeedTree::Notify(const std::function<void()>& hook) const {
  if (hook) {
    hook();
  }
}

void TFeedTree::Select(TTreeNode* node) {
  // Like a tree control, selecting a node makes it visible.
  for (TTreeNode* parent = node ? node->m_parent : nullptr; parent; parent = parent->m_parent) {
    parent->m_expanded = true;
  }
  if (node == m_selected) {
    return;
  }
  m_selected = node;
  if (m_changeDepth > 0) {
    m_selectionMoved = true;
  } else {
    Notify(m_hooks.SelectionChanged);
  }
}

void TFeedTree::SetExpanded(TTreeNode* node, bool expanded) {
  if (node) {
    node->m_expanded = expanded;
  }
}

TTreeNode* TFeedTree::AddChild(TTreeNode* parent, std::unique_ptr<TTreeNode> child) {
  child->m_parent = parent;
  child->m_row = parent->ChildCount();
  parent->m_children.push_back(std::move(child));
  m_feedIndexValid = false;
  return parent->m_children.back().get();
}

std::unique_ptr<TTreeNode> TFeedTree::TakeChild(TTreeNode* node) {
  TTreeNode* parent = node->m_parent;
  for (const TTreeNode* walk = m_selected; walk; walk = walk->m_parent) {
    if (walk == node) {
      Select(parent);
      break;
    }
  }
  auto taken = std::move(parent->m_children[static_cast<size_t>(node->m_row)]);
  parent->m_children.erase(parent->m_children.begin() + node->m_row);
  Renumber(parent);
  taken->m_parent = nullptr;
  m_feedIndexValid = false;
  return taken;
}

void TFeedTree::Renumber(TTreeNode* parent) {
  for (int row = 0; row < parent->ChildCount(); ++row) {
    parent->m_children[static_cast<size_t>(row)]->m_row = row;
  }
}

int TFeedTree::CompareNodes(const TTreeNode& a, const TTreeNode& b) const {
  // Folders, then feeds, then the accounts in the order they were added, then the Starred node.
  auto rank = [](const TTreeNode& node) { return node.IsStarred() ? 3 : node.IsAccount() ? 2 : node.IsFeed() ? 1 : 0; };
  if (rank(a) != rank(b) || a.IsAccount()) {
    return rank(a) - rank(b);
  }
  const int byName = m_compare ? m_compare(a.m_name, b.m_name) : FoldCase(a.m_name).compare(FoldCase(b.m_name));
  if (byName != 0) {
    return byName;
  }
  return a.m_name.compare(b.m_name);
}

void TFeedTree::SortChildren(TTreeNode* parent, bool recursive) {
  std::stable_sort(parent->m_children.begin(), parent->m_children.end(),
                   [this](const auto& a, const auto& b) { return CompareNodes(*a, *b) < 0; });
  Renumber(parent);
  if (recursive) {
    for (const auto& child : parent->m_children) {
      SortChildren(child.get(), true);
    }
  }
}

void TFeedTree::SortTree() {
  if (!m_root) {
    return;
  }
  const TChangeScope scope(*this, TChangeScope::TKind::Layout);
  SortChildren(m_root.get(), true);
}

std::string TFeedTree::NodePath(const TTreeNode* node, bool withRoot) const {
  if (!node) {
    return {};
  }
  std::vector<const std::string*> names;
  for (const TTreeNode* walk = node; walk->m_parent; walk = walk->m_parent) {
    names.push_back(&walk->m_name);
  }
  std::string path;
  if (withRoot && m_root) {
    path += '\\';
    path += m_root->m_name;
  }
  for (auto it = names.rbegin(); it != names.rend(); ++it) {
    path += '\\';
    path += **it;
  }
  return path;
}

void TFeedTree::SelectNodeByPath(std::string_view path) {
  if (!m_root) {
    return;
  }
  const std::vector<std::string> parts = SplitToList(path, "\\");
  TTreeNode* node = m_root.get();
  // parts[0] is the text before the leading backslash and parts[1] the root's name, which is not compared.
  for (size_t i = 2; i < parts.size(); ++i) {
    if (parts[i].empty()) {
      continue;
    }
    // A part that is not found is skipped and the next one looked for among the same children.
    const auto found = std::find_if(node->m_children.begin(), node->m_children.end(),
                                    [&](const auto& child) { return child->m_name == parts[i]; });
    if (found != node->m_children.end()) {
      node = found->get();
    }
  }
  Select(node);
}

TTreeNode* TFeedTree::FindFolderChild(const TTreeNode* parent, std::string_view name) const {
  for (const auto& child : parent->m_children) {
    if (child->IsFolder() && child->m_name == name) {
      return child.get();
    }
  }
  return nullptr;
}

TTreeNode* TFeedTree::FindFolderPath(std::string_view path) const {
  const auto names = SplitFolderPath(path);
  if (!m_root || !names) {
    return nullptr;
  }
  TTreeNode* node = m_root.get();
  for (const std::string_view name : *names) {
    node = FindFolderChild(node, name);
    if (!node) {
      return nullptr;
    }
  }
  return node;
}

TTreeNode* TFeedTree::FindOrCreateFolderPath(std::string_view path) {
  const auto names = SplitFolderPath(path);
  if (!m_root || !names) {
    return nullptr;
  }
  const TChangeScope scope(*this, TChangeScope::TKind::Layout);
  TTreeNode* node = m_root.get();
  for (const std::string_view name : *names) {
    TTreeNode* next = FindFolderChild(node, name);
    if (!next) {
      auto folder = std::make_unique<TTreeNode>();
      folder->m_kind = TNodeKind::Folder;
      folder->m_name = std::string(name);
      folder->m_caption = folder->m_name;
      next = AddChild(node, std::move(folder));
    }
    node = next;
  }
  return node;
}

void TFeedTree::IndexFeeds() const {
  if (m_feedIndexValid) {
    return;
  }
  m_feedIndex.clear();
  if (m_root) {
    std::vector<const TTreeNode*> pending{m_root.get()};
    while (!pending.empty()) {
      const TTreeNode* node = pending.back();
      pending.pop_back();
      for (const auto& child : node->m_children) {
        if (child->IsFeed()) {
          m_feedIndex.emplace(child->m_feedId, child.get());
        }
        pending.push_back(child.get());
      }
    }
  }
  m_feedIndexValid = true;
}

TTreeNode* TFeedTree::FindFeedNode(uint64_t feedId) const {
  IndexFeeds();
  const auto found = m_feedIndex.find(feedId);
  return found == m_feedIndex.end() ? nullptr : found->second;
}

bool TFeedTree::SelectFeed(uint64_t feedId) {
  TTreeNode* node = FindFeedNode(feedId);
  if (node) {
    Select(node);
  }
  return node != nullptr;
}

std::vector<uint64_t> TFeedTree::FeedIdsUnder(const TTreeNode* node) const {
  std::vector<uint64_t> ids;
  if (!node) {
    return ids;
  }
  std::vector<const TTreeNode*> pending{node};
  while (!pending.empty()) {
    const TTreeNode* walk = pending.back();
    pending.pop_back();
    if (walk->IsFeed()) {
      ids.push_back(walk->m_feedId);
    }
    for (auto it = walk->m_children.rbegin(); it != walk->m_children.rend(); ++it) {
      pending.push_back(it->get());
    }
  }
  return ids;
}

TTreeNode* TFeedTree::TargetFolder(TTreeNode* node) const {
  if (!node) {
    return m_root.get();
  }
  if (node->IsStarred() || node->InAccount()) {
    return m_root.get();
  }
  return node->IsFeed() ? node->m_parent : node;
}

TTreeNode* TFeedTree::FindAccountNode(std::string_view key) const {
  if (!m_root) {
    return nullptr;
  }
  for (const auto& child : m_root->m_children) {
    if (child->IsAccount() && child->m_accountKey == key) {
      return child.get();
    }
  }
  return nullptr;
}

void TFeedTree::SetAccountError(const std::string& key, const std::string& reason) {
  if (reason.empty()) {
    m_accountErrors.erase(key);
  } else {
    m_accountErrors[key] = reason;
  }
  UpdateTreeCaptions(m_showUnreadCount);
}

TTreeNode* TFeedTree::StarredNode() const {
  if (!m_root || m_root->m_children.empty() || !m_root->m_children.back()->IsStarred()) {
    return nullptr;
  }
  return m_root->m_children.back().get();
}

void TFeedTree::AddStarredNode() {
  auto node = std::make_unique<TTreeNode>();
  node->m_kind = TNodeKind::Starred;
  node->m_name = std::string(kStarredNodeName);
  node->m_image = kImageStarred;
  AddChild(m_root.get(), std::move(node));
}

void TFeedTree::UpdateStarredCaption(bool showUnreadCount) {
  TTreeNode* node = StarredNode();
  if (!node) {
    return;
  }
  int unread = 0;
  for (const TFeed& feed : Feeds) {
    unread += static_cast<int>(std::count_if(feed.Entries.begin(), feed.Entries.end(),
                                             [](const TEntry& item) { return item.Starred && !item.IsRead; }));
  }
  node->m_caption = FeedDisplayName(GetLangText("Main|tvNavStarredName", "Mit Stern"), unread, showUnreadCount);
  node->m_image = unread > 0 ? kImageStarredUnread : kImageStarred;
}

void TFeedTree::UpdateTreeCaptions() {
  m_showFolderCounts = Settings().ShowFolderUnreadCount;
  UpdateTreeCaptions(Settings().ShowUnreadCount);
}

void TFeedTree::UpdateTreeCaptions(bool showUnreadCount) {
  m_showUnreadCount = showUnreadCount;
  if (!m_root) {
    return;
  }
  m_root->m_name = GetLangText("Main|tvNavRootName", "Feeds");
  m_root->m_caption = m_root->m_name;
  std::vector<TTreeNode*> pending{m_root.get()};
  while (!pending.empty()) {
    TTreeNode* node = pending.back();
    pending.pop_back();
    node->m_errorMark = false;
    node->m_errorText.clear();
    node->m_image = node->IsRoot() || node->IsAccount() ? kImageRoot
                    : node->IsFolder()                  ? kImageFolder
                    : node->IsFeed()                    ? kImageFeed
                                                        : kImageStarred;
    if (const auto error = node->IsAccount() ? m_accountErrors.find(node->m_accountKey) : m_accountErrors.end();
        error != m_accountErrors.end()) {
      node->m_errorMark = true;
      node->m_errorText = error->second;
    }
    node->m_unreadBelow = 0;
    for (const auto& child : node->m_children) {
      pending.push_back(child.get());
    }
  }
  IndexFeeds();
  for (const TFeed& feed : Feeds) {
    TTreeNode* node = FindFeedNode(feed.Id);
    if (!node) {
      continue;  // a feed added since the last build: it gets its node with the next one
    }
    const int unread = static_cast<int>(
        std::count_if(feed.Entries.begin(), feed.Entries.end(), [](const TEntry& item) { return !item.IsRead; }));
    node->m_name = feed.Name;
    node->m_caption = FeedDisplayName(feed.Name, unread, showUnreadCount);
    node->m_image = unread > 0 ? kImageFeedUnread : kImageFeed;
    node->m_errorMark = feed.Error;
    for (TTreeNode* above = node->m_parent; above; above = above->m_parent) {
      if (unread > 0) {
        above->m_image = above->IsRoot() || above->IsAccount() ? kImageRootUnread : kImageFolderUnread;
      }
      above->m_errorMark = above->m_errorMark || feed.Error;
      above->m_unreadBelow += unread;
    }
  }
  for (TTreeNode* folder : FolderNodes()) {
    const int64_t shown = std::min<int64_t>(folder->m_unreadBelow, std::numeric_limits<int>::max());
    folder->m_caption = FeedDisplayName(folder->IsAccount() ? AccountTitle(folder->m_accountKey) : folder->m_name,
                                        static_cast<int>(shown), m_showFolderCounts);
  }
  UpdateStarredCaption(showUnreadCount);
  if (m_changeDepth == 0) {
    Notify(m_hooks.CaptionsChanged);
  }
}

}  // namespace tidewick
