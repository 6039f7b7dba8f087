#include <algorithm>
#include <cstdlib>

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
  const auto ascii = [](std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  };
  if (ascii(a) && ascii(b)) {
    return false;
  }
  return SameTextIgnoringCase(a, b);
}

std::string_view StoreNameKey(TXmlDoc& doc, std::string_view name) {
  const bool needsFolding = std::any_of(name.begin(), name.end(), [](char c) { return HasClass(c, kFoldNeeded); });
  if (!needsFolding) {
    return name;
  }
  return doc.StoreText(FoldXmlName(name));
}

}  // namespace xml_internal

// ---- TXmlAttrib and TXmlAttribList ----

void TXmlAttrib::SetName(std::string_view name) {
  m_name = m_doc->StoreText(name);
}

void TXmlAttrib::SetValue(std::string_view value) {
  m_value = m_doc->StoreText(value);
}

TXmlAttrib* TXmlAttribList::Items(int index) const {
  if (index < 0 || index >= m_count) {
    return nullptr;
  }
  TXmlAttrib* attrib = m_first;
  for (; index > 0; --index) {
    attrib = attrib->m_next;
  }
  return attrib;
}

int TXmlAttribList::IndexOf(std::string_view name) const {
  int index = 0;
  for (const TXmlAttrib* attrib = m_first; attrib != nullptr; attrib = attrib->m_next, ++index) {
    if (xml_internal::SameXmlName(attrib->m_name, name)) {
      return index;
    }
  }
  return -1;
}

TXmlAttrib* TXmlAttribList::Find(std::string_view name) const {
  for (TXmlAttrib* attrib = m_first; attrib != nullptr; attrib = attrib->m_next) {
    if (xml_internal::SameXmlName(attrib->m_name, name)) {
      return attrib;
    }
  }
  return nullptr;
}

void TXmlAttribList::Append(TXmlAttrib* attrib) {
  attrib->m_next = nullptr;
  if (m_last == nullptr) {
    m_first = attrib;
  } else {
    m_last->m_next = attrib;
  }
  m_last = attrib;
  ++m_count;
}

TXmlAttrib* TXmlAttribList::Add(std::string_view name, std::string_view value) {
  TXmlAttrib* attrib = m_doc->NewAttrib();
  attrib->m_name = m_doc->StoreText(name);
  attrib->m_value = m_doc->StoreText(value);
  Append(attrib);
  return attrib;
}

void TXmlAttribList::Remove(TXmlAttrib* attrib) {
  TXmlAttrib* previous = nullptr;
  for (TXmlAttrib* current = m_first; current != nullptr; previous = current, current = current->m_next) {
    if (current != attrib) {
      continue;
    }
    (previous == nullptr ? m_first : previous->m_next) = current->m_next;
    if (m_last == current) {
      m_last = previous;
    }
    --m_count;
    return;
  }
}

void TXmlAttribList::Clear() {
  m_first = m_last = nullptr;
  m_count = 0;
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

TXmlNode* TXmlNodeList::Items(int index) const {
  if (index < 0 || index >= m_count) {
    return nullptr;
  }
  // Start from whichever known position is nearest: the first, the last, or the previous answer.
  int position = 0;
  TXmlNode* node = m_first;
  if (m_count - 1 - index < index) {
    position = m_count - 1;
    node = m_last;
  }
  if (m_cursorNode != nullptr && std::abs(m_cursorIndex - index) < std::abs(position - index)) {
    position = m_cursorIndex;
    node = m_cursorNode;
  }
  for (; position < index; ++position) {
    node = node->m_next;
  }
  for (; position > index; --position) {
    node = node->m_previous;
  }
  m_cursorIndex = index;
  m_cursorNode = node;
  return node;
}

int TXmlNodeList::IndexOf(std::string_view name) const {
  const std::string key = FoldXmlName(name);
  int index = 0;
  for (const TXmlNode* node = m_first; node != nullptr; node = node->m_next, ++index) {
    if (node->m_key == key) {
      return index;
    }
  }
  return -1;
}

TXmlNode* TXmlNodeList::Find(std::string_view name) const {
  const std::string key = FoldXmlName(name);
  for (TXmlNode* node = m_first; node != nullptr; node = node->m_next) {
    if (node->m_key == key) {
      return node;
    }
  }
  return nullptr;
}

void TXmlNodeList::Append(TXmlNode* node) {
  node->m_previous = m_last;
  node->m_next = nullptr;
  if (m_last == nullptr) {
    m_first = node;
  } else {
    m_last->m_next = node;
  }
  m_last = node;
  ++m_count;
}

TXmlNode* TXmlNodeList::Add(std::string_view name) {
  TXmlNode* node = m_owner->m_doc->NewNode(m_owner);
  node->SetName(name);
  Append(node);
  return node;
}

void TXmlNodeList::Remove(TXmlNode* node) {
  if (node == nullptr || node->m_parent != m_owner) {
    return;
  }
  (node->m_previous == nullptr ? m_first : node->m_previous->m_next) = node->m_next;
  (node->m_next == nullptr ? m_last : node->m_next->m_previous) = node->m_previous;
  --m_count;
  m_cursorIndex = -1;
  m_cursorNode = nullptr;
  m_owner->m_doc->ReleaseNode(node);
}

void TXmlNodeList::Clear() {
  while (m_first != nullptr) {
    Remove(m_first);
  }
}

// ---- TXmlNode ----

void TXmlNode::SetName(std::string_view name) {
  m_name = m_doc->StoreText(name);
  m_key = xml_internal::StoreNameKey(*m_doc, m_name);
}

void TXmlNode::SetValue(std::string_view value) {
  m_value = m_doc->StoreText(value);
}

}  // namespace tidewick
