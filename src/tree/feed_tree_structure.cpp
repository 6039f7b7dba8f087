// Building the tree from the store and the two arrangement texts, and writing those texts back.

#include <optional>
#include <string_view>
#include <unordered_map>

#include "feeds/feed_records.h"
#include "feeds/sync_account.h"
#include "lang/lang_text.h"
#include "settings/settings.h"
#include "tree/feed_tree.h"
#include "tree/feed_tree_change.h"
#include "tree/tree_paths.h"
#include "util/case_fold.h"
#include "util/strings.h"

namespace tidewick {

namespace {

// The program writes "-1" and "0"; other spellings of true are read kindly, anything else is collapsed.
bool ReadExpanded(std::string_view text) {
  const std::string value = LowerAscii(TrimView(text));
  return value == "-1" || value == "1" || value == "true";
}

// An account feed of a known account lives under its account node, wherever an older version's PathList put it.
bool UnderAccount(const TFeed& feed) {
  return feed.Remote.IsAccountFeed() &&
         std::any_of(SyncAccounts.begin(), SyncAccounts.end(),
                     [&feed](const TSyncAccount& account) { return account.Key == feed.Remote.Account; });
}

bool IsUncategorised(const TFeedRemote& remote) {
  return remote.CategoryId.empty() || remote.CategoryId == "0";
}

}  // namespace

void TFeedTree::BuildFeedTree() {
  const TSettings& settings = Settings();
  m_showFolderCounts = settings.ShowFolderUnreadCount;
  BuildFeedTree(settings.Structure, settings.PathList, settings.ShowUnreadCount);
}

void TFeedTree::BuildFeedTree(std::string_view structure, std::string_view pathList, bool showUnreadCount) {
  const TChangeScope scope(*this, TChangeScope::TKind::Reset);
  // The selection is kept by feed, or by the names down to the selected folder, as far as they still exist.
  uint64_t selectedFeed = 0;
  std::vector<std::string> selectedNames;
  for (const TTreeNode* walk = m_selected; walk && walk->m_parent; walk = walk->m_parent) {
    selectedFeed = selectedFeed != 0 ? selectedFeed : walk->m_feedId;
    selectedNames.insert(selectedNames.begin(), walk->m_name);
  }
  // Accounts' folders are not in Structure: their expanded state lives here while the program runs.
  std::unordered_map<std::string, bool> accountExpanded;
  for (const TTreeNode* node : FolderNodes()) {
    if (node->InAccount()) {
      accountExpanded.emplace(NodePath(node, false), node->m_expanded);
    }
  }
  m_selected = nullptr;
  m_selectionMoved = true;

  m_root = std::make_unique<TTreeNode>();
  m_root->m_kind = TNodeKind::Root;
  m_root->m_name = GetLangText("Main|tvNavRootName", "Feeds");
  m_root->m_caption = m_root->m_name;
  m_root->m_image = kImageRoot;
  m_root->m_expanded = true;
  m_feedIndexValid = false;

  CreateFolders(structure);
  PlaceFeeds(pathList);
  AddAccountNodes();
  for (TTreeNode* account : FolderNodes()) {
    if (const auto known =
            account->InAccount() ? accountExpanded.find(NodePath(account, false)) : accountExpanded.end();
        known != accountExpanded.end()) {
      account->m_expanded = known->second;
    }
  }
  SortChildren(m_root.get(), true);
  AddStarredNode();

  TTreeNode* reselect = selectedFeed != 0 ? FindFeedNode(selectedFeed) : nullptr;
  if (!reselect) {
    reselect = m_root.get();
    for (const std::string& name : selectedNames) {
      const auto found = std::find_if(reselect->m_children.begin(), reselect->m_children.end(),
                                      [&](const auto& child) { return child->m_name == name; });
      if (found == reselect->m_children.end()) {
        break;
      }
      reselect = found->get();
    }
  }
  Select(reselect);
  reselect->m_expanded = true;
  UpdateTreeCaptions(showUnreadCount);
}

void TFeedTree::CreateFolders(std::string_view structure) {
  for (const std::string& line : SplitLines(structure)) {
    const size_t tab = line.find('\t');
    if (tab == std::string::npos) {
      continue;  // damaged: a line always carries its expanded state
    }
    if (TTreeNode* folder = FindOrCreateFolderPath(std::string_view(line).substr(0, tab))) {
      folder->m_expanded = ReadExpanded(std::string_view(line).substr(tab + 1));
    }
  }
}

void TFeedTree::PlaceFeeds(std::string_view pathList) {
  const std::vector<std::string> lines = SplitLines(pathList);
  std::vector<bool> lineUsed(lines.size(), false);
  std::vector<std::optional<std::string_view>> folderOf(Feeds.size());
  std::unordered_map<std::string_view, size_t> feedByName;
  std::vector<bool> local(Feeds.size());
  for (size_t i = 0; i < Feeds.size(); ++i) {
    local[i] = !UnderAccount(Feeds[i]);
    if (local[i]) {
      feedByName.emplace(Feeds[i].Name, i);
    }
  }
  // Each line ends with a feed's name after a backslash; the longest name that fits is the feed the line was
  // written for (a feed name may itself hold a backslash), and it keeps the first line written for it. This exact
  // match comes first, so "News" and "news" keep their own folders.
  for (size_t li = 0; li < lines.size(); ++li) {
    const std::string_view line = lines[li];
    for (size_t split = line.find('\\'); split != std::string_view::npos; split = line.find('\\', split + 1)) {
      const auto found = feedByName.find(line.substr(split + 1));
      if (found != feedByName.end() && !folderOf[found->second] && IsUsableFolderPath(line.substr(0, split))) {
        folderOf[found->second] = line.substr(0, split);
        lineUsed[li] = true;
        break;
      }
    }
  }
  // Feeds still without a line take the first unused one that ends with their name in another letter case.
  std::unordered_map<std::string, std::vector<std::pair<size_t, size_t>>> byFoldedName;
  bool foldedIndexBuilt = false;
  for (size_t i = 0; i < Feeds.size(); ++i) {
    if (folderOf[i] || !local[i]) {
      continue;
    }
    if (!foldedIndexBuilt) {
      for (size_t li = 0; li < lines.size(); ++li) {
        const std::string_view line = lines[li];
        for (size_t split = line.find('\\'); !lineUsed[li] && split != std::string_view::npos;
             split = line.find('\\', split + 1)) {
          byFoldedName[FoldCase(line.substr(split + 1))].emplace_back(li, split);
        }
      }
      foldedIndexBuilt = true;
    }
    const auto candidates = byFoldedName.find(FoldCase(Feeds[i].Name));
    if (candidates == byFoldedName.end()) {
      continue;
    }
    for (const auto& [li, split] : candidates->second) {
      const std::string_view folderPath = std::string_view(lines[li]).substr(0, split);
      if (!lineUsed[li] && IsUsableFolderPath(folderPath)) {
        folderOf[i] = folderPath;
        lineUsed[li] = true;
        break;
      }
    }
  }
  std::unordered_map<std::string_view, TTreeNode*> folderByPath;
  for (size_t i = 0; i < Feeds.size(); ++i) {
    if (!local[i]) {
      continue;
    }
    TTreeNode* parent = m_root.get();
    if (folderOf[i] && !folderOf[i]->empty()) {
      auto [known, inserted] = folderByPath.emplace(*folderOf[i], nullptr);
      if (inserted) {
        known->second = FindOrCreateFolderPath(*folderOf[i]);
      }
      parent = known->second ? known->second : m_root.get();
    }
    AddChild(parent, FeedNode(Feeds[i]));
  }
}

std::unique_ptr<TTreeNode> TFeedTree::FeedNode(const TFeed& feed) {
  auto node = std::make_unique<TTreeNode>();
  node->m_kind = TNodeKind::Feed;
  node->m_name = feed.Name;
  node->m_caption = feed.Name;
  node->m_image = kImageFeed;
  node->m_errorMark = feed.Error;
  node->m_feedId = feed.Id;
  return node;
}

void TFeedTree::AddAccountNodes() {
  std::unordered_map<std::string_view, TTreeNode*> accounts;
  for (const TSyncAccount& account : SyncAccounts) {
    if (account.Key.empty() || accounts.contains(account.Key)) {
      continue;
    }
    auto node = std::make_unique<TTreeNode>();
    node->m_kind = TNodeKind::Account;
    node->m_name = std::string(kAccountNodePrefix) + account.Key;
    node->m_accountKey = account.Key;
    node->m_caption = AccountTitle(account.Key);
    node->m_image = kImageRoot;
    node->m_expanded = true;
    accounts.emplace(account.Key, AddChild(m_root.get(), std::move(node)));
  }
  for (const TFeed& feed : Feeds) {
    const auto account = feed.Remote.IsAccountFeed() ? accounts.find(feed.Remote.Account) : accounts.end();
    if (account == accounts.end()) {
      continue;
    }
    TTreeNode* parent = account->second;
    // The server's category is the folder; a title no folder could carry is made usable as an OPML one is.
    const std::string category =
        IsUncategorised(feed.Remote) ? std::string() : CleanFolderName(feed.Remote.CategoryTitle);
    if (!category.empty()) {
      TTreeNode* folder = FindFolderChild(parent, category);
      if (!folder) {
        auto node = std::make_unique<TTreeNode>();
        node->m_kind = TNodeKind::Folder;
        node->m_name = category;
        node->m_caption = category;
        node->m_accountKey = feed.Remote.Account;
        folder = AddChild(parent, std::move(node));
      }
      parent = folder;
    }
    std::unique_ptr<TTreeNode> node = FeedNode(feed);
    node->m_accountKey = feed.Remote.Account;
    AddChild(parent, std::move(node));
  }
}

TTreeArrangement TFeedTree::SaveTreeStructure() const {
  TTreeArrangement arrangement;
  if (!m_root) {
    return arrangement;
  }
  std::vector<const TTreeNode*> pending;
  for (auto it = m_root->m_children.rbegin(); it != m_root->m_children.rend(); ++it) {
    pending.push_back(it->get());
  }
  while (!pending.empty()) {
    const TTreeNode* node = pending.back();
    pending.pop_back();
    if (!node->IsFolder()) {
      continue;
    }
    arrangement.Structure += NodePath(node, false);
    arrangement.Structure += node->m_expanded ? "\t-1\r\n" : "\t0\r\n";
    for (auto it = node->m_children.rbegin(); it != node->m_children.rend(); ++it) {
      pending.push_back(it->get());
    }
  }
  for (const TFeed& feed : Feeds) {
    const TTreeNode* node = FindFeedNode(feed.Id);
    // A name with a line break cannot be one line; such a feed sits under the root anyway.
    if (!node || node->InAccount() || feed.Name.find_first_of("\r\n") != std::string::npos) {
      continue;
    }
    arrangement.PathList += NodePath(node->m_parent, false);
    arrangement.PathList += '\\';
    arrangement.PathList += feed.Name;
    arrangement.PathList += "\r\n";
  }
  return arrangement;
}

void TFeedTree::SaveTreeStructureToSettings() const {
  if (!m_root) {
    return;  // nothing built yet: the stored arrangement is all there is
  }
  TTreeArrangement arrangement = SaveTreeStructure();
  Settings().Structure = std::move(arrangement.Structure);
  Settings().PathList = std::move(arrangement.PathList);
}

}  // namespace tidewick
