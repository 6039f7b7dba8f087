#include "xml/xml_doc.h"

#include <array>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <memory_resource>
#include <new>
#include <optional>
#include <sys/mman.h>
#include <type_traits>
#include <vector>

#include "util/case_fold.h"
#include "xml/xml_internal.h"
#include "xml/xml_text.h"

namespace tidewick {

// Nodes, attributes and texts live in one arena and are freed together with the document, so destroying a tree is
// one release however deep it is.
static_assert(std::is_trivially_destructible_v<TXmlNode>);
static_assert(std::is_trivially_destructible_v<TXmlAttrib>);

namespace {

// Hands large arena blocks out in 2 MiB-aligned memory the kernel may back with huge pages: a big document then
// costs a few hundred page faults instead of a hundred thousand.
class THugeBlockResource : public std::pmr::memory_resource {
 public:
  static constexpr std::size_t kHugePage = 2u << 20;

 private:
  void* do_allocate(std::size_t bytes, std::size_t alignment) override {
    if (bytes < kHugePage) {
      return ::operator new(bytes, std::align_val_t(alignment));
    }
    const std::size_t size = (bytes + kHugePage - 1) / kHugePage * kHugePage;
    // NOLINTNEXTLINE(cppcoreguidelines-no-malloc,cppcoreguidelines-owning-memory)
    void* block = std::aligned_alloc(kHugePage, size);
    if (block == nullptr) {
      throw std::bad_alloc();
    }
    madvise(block, size, MADV_HUGEPAGE);  // a hint; refusing it is fine
    return block;
  }
  void do_deallocate(void* block, std::size_t bytes, std::size_t alignment) override {
    if (bytes < kHugePage) {
      ::operator delete(block, std::align_val_t(alignment));
    } else {
      std::free(block);  // NOLINT(cppcoreguidelines-no-malloc,cppcoreguidelines-owning-memory)
    }
  }
  bool do_is_equal(const std::pmr::memory_resource& other) const noexcept override { return this == &other; }
};

}  // namespace

struct TXmlDoc::TStorage {
  THugeBlockResource Blocks;
  std::pmr::monotonic_buffer_resource Arena{std::size_t{64} << 10, &Blocks};
  std::deque<std::string> Sources;  // the texts read, kept unchanged: node views point into them
  std::vector<TXmlNode*> FreeNodes;
  std::array<xml_internal::TNodeCursor, 4> Cursors;  // the lists walked by index most recently
  std::size_t NextCursor = 0;
};

namespace {

// Calls step(piece) for each backslash-separated step; a trailing backslash adds no step.
template <typename TStep>
bool ForEachStep(std::string_view path, TStep&& step) {
  if (!path.empty() && path.back() == '\\') {
    path.remove_suffix(1);
  }
  while (true) {
    const std::size_t separator = path.find('\\');
    if (!step(path.substr(0, separator))) {
      return false;
    }
    if (separator == std::string_view::npos) {
      return true;
    }
    path.remove_prefix(separator + 1);
  }
}

std::optional<int64_t> ReadInteger(std::string_view text) {
  text = xml_internal::TrimBlanks(text);
  if (!text.empty() && text.front() == '+') {
    text.remove_prefix(1);
  }
  int64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
    return std::nullopt;
  }
  return value;
}

}  // namespace

TXmlDoc::TXmlDoc(std::string_view rootName) : m_storage(std::make_unique<TStorage>()), m_root(this, nullptr) {
  rootName = xml_internal::TrimBlanks(rootName);
  m_root.SetName(rootName.empty() ? std::string_view("?xml") : rootName);
}

TXmlDoc::~TXmlDoc() = default;

std::string_view TXmlDoc::StoreText(std::string_view text) {
  if (text.empty()) {
    return {};
  }
  auto* copy = static_cast<char*>(m_storage->Arena.allocate(text.size(), 1));
  std::memcpy(copy, text.data(), text.size());
  return {copy, text.size()};
}

char* TXmlDoc::AllocateText(std::size_t size) {
  return static_cast<char*>(m_storage->Arena.allocate(size, 1));
}

std::size_t TXmlDoc::SourceBytes() const {
  std::size_t total = 0;
  for (const std::string& source : m_storage->Sources) {
    total += source.size();
  }
  return total;
}

std::string_view TXmlDoc::KeepSource(std::string&& text) {
  m_source = m_storage->Sources.emplace_back(std::move(text));
  return m_source;
}

xml_internal::TNodeCursor& TXmlDoc::CursorFor(const TXmlNodeList* list) {
  for (xml_internal::TNodeCursor& cursor : m_storage->Cursors) {
    if (cursor.List == list) {
      return cursor;
    }
  }
  xml_internal::TNodeCursor& cursor = m_storage->Cursors[m_storage->NextCursor++ % m_storage->Cursors.size()];
  cursor = {list, -1, nullptr};
  return cursor;
}

TXmlNode* TXmlDoc::NewNode(TXmlNode* parent) {
  void* place;
  if (!m_storage->FreeNodes.empty()) {
    place = m_storage->FreeNodes.back();
    m_storage->FreeNodes.pop_back();
  } else {
    place = m_storage->Arena.allocate(sizeof(TXmlNode), alignof(TXmlNode));
  }
  // The arena owns the memory; nodes are trivially destructible and freed with it.
  return new (place) TXmlNode(this, parent);  // NOLINT(cppcoreguidelines-owning-memory)
}

TXmlAttrib* TXmlDoc::NewAttrib() {
  void* place = m_storage->Arena.allocate(sizeof(TXmlAttrib), alignof(TXmlAttrib));
  return new (place) TXmlAttrib(this);  // NOLINT(cppcoreguidelines-owning-memory)
}

void TXmlDoc::ReleaseNode(TXmlNode* node) {
  // A cursor may name a list that dies here, or positions that shift.
  m_storage->Cursors.fill({});
  // Post-order walk over the subtree without recursion; the memory is reused by later nodes.
  TXmlNode* current = node;
  while (current->m_nodes.m_first != nullptr) {
    current = current->m_nodes.m_first;
  }
  while (true) {
    TXmlNode* const next = current == node ? nullptr : current->m_next;
    TXmlNode* const parent = current->m_parent;
    const bool done = current == node;
    m_storage->FreeNodes.push_back(current);
    if (done) {
      return;
    }
    if (next != nullptr) {
      current = next;
      while (current->m_nodes.m_first != nullptr) {
        current = current->m_nodes.m_first;
      }
    } else {
      current = parent;
    }
  }
}

void TXmlDoc::Reset() {
  m_root.m_nodes.Clear();
  m_root.m_attribs.Clear();
  m_root.SetValueView({});
  m_root.m_innerBegin = m_root.m_innerSize = 0;
  m_root.m_isCData = false;
}

// ---- Declaration attributes ----

void TXmlDoc::SetVersion(std::string_view version) {
  if (TXmlAttrib* attrib = m_root.m_attribs.Find("version")) {
    attrib->SetValue(version);
  } else {
    m_root.m_attribs.Add("version", version);
  }
}

std::string TXmlDoc::GetEncoding() const {
  const TXmlAttrib* attrib = m_root.m_attribs.Find("encoding");
  return attrib == nullptr ? std::string() : std::string(attrib->Value());
}

void TXmlDoc::SetEncoding(std::string_view encoding) {
  TXmlAttrib* attrib = m_root.m_attribs.Find("encoding");
  if (attrib == nullptr) {
    if (!encoding.empty()) {
      m_root.m_attribs.Add("encoding", encoding);
    }
  } else if (encoding.empty()) {
    m_root.m_attribs.Remove(attrib);
  } else {
    attrib->SetValue(encoding);
  }
}

// ---- Paths ----

TXmlNode* TXmlDoc::GetNode(std::string_view path, TXmlNode* startNode) {
  TXmlNode* current = startNode == nullptr ? &m_root : startNode;
  const bool found = ForEachStep(path, [&](std::string_view step) {
    const std::string key = FoldXmlName(step);
    TXmlNode* child = current->m_nodes.m_first;
    while (child != nullptr && child->Key() != key) {
      child = child->m_next;
    }
    current = child;
    return child != nullptr;
  });
  return found ? current : nullptr;
}

const TXmlNode* TXmlDoc::GetNode(std::string_view path, const TXmlNode* startNode) const {
  return const_cast<TXmlDoc*>(this)->GetNode(path, const_cast<TXmlNode*>(startNode));
}

TXmlAttrib* TXmlDoc::GetAttrib(std::string_view path, std::string_view attribName) {
  TXmlNode* node = GetNode(path);
  return node == nullptr ? nullptr : node->m_attribs.Find(attribName);
}

const TXmlAttrib* TXmlDoc::GetAttrib(std::string_view path, std::string_view attribName) const {
  return const_cast<TXmlDoc*>(this)->GetAttrib(path, attribName);
}

std::string TXmlDoc::GetValue(std::string_view path, std::string_view defaultValue) const {
  const TXmlNode* node = GetNode(path);
  return std::string(node == nullptr ? defaultValue : node->Value());
}

TXmlNode* TXmlDoc::CreatePath(std::string_view path, std::string_view value) {
  TXmlNode* current = &m_root;
  ForEachStep(path, [&](std::string_view step) {
    if (!xml_internal::TrimBlanks(current->Value()).empty()) {
      throw TXmlPathError(kXmlNodeHasValueMessage);
    }
    const std::string key = FoldXmlName(step);
    TXmlNode* child = current->m_nodes.m_first;
    while (child != nullptr && child->Key() != key) {
      child = child->m_next;
    }
    current = child != nullptr ? child : current->m_nodes.Add(step);
    return true;
  });
  current->SetValue(value);
  return current;
}

bool TXmlDoc::SetValue(std::string_view path, std::string_view value) {
  TXmlNode* node = GetNode(path);
  if (node == nullptr) {
    node = CreatePath(path, {});
  }
  if (node->m_childCount > 0) {
    throw TXmlPathError(kXmlNodeHasSubnodesMessage);
  }
  node->SetValue(value);
  return true;
}

// ---- Typed values ----

int64_t TXmlDoc::GetInteger(std::string_view path, int64_t defaultValue) const {
  const TXmlNode* node = GetNode(path);
  return node == nullptr ? defaultValue : ReadInteger(node->Value()).value_or(defaultValue);
}

void TXmlDoc::SetInteger(std::string_view path, int64_t value) {
  SetValue(path, std::to_string(value));
}

bool TXmlDoc::GetBoolean(std::string_view path, bool defaultValue) const {
  const TXmlNode* node = GetNode(path);
  if (node == nullptr) {
    return defaultValue;
  }
  const std::string_view text = xml_internal::TrimBlanks(node->Value());
  if (xml_internal::SameXmlName(text, "true")) {
    return true;
  }
  if (xml_internal::SameXmlName(text, "false")) {
    return false;
  }
  const std::optional<int64_t> number = ReadInteger(text);
  return number ? *number != 0 : defaultValue;
}

void TXmlDoc::SetBoolean(std::string_view path, bool value, bool asText) {
  SetValue(path, asText ? (value ? "TRUE" : "FALSE") : (value ? "1" : "0"));
}

TFontRecord TXmlDoc::GetFont(std::string_view path, const TFontRecord& defaultFont) const {
  const TXmlNode* node = GetNode(path);
  if (node == nullptr) {
    return defaultFont;
  }
  std::string_view fields[5];
  std::string_view rest = node->Value();
  for (std::string_view& field : fields) {
    const std::size_t bar = rest.find('|');
    field = rest.substr(0, bar);
    rest = bar == std::string_view::npos ? std::string_view() : rest.substr(bar + 1);
  }
  TFontRecord font;
  font.Name = std::string(fields[0]);
  font.Size = static_cast<int>(ReadInteger(fields[1]).value_or(8));
  font.Color = static_cast<int32_t>(ReadInteger(fields[2]).value_or(8));
  font.Bold = fields[3].find('B') != std::string_view::npos;
  font.Italic = fields[3].find('I') != std::string_view::npos;
  font.Underline = fields[3].find('U') != std::string_view::npos;
  font.StrikeOut = fields[3].find('S') != std::string_view::npos;
  font.Charset = static_cast<int>(ReadInteger(fields[4]).value_or(0));
  return font;
}

void TXmlDoc::SetFont(std::string_view path, const TFontRecord& font) {
  std::string styles;
  for (const auto& [on, letter] : {std::pair{font.Bold, 'B'}, std::pair{font.Italic, 'I'},
                                   std::pair{font.Underline, 'U'}, std::pair{font.StrikeOut, 'S'}}) {
    if (on) {
      styles += letter;
    }
  }
  SetValue(path, font.Name + '|' + std::to_string(font.Size) + '|' + std::to_string(font.Color) + '|' + styles + '|' +
                     std::to_string(font.Charset));
}

}  // namespace tidewick
