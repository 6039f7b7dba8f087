// The forgiving tag scanner: one pass over one UTF-8 buffer, no recursion, never an error for bad markup.

#include <cstdint>
#include <cstring>
#include <string>
#include <unordered_map>

#include "platform/file_io.h"
#include "util/case_fold.h"
#include "util/charset.h"
#include "xml/xml_doc.h"
#include "xml/xml_internal.h"
#include "xml/xml_text.h"

namespace tidewick {

namespace {

using xml_internal::TrimBlanks;

const char* FindByte(const char* from, const char* end, char byte) {
  return static_cast<const char*>(std::memchr(from, byte, static_cast<std::size_t>(end - from)));
}

const char* FindText(const char* from, const char* end, std::string_view needle) {
  return static_cast<const char*>(memmem(from, static_cast<std::size_t>(end - from), needle.data(), needle.size()));
}

// The attribute text of the first tag that is not a comment or another "!" tag: the root's, which names the
// document's encoding. Works on the raw bytes, before any conversion (the markup is ASCII in every encoding we read).
std::string DeclaredEncoding(std::string_view bytes) {
  const char* pos = bytes.data();
  const char* const end = pos + bytes.size();
  while (true) {
    const char* lt = FindByte(pos, end, '<');
    if (lt == nullptr) {
      return {};
    }
    const char* gt = FindByte(lt + 1, end, '>');
    const char* tagEnd = gt == nullptr ? end : gt;
    std::string_view text = TrimBlanks(std::string_view(lt + 1, static_cast<std::size_t>(tagEnd - lt - 1)));
    pos = gt == nullptr ? end : gt + 1;
    if (text.starts_with("!--") && !text.ends_with("--")) {
      const char* close = FindText(pos, end, "-->");
      pos = close == nullptr ? end : close + 3;
      continue;
    }
    if (text.starts_with("!")) {
      continue;
    }
    if (text.starts_with("/")) {
      return {};
    }
    std::string encoding;
    while (!text.empty() && (text.back() == '?' || text.back() == '/')) {
      text.remove_suffix(1);
    }
    const std::size_t cut = text.find_first_of(" \t\r\n");
    if (cut != std::string_view::npos) {
      xml_internal::ParseAttributeText(text.substr(cut + 1), [&](std::string_view name, std::string_view value) {
        if (xml_internal::SameXmlName(name, "encoding")) {
          encoding = std::string(TrimBlanks(value));
        }
      });
    }
    return encoding;
  }
}

// Converts a document to UTF-8 once, up front: a byte-order mark wins over the declaration.
std::string DocumentToUtf8(std::string&& bytes) {
  const auto startsWith = [&](std::initializer_list<unsigned char> prefix) {
    if (bytes.size() < prefix.size()) {
      return false;
    }
    std::size_t i = 0;
    for (const unsigned char byte : prefix) {
      if (static_cast<unsigned char>(bytes[i++]) != byte) {
        return false;
      }
    }
    return true;
  };
  if (startsWith({0xFF, 0xFE, 0, 0}) || startsWith({0, 0, 0xFE, 0xFF})) {
    return DecodeToUtf8(std::string_view(bytes), "UTF-32");
  }
  if (startsWith({'<', 0, 0, 0})) {
    return DecodeToUtf8(std::string_view(bytes), "UTF-32LE");
  }
  if (startsWith({0, 0, 0, '<'})) {
    return DecodeToUtf8(std::string_view(bytes), "UTF-32BE");
  }
  if (startsWith({0xFF, 0xFE}) || startsWith({0xFE, 0xFF})) {
    return DecodeToUtf8(std::string_view(bytes), "UTF-16");
  }
  if (startsWith({'<', 0, '?', 0})) {
    return DecodeToUtf8(std::string_view(bytes), "UTF-16LE");
  }
  if (startsWith({0, '<', 0, '?'})) {
    return DecodeToUtf8(std::string_view(bytes), "UTF-16BE");
  }
  if (startsWith({0xEF, 0xBB, 0xBF})) {
    return DecodeToUtf8(std::move(bytes), "UTF-8");
  }
  std::string encoding = DeclaredEncoding(bytes);
  if (!IsAsciiCompatibleEncoding(encoding)) {
    // The markup was found as plain ASCII bytes, so a label that cannot hold it (UTF-16 without a byte-order mark,
    // UTF-7, a name iconv does not know) is wrong, as with feeds re-encoded by their server: the bytes decide.
    encoding.clear();
  }
  return DecodeToUtf8(std::move(bytes), encoding);
}

bool IsLeafInstructionName(std::string_view name) {
  return name.starts_with("?") && !xml_internal::SameXmlName(name, "?xml");
}

bool IsLeafInstruction(const TXmlNode& node) {
  return IsLeafInstructionName(node.Name());
}

}  // namespace

class TXmlReader {
 public:
  TXmlReader(TXmlDoc& doc, std::string_view text, const TXmlLoadOptions& options)
      : m_doc(doc), m_options(options), m_begin(text.data()), m_pos(text.data()), m_end(text.data() + text.size()) {}

  TXmlLoadResult Run();

 private:
  struct TTag {
    std::string_view Text;  // between "<" and ">", trimmed, without a closing "?" or "/"
    const char* Start = nullptr;
    const char* After = nullptr;  // just behind the ">"
    bool Eof = false;
    bool HasContent = false;
    bool IsCData = false;
    std::string_view Body;       // the element text, when it is one run of the source
    bool BodyAssembled = false;  // the element text joined with CDATA content, in m_scratch
  };

  void ScanTag(TTag& tag);
  void ScanElementTag(TTag& tag);
  void ReadElementText(TTag& tag, bool keep);
  class TAttributeIndex {
   public:
    void Start(TXmlAttribList* list);
    TXmlAttrib* Find(std::string_view name);
    void Added(TXmlAttrib* attrib);

   private:
    static constexpr int kLinearLimit = 16;
    TXmlAttribList* m_list = nullptr;
    int m_count = 0;
    std::unordered_map<std::string, TXmlAttrib*> m_index;
  };

  void FillNode(TXmlNode& node, const TTag& tag, bool isRoot);
  // Counts tree memory against the budget; false (and reading stops) when it would be exceeded.
  bool Charge(std::size_t bytes);
  void OpenElement(TXmlNode& node, const TTag& tag);
  void CloseElement(TXmlNode& node, const char* innerEnd);
  std::string_view DecodedValue(std::string_view raw, bool stored);
  static bool EndsElement(const TTag& tag) { return tag.Eof || tag.Text.empty() || tag.Text.front() == '/'; }
  // Whether the tag opens an element that later tags go into (the way the tree is built below).
  static bool OpensElement(const TTag& tag) {
    return tag.HasContent && !IsLeafInstructionName(tag.Text.substr(0, tag.Text.find_first_of(" \t\r\n")));
  }
  // Below the depth limit: counts the elements the skipped one holds; true while the tag is still inside it.
  bool SkipDeep(const TTag& tag);

  TXmlDoc& m_doc;
  const TXmlLoadOptions m_options;
  std::size_t m_treeBytes = 0;
  bool m_overBudget = false;
  int m_skipping = 0;  // open elements inside an element that lies too deep
  bool m_tooDeep = false;
  TAttributeIndex m_attributeIndex;
  const char* const m_begin;
  const char* m_pos;
  const char* const m_end;
  bool m_cutShort = false;  // a tag, comment or CDATA section ran into the end of the input
  bool m_latin1 = false;
  std::string m_scratch;
};

void TXmlReader::ScanTag(TTag& tag) {
  tag = TTag{};
  const char* lt = FindByte(m_pos, m_end, '<');
  if (lt == nullptr) {
    m_pos = m_end;
    tag.Eof = true;
    return;
  }
  tag.Start = lt;
  const char* gt = FindByte(lt + 1, m_end, '>');
  if (gt == nullptr) {
    m_cutShort = true;
  }
  const char* textEnd = gt == nullptr ? m_end : gt;
  m_pos = gt == nullptr ? m_end : gt + 1;
  tag.After = m_pos;
  std::string_view text = TrimBlanks(std::string_view(lt + 1, static_cast<std::size_t>(textEnd - lt - 1)));
  if (!text.empty() && text.back() == '?') {
    tag.Text = TrimBlanks(text.substr(0, text.size() - 1));
    tag.HasContent = true;
    return;
  }
  if (text.starts_with("!--")) {
    tag.Text = text;
    if (!text.ends_with("--") && m_pos != m_end) {
      // The comment held a ">": it ends at the next "-->".
      const char* close = FindText(m_pos, m_end, "-->");
      m_cutShort |= close == nullptr;
      m_pos = close == nullptr ? m_end : close + 3;
    }
    return;
  }
  if (!text.empty() && text.back() == '/') {
    tag.Text = TrimBlanks(text.substr(0, text.size() - 1));
    return;
  }
  tag.Text = text;
  tag.HasContent = true;
  ReadElementText(tag, !text.empty() && text.front() != '/' && text.front() != '!');
}

// Skips comments, document type declarations and other "!" tags.
void TXmlReader::ScanElementTag(TTag& tag) {
  do {
    ScanTag(tag);
  } while (!tag.Eof && tag.Text.starts_with("!"));
}

void TXmlReader::ReadElementText(TTag& tag, bool keep) {
  // The text is made of runs: plain text and CDATA content. A single non-empty run stays a view of the source (the
  // usual `<x><![CDATA[...]]></x>`); only several are joined in m_scratch.
  std::string_view single;
  bool assembled = false;
  const auto addRun = [&](const char* begin, const char* end) {
    if (!keep || begin == end) {
      return;
    }
    const std::string_view run(begin, static_cast<std::size_t>(end - begin));
    if (assembled) {
      m_scratch.append(run);
    } else if (single.empty()) {
      single = run;
    } else {
      m_scratch.assign(single);
      m_scratch.append(run);
      assembled = true;
    }
  };
  const char* runStart = m_pos;
  while (true) {
    const char* lt = FindByte(m_pos, m_end, '<');
    if (lt != nullptr && m_end - lt >= 9 && std::memcmp(lt + 1, "![CDATA[", 8) == 0) {
      tag.IsCData = true;
      const char* content = lt + 9;
      const char* close = FindText(content, m_end, "]]>");
      m_cutShort |= close == nullptr;
      addRun(runStart, lt);
      addRun(content, close == nullptr ? m_end : close);
      m_pos = close == nullptr ? m_end : close + 3;
      runStart = m_pos;
      continue;
    }
    m_pos = lt == nullptr ? m_end : lt;
    addRun(runStart, m_pos);
    break;
  }
  tag.BodyAssembled = assembled;
  tag.Body = single;
}

// Plain text stays a view of the source; text with references is decoded once, straight into the document's
// storage (decoding never makes a text longer).
std::string_view TXmlReader::DecodedValue(std::string_view raw, bool stored) {
  if (raw.empty()) {
    return {};
  }
  if (std::memchr(raw.data(), '&', raw.size()) == nullptr) {
    return stored ? raw : m_doc.StoreText(raw);
  }
  char* dest = m_doc.AllocateText(raw.size());
  return std::string_view(dest, DecodeTextInto(dest, raw, m_latin1));
}

// Whether a tag already has an attribute of this name: a linear search for the first few, then an index by folded
// name, so a hostile tag with millions of attributes still reads in linear time.
TXmlAttrib* TXmlReader::TAttributeIndex::Find(std::string_view name) {
  if (m_count < kLinearLimit) {
    return m_list == nullptr ? nullptr : m_list->Find(name);
  }
  if (m_index.empty()) {
    for (TXmlAttrib* attrib = m_list->First(); attrib != nullptr; attrib = attrib->Next()) {
      m_index.try_emplace(FoldXmlName(attrib->Name()), attrib);
    }
  }
  const auto found = m_index.find(FoldXmlName(name));
  return found == m_index.end() ? nullptr : found->second;
}

void TXmlReader::TAttributeIndex::Added(TXmlAttrib* attrib) {
  ++m_count;
  if (!m_index.empty()) {
    m_index.try_emplace(FoldXmlName(attrib->Name()), attrib);
  }
}

void TXmlReader::TAttributeIndex::Start(TXmlAttribList* list) {
  m_list = list;
  m_count = 0;
  m_index.clear();
}

bool TXmlReader::Charge(std::size_t bytes) {
  if (m_options.MaxTreeBytes != 0 && m_treeBytes + bytes > m_options.MaxTreeBytes) {
    m_overBudget = true;
    return false;
  }
  m_treeBytes += bytes;
  return true;
}

void TXmlReader::FillNode(TXmlNode& node, const TTag& tag, bool isRoot) {
  std::string_view name = tag.Text;
  const std::size_t cut = name.find_first_of(" \t\r\n");
  if (cut != std::string_view::npos) {
    std::string_view attribText = name.substr(cut + 1);
    name = name.substr(0, cut);
    if (!attribText.empty() && attribText.back() == '?') {
      attribText.remove_suffix(1);
    }
    m_attributeIndex.Start(&node.m_attribs);
    TXmlAttrib* last = nullptr;
    xml_internal::ParseAttributeText(attribText, [&](std::string_view attribName, std::string_view rawValue) {
      if (m_overBudget) {
        return;
      }
      TXmlAttrib* existing = m_attributeIndex.Find(attribName);
      if (existing == nullptr && !Charge(sizeof(TXmlAttrib))) {
        return;
      }
      const std::string_view value = DecodedValue(rawValue, true);
      if (existing != nullptr) {
        existing->SetValueView(value);
        return;
      }
      TXmlAttrib* attrib = m_doc.NewAttrib();
      attrib->SetNameView(attribName);
      attrib->SetValueView(value);
      (last == nullptr ? node.m_attribs.m_first : last->m_next) = attrib;
      last = attrib;
      m_attributeIndex.Added(attrib);
    });
  }
  name = TrimBlanks(name);
  if (isRoot && name == "?xml-stylesheet") {
    name = "?xml";  // a stylesheet instruction in place of the declaration
  }
  node.SetNameView(name);
  if (node.m_key != nullptr) {
    Charge(name.size() + sizeof(uint32_t));
  }
  node.m_isCData = tag.IsCData;
  if (isRoot) {
    if (const TXmlAttrib* encoding = node.m_attribs.Find("encoding")) {
      m_latin1 = IsLatin1EncodingName(TrimBlanks(encoding->Value()));
    }
  }
  node.SetValueView(tag.BodyAssembled ? DecodedValue(m_scratch, false) : DecodedValue(tag.Body, true));
}

void TXmlReader::OpenElement(TXmlNode& node, const TTag& tag) {
  node.m_innerBegin = static_cast<uint32_t>(tag.After - m_begin);
}

void TXmlReader::CloseElement(TXmlNode& node, const char* innerEnd) {
  node.m_innerSize = static_cast<uint32_t>(innerEnd - m_begin) - node.m_innerBegin;
}

bool TXmlReader::SkipDeep(const TTag& tag) {
  if (m_skipping == 0 || tag.Eof) {
    return false;
  }
  if (EndsElement(tag)) {
    --m_skipping;
  } else if (OpensElement(tag)) {
    ++m_skipping;
  }
  return true;
}

TXmlLoadResult TXmlReader::Run() {
  TXmlLoadResult result;
  TTag tag;
  ScanElementTag(tag);
  if (EndsElement(tag)) {
    result.Offset = static_cast<std::size_t>(m_pos - m_begin);
    return result;
  }
  TXmlNode& root = m_doc.m_root;
  FillNode(root, tag, true);
  result.Ok = true;
  const bool rootIsDeclaration = root.Name().starts_with("?");
  bool hasTopElement = false;
  if (!tag.HasContent || IsLeafInstruction(root)) {
    result.Complete = !m_cutShort && !rootIsDeclaration;
    result.Offset = static_cast<std::size_t>(m_pos - m_begin);
    return result;
  }
  OpenElement(root, tag);
  TXmlNode* current = &root;
  int depth = 0;  // of current below the root
  while (true) {
    ScanElementTag(tag);
    if (SkipDeep(tag)) {
      continue;
    }
    if (EndsElement(tag)) {
      if (tag.Eof) {
        // Whatever is still open ends with the input.
        for (TXmlNode* open = current; open != nullptr; open = open->m_parent) {
          CloseElement(*open, m_end);
        }
        result.Complete = current == &root && rootIsDeclaration && hasTopElement && !m_cutShort;
        break;
      }
      CloseElement(*current, tag.Start);
      if (current == &root) {
        result.Complete = (!rootIsDeclaration || hasTopElement) && !m_cutShort;
        break;
      }
      if (current->m_parent == &root && !current->Name().starts_with("?")) {
        hasTopElement = true;
      }
      current = current->m_parent;
      --depth;
      continue;
    }
    if (m_options.MaxDepth > 0 && depth >= m_options.MaxDepth) {
      m_tooDeep = true;
      m_skipping = OpensElement(tag) ? 1 : 0;
      continue;
    }
    TXmlNode* child = Charge(sizeof(TXmlNode)) ? m_doc.NewNode(current) : nullptr;
    if (child != nullptr) {
      current->m_nodes.Append(child);
      FillNode(*child, tag, false);
    }
    if (m_overBudget) {
      // Read up to the budget: what is open ends where reading stopped.
      for (TXmlNode* open = current; open != nullptr; open = open->m_parent) {
        CloseElement(*open, tag.Start);
      }
      m_pos = tag.Start;
      break;
    }
    if (tag.HasContent && !IsLeafInstruction(*child)) {
      OpenElement(*child, tag);
      current = child;
      ++depth;
    } else if (current == &root && !child->Name().starts_with("?")) {
      hasTopElement = true;  // a self-closing top element
    }
  }
  result.OverBudget = m_overBudget;
  result.TooDeep = m_tooDeep;
  result.Offset = static_cast<std::size_t>(m_pos - m_begin);
  result.TreeBytes = m_treeBytes;
  return result;
}

TXmlLoadResult TXmlDoc::LoadOwned(std::string&& bytes, const TXmlLoadOptions& options) {
  Reset();
  std::string input = std::move(bytes);
  const bool tooLarge = options.MaxInputBytes != 0 && input.size() > options.MaxInputBytes;
  if (tooLarge) {
    input.resize(options.MaxInputBytes);
  }
  std::string text = DocumentToUtf8(std::move(input));
  std::string().swap(input);  // a converted copy no longer needs the original
  if (text.size() > UINT32_MAX) {
    return {};  // beyond what a node can point into; downloads and our files are far smaller
  }
  TXmlReader reader(*this, KeepSource(std::move(text)), options);
  TXmlLoadResult result = reader.Run();
  result.TooLarge = tooLarge;
  return result;
}

TXmlLoadResult TXmlDoc::LoadFromStringEx(std::string_view text) {
  if (text.empty()) {
    return {};
  }
  return LoadOwned(std::string(text), {});
}

TXmlLoadResult TXmlDoc::LoadFromOwnedText(std::string&& text, const TXmlLoadOptions& options) {
  if (text.empty()) {
    return {};
  }
  return LoadOwned(std::move(text), options);
}

TXmlLoadResult TXmlDoc::LoadFromFileEx(const std::string& fileName, const TXmlLoadOptions& options) {
  // One byte beyond the limit is enough to know the file goes on.
  std::optional<std::string> bytes =
      options.MaxInputBytes == 0 ? ReadWholeFile(fileName) : ReadFileStart(fileName, options.MaxInputBytes + 1);
  if (!bytes || bytes->empty()) {
    return {};
  }
  return LoadOwned(std::move(*bytes), options);
}

bool TXmlDoc::LoadFromString(std::string_view text) {
  return LoadFromStringEx(text).Ok;
}

bool TXmlDoc::LoadFromFile(const std::string& fileName) {
  return LoadFromFileEx(fileName).Ok;
}

}  // namespace tidewick
