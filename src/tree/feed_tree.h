#pragma once

// The feed tree: one root, the user's folders, one node per subscribed feed, one node per sync account (holding the
// server's categories as folders and the account's feeds) and, last under the root, the Starred node that lists every
// starred entry. Local folders exist only here; the
// arrangement is kept in the settings as two texts, Structure (one line per folder: path, TAB, "-1"/"0" for expanded)
// and PathList (one line per feed: folder path, backslash, feed name), and rebuilt from the store and those texts.
// Accounts, their folders and feeds come from SyncAccounts and each feed's Remote alone and are never written into
// those texts: the server decides where they live.
//
// A feed node refers to its feed by the feed's stable Id, never by a position, so deleting or reordering feeds cannot
// make a node point at the wrong feed. The window shows this model through a Qt item model; every rule lives here.
// Main thread only. Feed operations work on the process-wide store Feeds.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tidewick {

enum class TNodeKind { Root, Folder, Feed, Account, Starred };

// Image numbers of the shared image list: folder, root, feed, each without and with unread entries below.
inline constexpr int kImageFolder = 0;
inline constexpr int kImageFolderUnread = 1;
inline constexpr int kImageRoot = 2;
inline constexpr int kImageRootUnread = 3;
inline constexpr int kImageFeed = 4;
inline constexpr int kImageFeedUnread = 5;
inline constexpr int kImageStarred = 6;
inline constexpr int kImageStarredUnread = 7;

// The Starred node's name in paths (LastSelectedPath): the tab keeps it apart from any folder, whose names never hold
// one. It is never written into Structure or PathList.
inline constexpr std::string_view kStarredNodeName = "\tStarred";

// An account node's name in paths: the prefix, then the account's Key ("\tAccount:ttrss1"). Never in Structure or
// PathList.
inline constexpr std::string_view kAccountNodePrefix = "\tAccount:";

// Deeper folder paths are treated as damaged and skipped.
inline constexpr int kMaxFolderDepth = 64;
// Longest folder name taken from elsewhere (CleanFolderName): every feed's stored path repeats its folders' names.
inline constexpr size_t kMaxFolderNameBytes = 1000;

class TFeedTree;
struct TFeed;
struct TEntry;

// One node. Read freely; change only through TFeedTree, which keeps its indexes in step.
class TTreeNode {
 public:
  TNodeKind Kind() const { return m_kind; }
  bool IsRoot() const { return m_kind == TNodeKind::Root; }
  bool IsFolder() const { return m_kind == TNodeKind::Folder; }
  bool IsFeed() const { return m_kind == TNodeKind::Feed; }
  bool IsStarred() const { return m_kind == TNodeKind::Starred; }
  bool IsAccount() const { return m_kind == TNodeKind::Account; }
  // The Key of the account this node is or lies in; empty for local nodes.
  const std::string& AccountKey() const { return m_accountKey; }
  bool InAccount() const { return !m_accountKey.empty(); }
  // Folder name, feed name or root caption: what paths and comparisons use (never with an unread count).
  const std::string& Name() const { return m_name; }
  // What the tree shows: a feed's name with " [n]" when unread counts are shown, a folder's (and the root's) with the
  // sum of the feeds below when folder counts are shown; otherwise the name.
  const std::string& Caption() const { return m_caption; }
  bool Expanded() const { return m_expanded; }
  int Image() const { return m_image; }
  // A failed refresh of this feed, or of a feed below this folder or root.
  bool HasErrorMark() const { return m_errorMark; }
  // Why the account's last sync failed (account nodes only; empty when it did not).
  const std::string& ErrorText() const { return m_errorText; }
  // The feed's stable Id (feed nodes only; 0 otherwise).
  uint64_t FeedId() const { return m_feedId; }

  TTreeNode* Parent() const { return m_parent; }
  int ChildCount() const { return static_cast<int>(m_children.size()); }
  TTreeNode* Child(int row) const;
  // Position among the parent's children (0 for the root).
  int Row() const { return m_row; }

 private:
  friend class TFeedTree;
  TNodeKind m_kind = TNodeKind::Folder;
  std::string m_name;
  std::string m_caption;
  bool m_expanded = false;
  int m_image = kImageFolder;
  bool m_errorMark = false;
  std::string m_errorText;
  std::string m_accountKey;
  uint64_t m_feedId = 0;
  int64_t m_unreadBelow = 0;  // a folder's or the root's sum, as last captioned
  TTreeNode* m_parent = nullptr;
  int m_row = 0;
  std::vector<std::unique_ptr<TTreeNode>> m_children;
};

// The two settings texts that hold the arrangement.
struct TTreeArrangement {
  std::string Structure;
  std::string PathList;
};

// Why a folder could not take a name.
enum class TRenameResult {
  Renamed,
  Unchanged,    // the same name again
  NotAllowed,   // the root keeps its caption; the server of an account cannot rename
  InvalidName,  // empty, or holds "\", TAB, CR or LF (a feed: empty, or a line break)
  NameTaken,    // a sibling folder has this name (ignoring case); for a feed, another feed has it
};

// What removing a node needs the user to decide.
enum class TRemoveKind {
  None,     // nothing to remove (root, no node, or a feed that is no longer in the store)
  Feed,     // ask Yes/No
  Folder,   // ask Yes (with its feeds) / No (keep the feeds) / Cancel
  Account,  // ask Yes/No: the account and its feeds leave this store, never the server
};

// Told to the one view on the tree.
struct TFeedTreeHooks {
  std::function<void()> BeforeReset;         // nodes are about to be replaced: every node pointer goes away
  std::function<void()> AfterReset;          // the tree was rebuilt
  std::function<void()> BeforeLayoutChange;  // nodes are about to be added, moved or re-sorted; none goes away
  std::function<void()> AfterLayoutChange;
  std::function<void()> CaptionsChanged;  // captions, images or marks changed; the structure did not
  std::function<void()> SelectionChanged;
};

// Orders names for display (negative, zero, positive); by default Unicode case-folded order. Equal names are
// ordered by their bytes so the order is always the same.
using TNameCompare = std::function<int(std::string_view, std::string_view)>;

// What an account's node shows: its Title, else its server address, else its Key.
std::string AccountTitle(std::string_view key);

// True for a usable folder name: not blank and without "\", TAB, CR or LF (those would break the stored paths).
bool IsValidFolderName(std::string_view name);
// A folder name from elsewhere (an OPML file) made usable: cut to kMaxFolderNameBytes on a character boundary, "\"
// becomes "/", control characters become blanks, the result is trimmed. May be empty: the caller picks a name then.
std::string CleanFolderName(std::string_view name);

class TFeedTree {
 public:
  TFeedTree();
  ~TFeedTree();
  TFeedTree(const TFeedTree&) = delete;
  TFeedTree& operator=(const TFeedTree&) = delete;

  void SetHooks(TFeedTreeHooks hooks);
  void SetNameCompare(TNameCompare compare);

  // Nothing before the first build.
  TTreeNode* Root() const { return m_root.get(); }
  TTreeNode* Selected() const { return m_selected; }
  void Select(TTreeNode* node);

  // Rebuilds the whole tree from Feeds and the arrangement texts, keeps the selection where it can (the same feed,
  // else the deepest node of the previous path that still exists, else the root), expands the selected node, sorts
  // every level and updates the captions. Damaged lines are skipped.
  void BuildFeedTree(std::string_view structure, std::string_view pathList, bool showUnreadCount);
  // The same with Settings().Structure, PathList and ShowUnreadCount.
  void BuildFeedTree();

  // The arrangement texts of the current tree (empty when nothing was built).
  TTreeArrangement SaveTreeStructure() const;
  // Stores them in Settings(); leaves the settings alone when the tree was never built.
  void SaveTreeStructureToSettings() const;

  // "\News\Tech\Alpha"; withRoot puts "\" and the root's caption in front. The root alone: "" or "\Feeds".
  std::string NodePath(const TTreeNode* node, bool withRoot) const;
  // Selects what a LastSelectedPath value names (its first part, the root's name, is not compared, so a path
  // survives a change of language). Too short a path selects the root.
  void SelectNodeByPath(std::string_view path);
  // Walks "\A\B" from the root through folders of exactly these names, creating missing ones (collapsed). Nothing
  // for a damaged path (no leading "\", an empty part, a bad name, too deep).
  TTreeNode* FindOrCreateFolderPath(std::string_view path);
  // The same walk without creating anything.
  TTreeNode* FindFolderPath(std::string_view path) const;

  // Recomputes every feed caption, image and error mark from Feeds. Feeds without a node are passed over.
  void UpdateTreeCaptions(bool showUnreadCount);
  void UpdateTreeCaptions();  // with Settings().ShowUnreadCount and ShowFolderUnreadCount
  // Whether folders and the root show the sum of the unread entries below them (from the next caption pass on).
  void SetFolderUnreadCounts(bool show) { m_showFolderCounts = show; }

  TTreeNode* FindFeedNode(uint64_t feedId) const;
  // The Starred node, the root's last child (nothing before the first build).
  TTreeNode* StarredNode() const;
  // Selects the feed's node; false when it has none.
  bool SelectFeed(uint64_t feedId);
  // The Ids of the feeds at and below node, in the tree's top-down order (for the root: every feed in the tree).
  std::vector<uint64_t> FeedIdsUnder(const TTreeNode* node) const;
  // Where new local things go for this selection: the node itself when it is a folder or the root, a feed's parent,
  // and the root when nothing is given or the node lies in an account (local feeds never go there).
  TTreeNode* TargetFolder(TTreeNode* node) const;
  // The account node of the account with this Key (nothing when the tree has none).
  TTreeNode* FindAccountNode(std::string_view key) const;
  // Marks the account's node with the reason its last sync failed; an empty reason clears the mark. Kept in memory
  // across rebuilds until cleared.
  void SetAccountError(const std::string& key, const std::string& reason);

  // name (cleaned with CleanFolderName) when no folder child of parent has it ignoring case, else name1, name2...
  // An unusable name gives NewFolderName(parent).
  std::string UniqueFolderName(const TTreeNode* parent, std::string_view name) const;
  // "Main|NewFolderTemplate" with the lowest number no child of parent carries (ignoring case).
  std::string NewFolderName(const TTreeNode* parent) const;
  // Adds a folder with NewFolderName under a folder or the root, sorted into place, and selects it.
  TTreeNode* AddNewFolder(TTreeNode* parent);
  // Adds a folder named exactly so (it must be valid) under a folder or the root, sorted into place.
  TTreeNode* AddFolderNode(TTreeNode* parent, std::string_view name);
  // Adds the node of a feed of Feeds under a folder or the root, sorted into place; nothing when the feed is not in
  // the store or already has a node.
  TTreeNode* AddFeedNode(TTreeNode* parent, uint64_t feedId);

  // Whether label editing may start on node (local folders and feeds: the server of an account cannot rename).
  bool CanRename(const TTreeNode* node) const;
  // Renames a folder (the new name is trimmed); a change of letter case only is always accepted.
  TRenameResult RenameFolder(TTreeNode* node, std::string_view newName);
  // Renames a folder, or a feed by the feed dialog's rules: trimmed, brackets become parentheses (a name the captions'
  // " [n]" could not be told from), unique among the feeds (exactly; a change of letter case is another name). The
  // feed's store record takes the name, so its PathList line follows at the next save of the arrangement.
  TRenameResult RenameNode(TTreeNode* node, std::string_view newName);

  TRemoveKind RemoveKindOf(const TTreeNode* node) const;
  // Removes a feed node and its feed, stores the arrangement in Settings() and rebuilds. The name of a feed the
  // store could not delete is returned.
  std::optional<std::string> RemoveFeedNode(TTreeNode* node);
  // Removes a folder with everything below it; with removeFeeds their feeds leave the store too, otherwise they are
  // placed under the root. Stores the arrangement and rebuilds. Returns the names the store could not delete.
  std::vector<std::string> RemoveFolderNode(TTreeNode* node, bool removeFeeds);
  // Removes an account node: the account leaves SyncAccounts and its feeds the store (here only; the server keeps
  // them). Rebuilds. Returns the names the store could not delete.
  std::vector<std::string> RemoveAccountNode(TTreeNode* node);

  // Whether dragged may be dropped onto target: only a folder or the root, never the dragged node, its own parent
  // or anything below it, never where a child already has the dragged node's name (ignoring case), and never out of
  // or into an account (its server cannot move).
  bool CanDrop(const TTreeNode* dragged, const TTreeNode* target) const;
  // Makes dragged a child of target, sorts and updates the captions. False (nothing changed) when CanDrop refuses.
  bool DropNode(TTreeNode* dragged, TTreeNode* target);
  // The root, every folder and every account node in the tree's top-down order (what the add dialog offers: under
  // an account, a subscription on its server).
  std::vector<TTreeNode*> FolderNodes() const;
  // Those of them node may be moved into (CanDrop): the choices of "Move to folder".
  std::vector<TTreeNode*> MoveTargets(const TTreeNode* node) const;

  // Marks every entry of the feeds at and below node read (or unread) and updates the captions. The root marks the
  // whole store, the Starred node every starred entry. changed hears of every entry whose mark changed (the sync
  // queue takes those of account feeds).
  using TEntryMarked = std::function<void(const TFeed& feed, const TEntry& entry)>;
  void MarkNodeRead(const TTreeNode* node, bool read, const TEntryMarked& changed = {});

  void SetExpanded(TTreeNode* node, bool expanded);
  // Folders first, then feeds; each group by name ignoring case.
  void SortTree();

 private:
  class TChangeScope;

  TTreeNode* AddChild(TTreeNode* parent, std::unique_ptr<TTreeNode> child);
  std::unique_ptr<TTreeNode> TakeChild(TTreeNode* node);
  void SortChildren(TTreeNode* parent, bool recursive);
  void Renumber(TTreeNode* parent);
  TTreeNode* FindFolderChild(const TTreeNode* parent, std::string_view name) const;
  void CreateFolders(std::string_view structure);
  void PlaceFeeds(std::string_view pathList);
  void IndexFeeds() const;
  void AddStarredNode();
  void AddAccountNodes();
  // A feed's node, without its place.
  static std::unique_ptr<TTreeNode> FeedNode(const TFeed& feed);
  void UpdateStarredCaption(bool showUnreadCount);
  int CompareNodes(const TTreeNode& a, const TTreeNode& b) const;
  void Notify(const std::function<void()>& hook) const;

  std::unique_ptr<TTreeNode> m_root;
  TTreeNode* m_selected = nullptr;
  TFeedTreeHooks m_hooks;
  TNameCompare m_compare;
  int m_changeDepth = 0;
  bool m_selectionMoved = false;
  bool m_showUnreadCount = false;  // as last captioned
  bool m_showFolderCounts = false;
  mutable bool m_feedIndexValid = false;
  mutable std::unordered_map<uint64_t, TTreeNode*> m_feedIndex;
  std::unordered_map<std::string, std::string> m_accountErrors;  // Key -> reason of the last failed sync
};

}  // namespace tidewick
