// The user's commands on the tree: new folders, renaming, removing, moving and read marks.

#include <algorithm>
#include <unordered_set>

#include "feeds/feed_records.h"
#include "feeds/sync_account.h"
#include "lang/lang_text.h"
#include "tree/feed_tree.h"
#include "tree/feed_tree_change.h"
#include "util/case_fold.h"
#include "util/strings.h"
#include "util/utf8.h"

namespace tidewick {

bool IsValidFolderName(std::string_view name) {
  return !TrimView(name).empty() && name.find_first_of("\\\t\r\n") == std::string_view::npos;
}

std::string CleanFolderName(std::string_view name) {
  std::string cleaned(Utf8Prefix(name, kMaxFolderNameBytes));
  for (char& c : cleaned) {
    if (c == '\\') {
      c = '/';
    } else if (static_cast<unsigned char>(c) < 0x20) {
      c = ' ';
    }
  }
  return Trim(cleaned);
}

namespace {

std::unordered_set<std::string> FoldedChildNames(const TTreeNode* parent, bool foldersOnly) {
  std::unordered_set<std::string> names;
  for (int row = 0; parent && row < parent->ChildCount(); ++row) {
    const TTreeNode* child = parent->Child(row);
    if (!foldersOnly || child->IsFolder()) {
      names.insert(FoldCase(child->Name()));
    }
  }
  return names;
}

bool IsWithin(const TTreeNode* node, const TTreeNode* ancestor) {
  for (const TTreeNode* walk = node; walk; walk = walk->Parent()) {
    if (walk == ancestor) {
      return true;
    }
  }
  return false;
}

}  // namespace

std::string TFeedTree::NewFolderName(const TTreeNode* parent) const {
  const std::unordered_set<std::string> taken = FoldedChildNames(parent, false);
  for (int number = 1;; ++number) {
    std::string name = GetLangText("Main|NewFolderTemplate", "Neuer Ordner %s1%", std::to_string(number));
    if (!IsValidFolderName(name)) {
      name = "Neuer Ordner " + std::to_string(number);  // a language file with a broken template
    }
    if (!taken.contains(FoldCase(name))) {
      return name;
    }
  }
}

std::string TFeedTree::UniqueFolderName(const TTreeNode* parent, std::string_view name) const {
  const std::string cleaned = CleanFolderName(name);
  if (cleaned.empty()) {
    return NewFolderName(parent);
  }
  const std::unordered_set<std::string> taken = FoldedChildNames(parent, true);
  std::string candidate = cleaned;
  for (int number = 1; taken.contains(FoldCase(candidate)); ++number) {
    candidate = cleaned + std::to_string(number);
  }
  return candidate;
}

TTreeNode* TFeedTree::AddFolderNode(TTreeNode* parent, std::string_view name) {
  // An account's folders are its server's categories: none is made here.
  if (!parent || parent->IsFeed() || parent->IsStarred() || parent->InAccount() || !IsWithin(parent, m_root.get()) ||
      !IsValidFolderName(name)) {
    return nullptr;
  }
  const TChangeScope scope(*this, TChangeScope::TKind::Layout);
  auto folder = std::make_unique<TTreeNode>();
  folder->m_kind = TNodeKind::Folder;
  folder->m_name = std::string(name);
  folder->m_caption = folder->m_name;
  TTreeNode* added = AddChild(parent, std::move(folder));
  SortChildren(parent, false);
  return added;
}

TTreeNode* TFeedTree::AddNewFolder(TTreeNode* parent) {
  const TChangeScope scope(*this, TChangeScope::TKind::Layout);
  TTreeNode* folder = AddFolderNode(parent, NewFolderName(parent));
  if (folder) {
    Select(folder);
  }
  return folder;
}

TTreeNode* TFeedTree::AddFeedNode(TTreeNode* parent, uint64_t feedId) {
  const int position = FindFeedById(feedId);
  if (!parent || parent->IsFeed() || parent->IsStarred() || !IsWithin(parent, m_root.get()) || position < 0 ||
      FindFeedNode(feedId) || parent->AccountKey() != Feeds[static_cast<size_t>(position)].Remote.Account) {
    return nullptr;
  }
  const TChangeScope scope(*this, TChangeScope::TKind::Layout);
  const TFeed& feed = Feeds[static_cast<size_t>(position)];
  auto node = std::make_unique<TTreeNode>();
  node->m_kind = TNodeKind::Feed;
  node->m_name = feed.Name;
  node->m_caption = feed.Name;
  node->m_image = kImageFeed;
  node->m_feedId = feedId;
  TTreeNode* added = AddChild(parent, std::move(node));
  SortChildren(parent, false);
  UpdateTreeCaptions(m_showUnreadCount);
  return added;
}

bool TFeedTree::CanRename(const TTreeNode* node) const {
  return node && !node->IsRoot() && node->m_parent && !node->InAccount();
}

TRenameResult TFeedTree::RenameNode(TTreeNode* node, std::string_view newName) {
  if (!node || !node->IsFeed()) {
    return RenameFolder(node, newName);
  }
  const int position = FindFeedById(node->m_feedId);
  if (!CanRename(node) || position < 0) {
    return TRenameResult::NotAllowed;
  }
  std::string name(newName);
  SanitizeFeedName(name);
  if (name.empty() || name.find_first_of("\r\n") != std::string::npos) {
    return TRenameResult::InvalidName;  // a line break would cut the feed's PathList line in two
  }
  TFeed& feed = Feeds[static_cast<size_t>(position)];
  if (name == feed.Name) {
    return TRenameResult::Unchanged;
  }
  if (FindFeed(name) >= 0) {
    return TRenameResult::NameTaken;
  }
  const TChangeScope scope(*this, TChangeScope::TKind::Layout);
  feed.Name = name;
  UpdateTreeCaptions(m_showUnreadCount);
  SortChildren(node->m_parent, false);
  return TRenameResult::Renamed;
}

TRenameResult TFeedTree::RenameFolder(TTreeNode* node, std::string_view newName) {
  if (!CanRename(node) || !node->IsFolder()) {
    return TRenameResult::NotAllowed;
  }
  const std::string name = Trim(newName);
  if (!IsValidFolderName(name)) {
    return TRenameResult::InvalidName;
  }
  if (name == node->m_name) {
    return TRenameResult::Unchanged;
  }
  if (!SameTextIgnoringCase(name, node->m_name)) {
    // Only sibling folders count: a folder may be named like a feed beside it.
    const std::string folded = FoldCase(name);
    for (const auto& sibling : node->m_parent->m_children) {
      if (sibling.get() != node && sibling->IsFolder() && FoldCase(sibling->m_name) == folded) {
        return TRenameResult::NameTaken;
      }
    }
  }
  const TChangeScope scope(*this, TChangeScope::TKind::Layout);
  node->m_name = name;
  node->m_caption = name;
  SortChildren(node->m_parent, false);
  return TRenameResult::Renamed;
}

TRemoveKind TFeedTree::RemoveKindOf(const TTreeNode* node) const {
  if (!node || !node->m_parent) {
    return TRemoveKind::None;
  }
  if (node->IsAccount()) {
    return TRemoveKind::Account;
  }
  if (node->IsFolder()) {
    // An account's folder is a category on its server: it goes with the server's feeds, not from here.
    return node->InAccount() ? TRemoveKind::None : TRemoveKind::Folder;
  }
  return FindFeedById(node->m_feedId) >= 0 ? TRemoveKind::Feed : TRemoveKind::None;
}

std::optional<std::string> TFeedTree::RemoveFeedNode(TTreeNode* node) {
  if (RemoveKindOf(node) != TRemoveKind::Feed) {
    return std::nullopt;
  }
  const TChangeScope scope(*this, TChangeScope::TKind::Reset);
  const std::string name = node->m_name;
  const bool deleted = DeleteFeed(FindFeedById(node->m_feedId));
  TakeChild(node);
  SaveTreeStructureToSettings();
  BuildFeedTree();
  return deleted ? std::nullopt : std::optional<std::string>(name);
}

std::vector<std::string> TFeedTree::RemoveFolderNode(TTreeNode* node, bool removeFeeds) {
  std::vector<std::string> failed;
  if (RemoveKindOf(node) != TRemoveKind::Folder) {
    return failed;
  }
  const TChangeScope scope(*this, TChangeScope::TKind::Reset);
  if (removeFeeds) {
    for (const uint64_t id : FeedIdsUnder(node)) {
      const int position = FindFeedById(id);
      if (position < 0 || !DeleteFeed(position)) {
        const TTreeNode* feedNode = FindFeedNode(id);
        failed.push_back(feedNode ? feedNode->m_name : std::string());
      }
    }
  }
  TakeChild(node);
  // Kept feeds lose their lines and come back under the root.
  SaveTreeStructureToSettings();
  BuildFeedTree();
  return failed;
}

std::vector<std::string> TFeedTree::RemoveAccountNode(TTreeNode* node) {
  std::vector<std::string> failed;
  if (RemoveKindOf(node) != TRemoveKind::Account) {
    return failed;
  }
  const TChangeScope scope(*this, TChangeScope::TKind::Reset);
  const std::string key = node->m_accountKey;
  for (size_t i = Feeds.size(); i-- > 0;) {
    if (Feeds[i].Remote.Account == key && !DeleteFeed(static_cast<int>(i))) {
      failed.push_back(Feeds[i].Name);
    }
  }
  std::erase_if(SyncAccounts, [&key](const TSyncAccount& account) { return account.Key == key; });
  m_accountErrors.erase(key);
  TakeChild(node);
  SaveTreeStructureToSettings();
  BuildFeedTree();
  return failed;
}

bool TFeedTree::CanDrop(const TTreeNode* dragged, const TTreeNode* target) const {
  // An account's server can neither move its feeds nor take local ones.
  if (!dragged || !target || !dragged->m_parent || target->IsFeed() || target->IsStarred() || dragged->IsStarred() ||
      dragged->InAccount() || target->InAccount() || !IsWithin(dragged, m_root.get()) ||
      !IsWithin(target, m_root.get()) || IsWithin(target, dragged)) {
    return false;
  }
  // Its own parent is refused here too: the dragged node is one of the children named alike.
  return !FoldedChildNames(target, false).contains(FoldCase(dragged->m_name));
}

bool TFeedTree::DropNode(TTreeNode* dragged, TTreeNode* target) {
  if (!CanDrop(dragged, target)) {
    return false;
  }
  const TChangeScope scope(*this, TChangeScope::TKind::Layout);
  const bool wasSelected = IsWithin(m_selected, dragged);
  TTreeNode* previousSelection = m_selected;
  AddChild(target, TakeChild(dragged));
  SortChildren(target, false);
  if (wasSelected) {
    Select(previousSelection);
  }
  UpdateTreeCaptions(m_showUnreadCount);
  return true;
}

std::vector<TTreeNode*> TFeedTree::FolderNodes() const {
  std::vector<TTreeNode*> folders;
  std::vector<TTreeNode*> pending;
  if (m_root) {
    pending.push_back(m_root.get());
  }
  while (!pending.empty()) {
    TTreeNode* node = pending.back();
    pending.pop_back();
    folders.push_back(node);
    for (auto it = node->m_children.rbegin(); it != node->m_children.rend(); ++it) {
      if ((*it)->IsFolder() || (*it)->IsAccount()) {
        pending.push_back(it->get());
      }
    }
  }
  return folders;
}

std::vector<TTreeNode*> TFeedTree::MoveTargets(const TTreeNode* node) const {
  std::vector<TTreeNode*> targets = FolderNodes();
  std::erase_if(targets, [this, node](const TTreeNode* target) { return !CanDrop(node, target); });
  return targets;
}

void TFeedTree::MarkNodeRead(const TTreeNode* node, bool read, const TEntryMarked& changed) {
  if (!node) {
    return;
  }
  // The root stands for the whole store, also for a feed added since the last build.
  const std::vector<uint64_t> idsBelow = node->IsRoot() ? std::vector<uint64_t>() : FeedIdsUnder(node);
  const std::unordered_set<uint64_t> ids(idsBelow.begin(), idsBelow.end());
  for (TFeed& feed : Feeds) {
    if (node->IsRoot() || node->IsStarred() || ids.contains(feed.Id)) {
      for (TEntry& item : feed.Entries) {
        if ((item.Starred || !node->IsStarred()) && item.IsRead != read) {
          item.IsRead = read;
          if (changed) {
            changed(feed, item);
          }
        }
      }
    }
  }
  UpdateTreeCaptions(m_showUnreadCount);
}

}  // namespace tidewick
