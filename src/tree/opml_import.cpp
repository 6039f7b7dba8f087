#include "tree/opml_import.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <unordered_map>
#include <unordered_set>

#include "feeds/feed_records.h"
#include "lang/export_file.h"
#include "lang/lang_text.h"
#include "platform/file_io.h"
#include "settings/settings.h"
#include "util/case_fold.h"
#include "util/strings.h"
#include "web/feed_address.h"
#include "web/web_address.h"
#include "xml/xml_doc.h"

namespace tidewick {
namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

bool IsElement(const TXmlNode& node) {
  return !node.Name().empty() && node.Name()[0] != '?' && node.Name()[0] != '!';
}

bool HasChildElements(const TXmlNode& node) {
  for (const TXmlNode* child : node.Nodes()) {
    if (IsElement(*child)) {
      return true;
    }
  }
  return false;
}

std::string_view AttributeValue(const TXmlNode& node, std::string_view name) {
  const TXmlAttrib* attrib = node.Attribs().Find(name);
  return attrib != nullptr ? attrib->Value() : std::string_view();
}

// "text", else "title"; control characters (which would break the stored arrangement) become blanks.
std::string OutlineName(const TXmlNode& node) {
  std::string_view name = TrimView(AttributeValue(node, "text"));
  if (name.empty()) {
    name = TrimView(AttributeValue(node, "title"));
  }
  std::string clean(name);
  std::replace_if(
      clean.begin(), clean.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; }, ' ');
  return clean;
}

bool HasFeedAddress(const TXmlNode& node) {
  return !TrimView(AttributeValue(node, "xmlUrl")).empty();
}

// Feed outlines anywhere below node: what a nameless folder takes with it.
int CountFeedOutlines(const TXmlNode& top) {
  int count = 0;
  std::vector<const TXmlNode*> pending{&top};
  while (!pending.empty()) {
    const TXmlNode* node = pending.back();
    pending.pop_back();
    bool leaf = true;
    for (const TXmlNode* child : node->Nodes()) {
      if (IsElement(*child)) {
        pending.push_back(child);
        leaf = false;
      }
    }
    count += leaf && node != &top && HasFeedAddress(*node) ? 1 : 0;
  }
  return count;
}

// Walks the outlines below body in document order with an explicit stack: nesting depth cannot exhaust ours.
void CollectOutlines(const TXmlNode& body, TOpmlOutlines& outlines) {
  struct TLevel {
    const TXmlNode* Next;
    int Parent;
  };
  std::vector<TLevel> stack{{body.Nodes().First(), -1}};
  while (!stack.empty()) {
    const TXmlNode* node = stack.back().Next;
    const int parent = stack.back().Parent;
    if (node == nullptr) {
      stack.pop_back();
      continue;
    }
    stack.back().Next = node->NextSibling();
    if (!IsElement(*node)) {
      continue;
    }
    std::string name = OutlineName(*node);
    if (HasChildElements(*node)) {
      if (name.empty()) {
        outlines.Skipped += CountFeedOutlines(*node);
        continue;
      }
      outlines.Entries.push_back({parent, true, std::move(name), {}});
      stack.push_back({node->Nodes().First(), static_cast<int>(outlines.Entries.size()) - 1});
      continue;
    }
    if (!HasFeedAddress(*node)) {
      continue;  // a note, a link or a separator: nothing to subscribe
    }
    std::optional<std::string> address = ImportFeedAddress(AttributeValue(*node, "xmlUrl"));
    if (!address) {
      ++outlines.Skipped;
      continue;
    }
    SanitizeFeedName(name);
    if (name.empty()) {
      name = *address;  // readers write feeds they never fetched without a name; the address still names it
      SanitizeFeedName(name);
    }
    outlines.Entries.push_back({parent, false, std::move(name), std::move(*address)});
  }
}

bool StartsWithWideBom(std::string_view bytes) {
  return bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF");
}

// UniqueFeedName against the store plus what this import added, without a store scan per name: a file with
// thousands of equal names stays fast. Gives the same names (the lowest free number).
class TFeedNamer {
 public:
  TFeedNamer() {
    for (const TFeed& feed : Feeds) {
      m_taken.insert(feed.Name);
    }
  }
  std::string Unique(const std::string& name) {
    if (m_taken.insert(name).second) {
      return name;
    }
    int& number = m_nextNumber.try_emplace(name, 1).first->second;
    while (!m_taken.insert(name + std::to_string(number)).second) {
      ++number;
    }
    return name + std::to_string(number++);
  }

 private:
  std::unordered_set<std::string> m_taken;
  std::unordered_map<std::string, int> m_nextNumber;
};

int FolderDepth(const TTreeNode* node) {
  int depth = 0;
  for (; node != nullptr && !node->IsRoot(); node = node->Parent()) {
    ++depth;
  }
  return depth;
}

// The imported folders and feeds as lines of the arrangement texts, so the tree is rebuilt once instead of being
// re-sorted and re-captioned for every node (which made a large list take seconds).
class TImportArrangement {
 public:
  TImportArrangement(std::string basePath, int baseDepth) : m_basePath(std::move(basePath)), m_baseDepth(baseDepth) {}

  // The path of a new folder below parentPath (empty: the base), or parentPath itself when the tree would hold the
  // folder too deep or its path would grow past kMaxImportedFolderPathBytes (every feed's stored line repeats it).
  // Names are made unique among the new folder's siblings, ignoring case.
  std::string AddFolder(const std::string& parentPath, int parentDepth, std::string_view name, int& depth) {
    depth = parentDepth;
    const std::string clean = CleanFolderName(name);
    if (parentDepth + 1 > kMaxFolderDepth || parentPath.size() + 1 + clean.size() > kMaxImportedFolderPathBytes) {
      return parentPath;
    }
    std::unordered_set<std::string>& siblings = m_folderNames[parentPath];
    std::string unique = clean;
    // Numbers already handed out for this name are not tried again: thousands of equal names stay fast.
    int& number = m_nextNumber.try_emplace(parentPath + '\n' + FoldCase(clean), 1).first->second;
    while (!siblings.insert(FoldCase(unique)).second) {
      unique = clean + std::to_string(number++);
    }
    depth = parentDepth + 1;
    std::string path = parentPath + "\\" + unique;
    m_structure += path + "\t0\r\n";
    ++m_folders;
    return path;
  }

  void AddFeed(const std::string& folderPath, const std::string& name) {
    m_pathList += folderPath + "\\" + name + "\r\n";
  }

  const std::string& BasePath() const { return m_basePath; }
  int BaseDepth() const { return m_baseDepth; }
  const std::string& Structure() const { return m_structure; }
  const std::string& PathList() const { return m_pathList; }
  int Folders() const { return m_folders; }

 private:
  std::string m_basePath;
  int m_baseDepth;
  std::unordered_map<std::string, std::unordered_set<std::string>> m_folderNames;
  std::unordered_map<std::string, int> m_nextNumber;
  std::string m_structure;
  std::string m_pathList;
  int m_folders = 0;
};

std::string ReadErrorText(TOpmlReadStatus status, const std::string& fileName) {
  switch (status) {
    case TOpmlReadStatus::Unreadable:
      return LangTextWithValues("Main|MsgImportOpmlUnreadable", "Die Datei \"%s1%\" konnte nicht gelesen werden.",
                                {fileName});
    case TOpmlReadStatus::TooLarge:
      return LangTextWithValues("Main|MsgImportOpmlTooLarge",
                                "Die Datei \"%s1%\" ist größer als 32 MiB und wird nicht importiert.", {fileName});
    case TOpmlReadStatus::NotOpml:
      return LangTextWithValues("Main|MsgImportOpmlInvalid",
                                "Die Datei \"%s1%\" ist keine OPML-Datei. Es wurde nichts importiert.", {fileName});
    case TOpmlReadStatus::Read:
      break;
  }
  return {};
}

}  // namespace

std::optional<std::string> ImportFeedAddress(std::string_view xmlUrl) {
  std::string address = StripFeedScheme(TrimView(xmlUrl));
  if (address.starts_with('~')) {
    return std::nullopt;  // a home folder, never a host
  }
  // "javascript:x" or "mailto:a@b" name a scheme of their own; "example.org:8080/rss" names a port.
  const std::optional<std::string> scheme = AddressScheme(address);
  const size_t afterColon = scheme ? scheme->size() + 1 : 0;
  if (!scheme || (afterColon < address.size() && std::isdigit(static_cast<unsigned char>(address[afterColon])))) {
    address.insert(0, "http://");
  }
  if (!IsSafeWebAddress(address)) {
    return std::nullopt;
  }
  return address;
}

TOpmlReadResult ReadOpmlText(std::string_view bytes) {
  std::string text;
  if (bytes.find("<?xml") == std::string_view::npos && !StartsWithWideBom(bytes)) {
    if (bytes.starts_with(kUtf8Bom)) {
      bytes.remove_prefix(kUtf8Bom.size());
    }
    text = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n";
  }
  text += bytes;
  TOpmlReadResult result;
  TXmlDoc doc;
  const TXmlNode* body = doc.LoadFromString(text) ? doc.GetNode("opml\\body") : nullptr;
  if (body == nullptr) {
    return result;
  }
  result.Status = TOpmlReadStatus::Read;
  result.Outlines.Title = Trim(doc.GetValue("opml\\head\\title"));
  CollectOutlines(*body, result.Outlines);
  return result;
}

TOpmlReadResult ReadOpmlFile(const std::string& fileName) {
  TOpmlReadResult result;
  std::error_code error;
  const auto size = std::filesystem::is_regular_file(fileName, error) ? std::filesystem::file_size(fileName, error)
                                                                      : std::uintmax_t{0};
  if (error || !std::filesystem::is_regular_file(fileName, error)) {
    result.Status = TOpmlReadStatus::Unreadable;
    return result;
  }
  if (size > static_cast<std::uintmax_t>(kMaxOpmlFileBytes)) {
    result.Status = TOpmlReadStatus::TooLarge;
    return result;
  }
  const std::optional<std::string> bytes = ReadWholeFile(fileName);
  if (!bytes) {
    result.Status = TOpmlReadStatus::Unreadable;
    return result;
  }
  if (bytes->size() > static_cast<size_t>(kMaxOpmlFileBytes)) {
    result.Status = TOpmlReadStatus::TooLarge;  // it grew while we looked
    return result;
  }
  return ReadOpmlText(*bytes);
}

TOpmlImportReport ImportOpmlOutlines(TFeedTree& tree, TTreeNode* target, const TOpmlOutlines& outlines,
                                     int defaultTtl) {
  TOpmlImportReport report;
  if (target == nullptr || target->IsFeed() || target->IsStarred()) {
    return report;
  }
  report.Skipped = outlines.Skipped;
  TImportArrangement arrangement(tree.NodePath(target, false), FolderDepth(target));
  const std::string title =
      outlines.Title.empty() ? GetLangText("Main|ImportUntitledOPML", "Unbenannte OPML") : outlines.Title;
  // The new top folder is unique among the target's folders; everything else is new and only meets its own kind.
  int topDepth = arrangement.BaseDepth();
  std::string topPath = arrangement.BasePath();
  if (topDepth < kMaxFolderDepth) {
    topPath = arrangement.AddFolder(topPath, topDepth, tree.UniqueFolderName(target, title), topDepth);
  }
  const auto interval = static_cast<int16_t>(std::clamp(defaultTtl, 0, 32767));
  TFeedNamer namer;
  std::unordered_set<std::string> subscribed;
  for (const TFeed& feed : Feeds) {
    subscribed.insert(FeedAddressKey(feed.URL));
  }
  struct TPlace {
    std::string Path;
    int Depth;
  };
  std::vector<TPlace> folders{{topPath, topDepth}};  // each folder's path once: entries refer to them by number
  std::vector<size_t> folderOf;                      // per entry: its own folder, or a feed's parent folder
  folderOf.reserve(outlines.Entries.size());
  for (const TOpmlEntry& entry : outlines.Entries) {
    const size_t parent = entry.Parent < 0 ? 0 : folderOf[static_cast<size_t>(entry.Parent)];
    if (entry.IsFolder) {
      int depth = 0;
      std::string path = arrangement.AddFolder(folders[parent].Path, folders[parent].Depth, entry.Name, depth);
      if (depth == folders[parent].Depth) {
        folderOf.push_back(parent);  // held in its parent
        continue;
      }
      folderOf.push_back(folders.size());
      folders.push_back({std::move(path), depth});
      continue;
    }
    folderOf.push_back(parent);
    if (!subscribed.insert(FeedAddressKey(entry.Url)).second) {
      ++report.Duplicates;
      continue;
    }
    TFeed feed;
    feed.Name = namer.Unique(entry.Name);
    feed.URL = entry.Url;
    feed.Interval = interval;
    arrangement.AddFeed(folders[parent].Path, feed.Name);
    report.FeedIds.push_back(Feeds[static_cast<size_t>(AddFeed(std::move(feed)))].Id);
    ++report.Feeds;
  }
  report.Folders = arrangement.Folders();
  const TTreeArrangement current = tree.SaveTreeStructure();
  tree.BuildFeedTree(current.Structure + arrangement.Structure(), current.PathList + arrangement.PathList(),
                     Settings().ShowUnreadCount);
  return report;
}

TOpmlImportResult ImportOpmlFile(TFeedTree& tree, TTreeNode* target, const std::string& fileName) {
  TOpmlImportResult result;
  const TOpmlReadResult read = ReadOpmlFile(fileName);
  result.Status = read.Status;
  if (read.Status != TOpmlReadStatus::Read) {
    result.Message = ReadErrorText(read.Status, fileName);
    return result;
  }
  result.Report = ImportOpmlOutlines(tree, tree.TargetFolder(target), read.Outlines, Settings().DefaultTTL);
  tree.SaveTreeStructureToSettings();
  tree.UpdateTreeCaptions();
  result.Message =
      GetLangText("Main|MsgImportOpmlDone", "%s1% Feeds in %s2% Ordnern importiert, %s3% übersprungen.",
                  JoinLangParams({std::to_string(result.Report.Feeds), std::to_string(result.Report.Folders),
                                  std::to_string(result.Report.Skipped)}));
  if (result.Report.Duplicates > 0) {
    result.Message.append(" ").append(GetLangText("Main|MsgImportOpmlDuplicates",
                                                  "%s1% bereits abonnierte Feeds übersprungen.",
                                                  std::to_string(result.Report.Duplicates)));
  }
  return result;
}

}  // namespace tidewick
