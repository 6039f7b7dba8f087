#pragma once

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

#include "xml/xml_node.h"

namespace tidewick {

// The messages of the two path-writer errors, used untranslated.
inline constexpr std::string_view kXmlNodeHasValueMessage = "Node contains a value, no subnodes allowed.";
inline constexpr std::string_view kXmlNodeHasSubnodesMessage = "Node contains subnodes, no value allowed.";

// Raised by CreatePath and SetValue (the only exceptions of the XML classes); callers catch it.
class TXmlPathError : public std::range_error {
 public:
  explicit TXmlPathError(std::string_view message) : std::range_error(std::string(message)) {}
};

// A font as stored in a settings value: "name|size|colour|styles|charset".
struct TFontRecord {
  std::string Name;
  int Size = 8;
  int32_t Color = 8;  // a Windows colour value, stored as a decimal integer
  bool Bold = false;
  bool Italic = false;
  bool Underline = false;
  bool StrikeOut = false;
  int Charset = 0;

  bool operator==(const TFontRecord&) const = default;
};

namespace xml_internal {
struct TNodeCursor;
}

// Limits for reading documents from outside (downloads) and files a user may have edited.
struct TXmlLoadOptions {
  // Memory the tree may take (nodes and attributes); 0 = no limit. A document whose tree would need more is read up
  // to the limit and reported as not complete.
  std::size_t MaxTreeBytes = 0;
  // Elements nested deeper than this below the root are skipped with everything inside them; reading goes on after
  // them. 0 = no limit.
  int MaxDepth = 0;
  // Bytes read from a file or text; the rest is ignored, as if the input ended there. 0 = no limit.
  std::size_t MaxInputBytes = 0;
};

// What a load found out, beyond true/false.
struct TXmlLoadResult {
  bool Ok = false;            // a root tag was read
  bool Complete = false;      // the top element was closed before the input ended (not cut short)
  bool OverBudget = false;    // reading stopped at TXmlLoadOptions::MaxTreeBytes
  bool TooDeep = false;       // elements beyond TXmlLoadOptions::MaxDepth were skipped
  bool TooLarge = false;      // the input went on beyond TXmlLoadOptions::MaxInputBytes
  std::size_t Offset = 0;     // where reading stopped, in the text after conversion to UTF-8
  std::size_t TreeBytes = 0;  // memory the nodes and attributes read took
};

// One XML document: a tree of nodes below Root(), which stands for the declaration ("?xml"). Paths such as
// "rss\channel\title" name one element per step, matched ignoring letter case, first match wins.
// Not copyable or movable (nodes point into it); hold it by value or in a unique_ptr.
class TXmlDoc {
 public:
  explicit TXmlDoc(std::string_view rootName = "?xml");
  ~TXmlDoc();
  TXmlDoc(const TXmlDoc&) = delete;
  TXmlDoc& operator=(const TXmlDoc&) = delete;

  TXmlNode* Root() { return &m_root; }
  const TXmlNode* Root() const { return &m_root; }

  // Reading: false when the file is missing, unreadable or empty, or when no root tag was read. The text is
  // converted to UTF-8 once (byte-order mark, declared encoding); the reader never fails on malformed markup.
  bool LoadFromFile(const std::string& fileName);
  bool LoadFromString(std::string_view text);
  TXmlLoadResult LoadFromFileEx(const std::string& fileName, const TXmlLoadOptions& options = {});
  TXmlLoadResult LoadFromStringEx(std::string_view text);
  // Takes the text over instead of copying it: a large download is then held once.
  TXmlLoadResult LoadFromOwnedText(std::string&& text, const TXmlLoadOptions& options = {});

  // Writing: the declaration from the root's attributes, then every element, `indent` blanks per level, CR LF after
  // each line when `formatted`. Output in the document's encoding (UTF-8 when none is named). False (and nothing
  // written) when the root's name is empty. SaveToFile replaces the file atomically.
  bool SaveToFile(const std::string& fileName, int indent = 2, bool formatted = true);
  bool SaveToStream(std::ostream& stream, int indent = 2, bool formatted = true);
  bool SaveToStream(std::string& out, int indent = 2, bool formatted = true);

  void SetVersion(std::string_view version);
  std::string GetEncoding() const;
  void SetEncoding(std::string_view encoding);

  // Path access. A path is split at each backslash (a trailing one changes nothing; a leading or doubled one makes an
  // empty step). Lookups never fail: a missing node gives nullptr or the default.
  TXmlNode* GetNode(std::string_view path, TXmlNode* startNode = nullptr);
  const TXmlNode* GetNode(std::string_view path, const TXmlNode* startNode = nullptr) const;
  TXmlAttrib* GetAttrib(std::string_view path, std::string_view attribName);
  const TXmlAttrib* GetAttrib(std::string_view path, std::string_view attribName) const;
  std::string GetValue(std::string_view path, std::string_view defaultValue = {}) const;
  // Create missing nodes on the way; throw TXmlPathError (see the messages above).
  TXmlNode* CreatePath(std::string_view path, std::string_view value = {});
  bool SetValue(std::string_view path, std::string_view value);

  // Typed values, all through GetValue/SetValue. Getters return the default for a missing node and for text that
  // does not read as the type (an empty text included).
  int64_t GetInteger(std::string_view path, int64_t defaultValue) const;
  void SetInteger(std::string_view path, int64_t value);
  // True/False in any letter case, or a number (0 = false).
  bool GetBoolean(std::string_view path, bool defaultValue) const;
  // "1"/"0", or "TRUE"/"FALSE" with asText.
  void SetBoolean(std::string_view path, bool value, bool asText = false);
  TFontRecord GetFont(std::string_view path, const TFontRecord& defaultFont) const;
  void SetFont(std::string_view path, const TFontRecord& font);

  // Internal: storage for nodes and texts that live as long as the document.
  std::string_view StoreText(std::string_view text);
  char* AllocateText(std::size_t size);
  TXmlNode* NewNode(TXmlNode* parent);
  TXmlAttrib* NewAttrib();
  void ReleaseNode(TXmlNode* node);
  // The converted text of the last load; inner markup offsets point into it.
  std::string_view SourceText() const { return m_source; }
  xml_internal::TNodeCursor& CursorFor(const TXmlNodeList* list);

 private:
  friend class TXmlReader;
  void Reset();
  TXmlLoadResult LoadOwned(std::string&& bytes, const TXmlLoadOptions& options);
  // Total size of the texts read: a good guess for the size of the written document.
  std::size_t SourceBytes() const;
  // Keeps a converted source text alive with the document; node views point into it.
  std::string_view KeepSource(std::string&& text);

  struct TStorage;
  std::unique_ptr<TStorage> m_storage;
  std::string_view m_source;
  TXmlNode m_root;
};

}  // namespace tidewick
