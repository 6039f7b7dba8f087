#pragma once

// The tag scanner of the program's XML reader, over one buffer: skips text before "<", reads up to ">", handles
// declarations, comments, empty elements and the text after a start tag with its CDATA sections.

#include <string>
#include <string_view>

namespace tidewick {

enum class TTagKind {
  End,      // no more tags
  Close,    // any closing tag
  Element,  // a start tag, an empty element or a processing instruction
};

struct TScannedTag {
  TTagKind Kind = TTagKind::End;
  std::string_view Text;  // trimmed tag text without "<", ">", the trailing "?" or "/"
  bool HasContent = false;
  bool IsCData = false;
  std::string_view ElementText;  // the text after a start tag, when it has no CDATA section
  std::string BuiltText;         // the text with its CDATA sections unwrapped, when it has one

  std::string_view Value() const { return IsCData ? std::string_view(BuiltText) : ElementText; }
};

class TTagScanner {
 public:
  explicit TTagScanner(std::string_view text) : m_text(text) {}

  // The next tag that is not a comment or another "!" tag.
  TScannedTag NextNodeTag();
  // The input not yet read.
  std::string_view Rest() const { return m_text.substr(m_pos); }
  bool SawUnterminatedTag() const { return m_unterminated; }

 private:
  void ScanTag(TScannedTag& tag);
  void SkipCommentRest();
  void ReadElementText(TScannedTag& tag, bool keep);

  std::string_view m_text;
  size_t m_pos = 0;
  bool m_unterminated = false;
};

// The element name of a tag text: up to the first blank, tab, CR or LF.
std::string_view ElementName(std::string_view tagText);
// The value of the "encoding" attribute of the document's first tag, when that is a declaration.
std::string DeclaredEncoding(std::string_view text);
// The element text with "&amp;", "&lt;", "&gt;" and "&quot;" resolved in one pass.
std::string DecodeValue(const TScannedTag& tag);

}  // namespace tidewick
