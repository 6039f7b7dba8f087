#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string_view>

namespace tidewick {

class TXmlDoc;
class TXmlNode;

// One attribute. Name and value are views that stay valid while the document lives and the attribute is unchanged.
class TXmlAttrib {
 public:
  TXmlAttrib(const TXmlAttrib&) = delete;
  TXmlAttrib& operator=(const TXmlAttrib&) = delete;

  std::string_view Name() const { return {m_name, m_nameSize}; }
  std::string_view Value() const { return {m_value, m_valueSize}; }
  void SetName(std::string_view name);
  void SetValue(std::string_view value);
  TXmlAttrib* Next() const { return m_next; }

 private:
  friend class TXmlAttribList;
  friend class TXmlDoc;
  friend class TXmlReader;
  explicit TXmlAttrib(TXmlDoc* doc) : m_doc(doc) {}
  void SetNameView(std::string_view name);
  void SetValueView(std::string_view value);

  // Texts as pointer and 32-bit size: a document is far below 4 GiB, and an attribute costs 40 bytes.
  TXmlDoc* m_doc;
  const char* m_name = nullptr;
  const char* m_value = nullptr;
  TXmlAttrib* m_next = nullptr;
  uint32_t m_nameSize = 0;
  uint32_t m_valueSize = 0;
};

// The attributes of one node, in order. Names match ignoring letter case; the first match wins.
class TXmlAttribList {
 public:
  TXmlAttribList(const TXmlAttribList&) = delete;
  TXmlAttribList& operator=(const TXmlAttribList&) = delete;

  int Count() const;  // linear: attribute lists are short
  // Entry i (0-based, in order); nullptr when out of range. Linear, attribute lists are short.
  TXmlAttrib* Items(int index) const;
  TXmlAttrib* operator[](int index) const { return Items(index); }
  int IndexOf(std::string_view name) const;
  TXmlAttrib* Find(std::string_view name) const;
  // Appends a new attribute without checking for an existing name.
  TXmlAttrib* Add(std::string_view name, std::string_view value);
  // Takes the attribute out of the list.
  void Remove(TXmlAttrib* attrib);
  void Clear();
  // Parses `name="value" name2='value' name3=value`; values pass through DecodeText(value, encoding). An existing
  // name gets the new value. Returns the number of pairs taken.
  int AddFromText(std::string_view text, std::string_view encoding);

  TXmlAttrib* First() const { return m_first; }

 private:
  friend class TXmlNode;
  friend class TXmlDoc;
  friend class TXmlReader;
  TXmlAttribList() = default;
  // The node this list belongs to: lists live only inside their node.
  TXmlNode& Owner() const;
  TXmlAttrib* Last() const;

  TXmlAttrib* m_first = nullptr;
};

// The child elements of one node, in document order; several may share a name.
class TXmlNodeList {
 public:
  TXmlNodeList(const TXmlNodeList&) = delete;
  TXmlNodeList& operator=(const TXmlNodeList&) = delete;

  class Iterator {
   public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = TXmlNode*;
    using difference_type = std::ptrdiff_t;
    using pointer = TXmlNode* const*;
    using reference = TXmlNode*;
    Iterator() = default;
    explicit Iterator(TXmlNode* node) : m_node(node) {}
    TXmlNode* operator*() const { return m_node; }
    Iterator& operator++();
    Iterator operator++(int) {
      Iterator old = *this;
      ++*this;
      return old;
    }
    bool operator==(const Iterator& other) const { return m_node == other.m_node; }

   private:
    TXmlNode* m_node = nullptr;
  };

  int Count() const;
  // Entry i (0-based); nullptr when out of range. Walking forwards or backwards one step at a time is O(1), in up to
  // four lists of a document at once.
  TXmlNode* Items(int index) const;
  TXmlNode* operator[](int index) const { return Items(index); }
  // Index of the first child whose name matches ignoring letter case; -1 when none. Never splits at backslashes.
  int IndexOf(std::string_view name) const;
  TXmlNode* Find(std::string_view name) const;
  // Creates a child with this name at the end of the list (the node's parent is the list's owner).
  TXmlNode* Add(std::string_view name);
  // Takes the child out of the list and destroys it with everything below it.
  void Remove(TXmlNode* node);
  void Clear();

  TXmlNode* First() const { return m_first; }
  TXmlNode* Last() const;
  Iterator begin() const { return Iterator(m_first); }
  Iterator end() const { return Iterator(); }

 private:
  friend class TXmlNode;
  friend class TXmlDoc;
  friend class TXmlReader;
  TXmlNodeList() = default;
  // The node this list belongs to: lists live only inside their node.
  TXmlNode& Owner() const;
  void Append(TXmlNode* node);

  TXmlNode* m_first = nullptr;
};

// One element, the declaration (the root, "?xml") or a processing instruction (a name beginning with "?").
// Nodes belong to their document: they are created through TXmlNodeList::Add and live until removed or until the
// document dies. Name and value views stay valid while the node is unchanged.
class TXmlNode {
 public:
  TXmlNode(const TXmlNode&) = delete;
  TXmlNode& operator=(const TXmlNode&) = delete;

  std::string_view Name() const { return {m_name, m_nameSize}; }
  void SetName(std::string_view name);
  // The element's text: the text before its first child element, references decoded.
  std::string_view Value() const { return {m_value, m_valueSize}; }
  void SetValue(std::string_view value);
  bool IsCData() const { return m_isCData; }
  void SetIsCData(bool isCData) { m_isCData = isCData; }
  TXmlNode* Parent() const { return m_parent; }
  TXmlNodeList& Nodes() { return m_nodes; }
  const TXmlNodeList& Nodes() const { return m_nodes; }
  TXmlAttribList& Attribs() { return m_attribs; }
  const TXmlAttribList& Attribs() const { return m_attribs; }
  TXmlNode* NextSibling() const { return m_next; }
  TXmlNode* PreviousSibling() const;
  TXmlDoc& Doc() const { return *m_doc; }

  // The element's source between its start tag and the closing tag that ended it, exactly as read (after conversion
  // to UTF-8, references not decoded): the inner XHTML of an Atom content element. Empty for self-closing elements
  // and for nodes made by the program.
  std::string_view InnerMarkup() const;

  // Whether Name() matches `foldedName`, a name already passed through FoldXmlName.
  bool HasFoldedName(std::string_view foldedName) const { return Key() == foldedName; }

 private:
  friend class TXmlNodeList;
  friend class TXmlAttribList;
  friend class TXmlDoc;
  friend class TXmlReader;
  TXmlNode(TXmlDoc* doc, TXmlNode* parent) : m_doc(doc), m_parent(parent) {}
  // The folded name: the name itself when folding changes nothing.
  std::string_view Key() const;
  void SetNameView(std::string_view name);
  void SetValueView(std::string_view value);

  // A node costs 96 bytes: texts are pointer and 32-bit size (documents stay far below 4 GiB), the inner markup is
  // an offset into the document's source, the child list keeps its end in the first child's m_previous, and the
  // child count lives here rather than in the list.
  TXmlDoc* m_doc;
  TXmlNode* m_parent;
  TXmlNode* m_previous = nullptr;  // for the first child: the last child of the parent
  TXmlNode* m_next = nullptr;
  const char* m_name = nullptr;
  const char* m_key = nullptr;  // nullptr: the name needs no folding; else preceded by its 32-bit size
  const char* m_value = nullptr;
  TXmlNodeList m_nodes;
  TXmlAttribList m_attribs;
  uint32_t m_nameSize = 0;
  uint32_t m_valueSize = 0;
  uint32_t m_childCount = 0;
  uint32_t m_innerBegin = 0;  // offset into the document's source
  uint32_t m_innerSize = 0;
  bool m_isCData = false;
};

}  // namespace tidewick
