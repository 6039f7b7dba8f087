#include "tree/opml_export.h"

#include <vector>

#include "feeds/feed_records.h"
#include "lang/lang_text.h"
#include "xml/xml_text.h"

namespace tidewick {
namespace {

constexpr std::string_view kCrLf = "\r\n";

// One UTF-8 sequence at text[pos]: its code point and length; a stray byte stands for itself.
char32_t DecodeAt(std::string_view text, size_t pos, size_t& length) {
  const auto lead = static_cast<unsigned char>(text[pos]);
  length = lead < 0xC0 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
  if (pos + length > text.size()) {
    length = 1;
    return lead;
  }
  char32_t codePoint = length == 1 ? lead : lead & (0x7F >> length);
  for (size_t i = 1; i < length; ++i) {
    codePoint = (codePoint << 6) | (static_cast<unsigned char>(text[pos + i]) & 0x3F);
  }
  return codePoint;
}

// An attribute or element value as ISO-8859-1 bytes: markup characters escaped, and everything Latin-1 cannot
// hold (or that readers would take for Windows-1252) as a numeric reference.
void AppendLatin1(std::string& out, std::string_view text) {
  for (size_t pos = 0; pos < text.size();) {
    size_t length = 1;
    const char32_t c = DecodeAt(text, pos, length);
    pos += length;
    if (const std::string_view entity = MarkupEntity(c); !entity.empty()) {
      out += entity;
    } else if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
      out += static_cast<char>(c);
    } else {
      AppendNumericReference(out, c);
    }
  }
}

void AppendIndent(std::string& out, size_t level) {
  out.append(level * 2, ' ');
}

void AppendFolderStart(std::string& out, size_t level, std::string_view name, bool empty) {
  AppendIndent(out, level);
  out += "<outline text=\"";
  AppendLatin1(out, name);
  out += empty ? "\" />" : "\">";
  out += kCrLf;
}

void AppendFeed(std::string& out, size_t level, const TFeed& feed) {
  AppendIndent(out, level);
  out += "<outline text=\"";
  AppendLatin1(out, feed.Name);
  out += "\" xmlUrl=\"";
  AppendLatin1(out, feed.URL);
  out += "\" type=\"rss\" />";
  out += kCrLf;
}

// ExportOutlines without recursion: each level remembers the next child to write. Folders open a level; feeds whose
// feed has left the store are passed over.
void AppendOutlines(std::string& out, const TTreeNode& start, size_t baseLevel) {
  struct TLevel {
    const TTreeNode* Node;
    int NextRow;
  };
  std::vector<TLevel> stack{{&start, 0}};
  while (!stack.empty()) {
    TLevel& level = stack.back();
    const size_t depth = baseLevel + stack.size() - 1;
    if (level.NextRow >= level.Node->ChildCount()) {
      stack.pop_back();
      if (!stack.empty()) {
        AppendIndent(out, depth - 1);
        out += "</outline>";
        out += kCrLf;
      }
      continue;
    }
    const TTreeNode* child = level.Node->Child(level.NextRow++);
    if (child->IsFolder()) {
      const bool empty = child->ChildCount() == 0;
      AppendFolderStart(out, depth, child->Name(), empty);
      if (!empty) {
        stack.push_back({child, 0});
      }
      continue;
    }
    const int position = child->IsFeed() ? FindFeedById(child->FeedId()) : -1;
    if (position >= 0) {
      AppendFeed(out, depth, Feeds[static_cast<size_t>(position)]);
    }
  }
}

}  // namespace

TOpmlExportScope OpmlExportScope(const TFeedTree& tree, const TTreeNode* selected) {
  const TTreeNode* start = selected != nullptr && selected->IsFeed() ? selected->Parent() : selected;
  TOpmlExportScope scope;
  if (start != nullptr && start->IsFolder()) {
    scope.Start = start;
    scope.WholeTree = false;
    scope.Title = start->Name();
    scope.DialogTitle =
        LangTextWithValues("Main|DlgExportFeedsTitle", "Feeds in \"%s1%\" exportieren", {start->Name()});
    return scope;
  }
  scope.Start = tree.Root();
  scope.Title = GetLangText("Main|OpmlTitle", "Tidewick Feed-Liste");
  scope.DialogTitle = GetLangText("Main|DlgExportAllFeedsTitle", "Alle Feeds exportieren");
  return scope;
}

std::string OpmlExportText(const TTreeNode& start, std::string_view title) {
  std::string out = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n<opml version=\"1.1\">\r\n  <head>\r\n";
  out += "    <title>";
  AppendLatin1(out, title);
  out += "</title>\r\n  </head>\r\n";
  std::string outlines;
  AppendOutlines(outlines, start, 2);
  if (outlines.empty()) {
    out += "  <body />\r\n";
  } else {
    out += "  <body>\r\n" + outlines + "  </body>\r\n";
  }
  out += "</opml>\r\n";
  return out;
}

TFileWriteResult ExportOpmlFile(const std::string& fileName, const TTreeNode& start, std::string_view title) {
  return WriteExportedFile(fileName, OpmlExportText(start, title));
}

}  // namespace tidewick
