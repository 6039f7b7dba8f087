#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <type_traits>

#include "util/case_fold.h"
#include "xml/xml_doc.h"
#include "xml/xml_internal.h"
#include "xml/xml_text.h"

namespace tidewick {

namespace xml_internal {

bool SameXmlName(std::string_view a, std::string_view b) {
  if (a.size() == b.size()) {
    std::size_t i = 0;
    while (i < a.size() && static_cast<unsigned char>(a[i] | b[i]) < 0x80) {
      if (AsciiLower(a[i]) != AsciiLower(b[i])) {
        return false;
      }
      ++i;
    }
    if (i == a.size()) {
      return true;
    }
  }
  if (IsAscii(a) && IsAscii(b)) {
    return false;
  }
  return SameTextIgnoringCase(a, b);
}

const char* StoreFoldedKey(TXmlDoc& doc, std::string_view name) {
  const bool needsFolding = std::any_of(name.begin(), name.end(), [](char c) { return HasClass(c, kFoldNeeded); });
  if (!needsFolding) {
    return nullptr;
  }
  const std::string key = FoldXmlName(name);
  const uint32_t size = TextSize(key);
  char* stored = doc.AllocateText(sizeof size + key.size());
  std::memcpy(stored, &size, sizeof size);
  std::memcpy(stored + sizeof size, key.data(), key.size());
  return stored + sizeof size;
}

uint32_t TextSize(std::string_view text) {
  if (text.size() > UINT32_MAX) {
    throw std::length_error("XML text beyond 4 GiB");
  }
  return static_cast<uint32_t>(text.size());
}

}  // namespace xml_internal

// ---- TXmlAttrib and TXmlAttribList ----

void TXmlAttrib::SetNameView(std::string_view name) {
  m_name = name.data();
  m_nameSize = xml_internal::TextSize(name);
}

void TXmlAttrib::SetValueView(std::string_view value) {
  m_value = value.data();
  m_valueSize = xml_internal::TextSize(value);
}

void TXmlAttrib::SetName(std::string_view name) {
  SetNameView(m_doc->StoreText(name));
}

void TXmlAttrib::SetValue(std::string_view value) {
  SetValueView(m_doc->StoreText(value));
}

TXmlNode& TXmlAttribList::Owner() const {
  static_assert(std::is_standard_layout_v<TXmlNode>);
  // NOLINTNEXTLINE(cppcoreguidelines-pro-type-reinterpret-cast,cppcoreguidelines-pro-type-const-cast)
  return *reinterpret_cast<TXmlNode*>(reinterpret_cast<char*>(const_cast<TXmlAttribList*>(this)) -
                                      offsetof(TXmlNode, m_attribs));
}

int TXmlAttribList::Count() const {
  int count = 0;
  for (const TXmlAttrib* attrib = m_first; attrib != nullptr; attrib = attrib->m_next) {
    ++count;
  }
  return count;
}

TXmlAttrib* TXmlAttribList::Last() const {
  TXmlAttrib* attrib = m_first;
  while (attrib != nullptr && attrib->m_next != nullptr) {
    attrib = attrib->m_next;
  }
  return attrib;
}

TXmlAttrib* TXmlAttribList::Items(int index) const {
  TXmlAttrib* attrib = index < 0 ? nullptr : m_first;
  for (; attrib != nullptr && index > 0; --index) {
    attrib = attrib->m_next;
  }
  return attrib;
}

int TXmlAttribList::IndexOf(std::string_view name) const {
  int index = 0;
  for (const TXmlAttrib* attrib = m_first; attrib != nullptr; attrib = attrib->m_next, ++index) {
    if (xml_internal::SameXmlName(attrib->Name(), name)) {
      return index;
    }
  }
  return -1;
}

TXmlAttrib* TXmlAttribList::Find(std::string_view name) const {
  for (TXmlAttrib* attrib = m_first; attrib != nullptr; attrib = attrib->m_next) {
    if (xml_internal::SameXmlName(attrib->Name(), name)) {
      return attrib;
    }
  }
  return nullptr;
}

TXmlAttrib* TXmlAttribList::Add(std::string_view name, std::string_view value) {
  TXmlDoc& doc = Owner().Doc();
  TXmlAttrib* attrib = doc.NewAttrib();
  attrib->SetName(name);
  attrib->SetValue(value);
  if (TXmlAttrib* last = Last()) {
    last->m_next = attrib;
  } else {
    m_first = attrib;
  }
  return attrib;
}

void TXmlAttribList::Remove(TXmlAttrib* attrib) {
  TXmlAttrib* previous = nullptr;
  for (TXmlAttrib* current = m_first; current != nullptr; previous = current, current = current->m_next) {
    if (current == attrib) {
      (previous == nullptr ? m_first : previous->m_next) = current->m_next;
      return;
    }
  }
}

void TXmlAttribList::Clear() {
  m_first = nullptr;
}

int TXmlAttribList::AddFromText(std::string_view text, std::string_view encoding) {
  return xml_internal::ParseAttributeText(text, [&](std::string_view name, std::string_view rawValue) {
    const std::string value = DecodeText(rawValue, encoding);
    if (TXmlAttrib* existing = Find(name)) {
      existing->SetValue(value);
    } else {
      Add(name, value);
    }
  });
}

// ---- TXmlNodeList ----

TXmlNodeList::Iterator& TXmlNodeList::Iterator::operator++() {
  m_node = m_node->NextSibling();
  return *this;
}

TXmlNode& TXmlNodeList::Owner() const {
  static_assert(std::is_standard_layout_v<TXmlNode>);
  // NOLINTNEXTLINE(cppcoreguidelines-pro-type-reinterpret-cast,cppcoreguidelines-pro-type-const-cast)
  return *reinterpret_cast<TXmlNode*>(reinterpret_cast<char*>(const_cast<TXmlNodeList*>(this)) -
                                      offsetof(TXmlNode, m_nodes));
}

int TXmlNodeList::Count() const {
  return static_cast<int>(Owner().m_childCount);
}

TXmlNode* TXmlNodeList::Last() const {
  return m_first == nullptr ? nullptr : m_first->m_previous;
}

TXmlNode* TXmlNodeList::Items(int index) const {
  const int count = Count();
  if (index < 0 || index >= count) {
    return nullptr;
  }
  // Start from whichever known position is nearest: the first, the last, or the previous answer for this list.
  int position = 0;
  TXmlNode* node = m_first;
  if (count - 1 - index < index) {
    position = count - 1;
    node = Last();
  }
  xml_internal::TNodeCursor& cursor = Owner().Doc().CursorFor(this);
  if (cursor.Node != nullptr && std::abs(cursor.Index - index) < std::abs(position - index)) {
    position = cursor.Index;
    node = cursor.Node;
  }
  for (; position < index; ++position) {
    node = node->m_next;
  }
  for (; position > index; --position) {
    node = node->m_previous;
  }
  cursor.Index = index;
  cursor.Node = node;
  return node;
}

int TXmlNodeList::IndexOf(std::string_view name) const {
  const std::string key = FoldXmlName(name);
  int index = 0;
  for (const TXmlNode* node = m_first; node != nullptr; node = node->m_next, ++index) {
    if (node->Key() == key) {
      return index;
    }
  }
  return -1;
}

TXmlNode* TXmlNodeList::Find(std::string_view name) const {
  const std::string key = FoldXmlName(name);
  for (TXmlNode* node = m_first; node != nullptr; node = node->m_next) {
    if (node->Key() == key) {
      return node;
    }
  }
  return nullptr;
}

void TXmlNodeList::Append(TXmlNode* node) {
  node->m_next = nullptr;
  if (m_first == nullptr) {
    m_first = node;
  } else {
    TXmlNode* const last = m_first->m_previous;
    last->m_next = node;
  }
  node->m_previous = m_first == node ? node : m_first->m_previous;
  m_first->m_previous = node;
  ++Owner().m_childCount;
}

TXmlNode* TXmlNodeList::Add(std::string_view name) {
  TXmlNode& owner = Owner();
  TXmlNode* node = owner.m_doc->NewNode(&owner);
  node->SetName(name);
  Append(node);
  return node;
}

void TXmlNodeList::Remove(TXmlNode* node) {
  TXmlNode& owner = Owner();
  if (node == nullptr || node->m_parent != &owner) {
    return;
  }
  TXmlNode* const last = m_first->m_previous;
  if (node == m_first) {
    m_first = node->m_next;
    if (m_first != nullptr) {
      m_first->m_previous = last;
    }
  } else {
    node->m_previous->m_next = node->m_next;
    (node->m_next != nullptr ? node->m_next->m_previous : m_first->m_previous) = node->m_previous;
  }
  --owner.m_childCount;
  owner.m_doc->ReleaseNode(node);
}

void TXmlNodeList::Clear() {
  while (m_first != nullptr) {
    Remove(m_first);
  }
}

// ---- TXmlNode ----

std::string_view TXmlNode::Key() const {
  if (m_key == nullptr) {
    return Name();
  }
  uint32_t size = 0;
  std::memcpy(&size, m_key - sizeof size, sizeof size);
  return {m_key, size};
}

TXmlNode* TXmlNode::PreviousSibling() const {
  return m_parent == nullptr || m_parent->m_nodes.m_first == this ? nullptr : m_previous;
}

std::string_view TXmlNode::InnerMarkup() const {
  return m_innerSize == 0 ? std::string_view() : m_doc->SourceText().substr(m_innerBegin, m_innerSize);
}

void TXmlNode::SetNameView(std::string_view name) {
  m_name = name.data();
  m_nameSize = xml_internal::TextSize(name);
  m_key = xml_internal::StoreFoldedKey(*m_doc, name);
}

void TXmlNode::SetValueView(std::string_view value) {
  m_value = value.data();
  m_valueSize = xml_internal::TextSize(value);
}

void TXmlNode::SetName(std::string_view name) {
  SetNameView(m_doc->StoreText(name));
}

void TXmlNode::SetValue(std::string_view value) {
  SetValueView(m_doc->StoreText(value));
}

}  // namespace tidewick
