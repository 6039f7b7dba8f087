#pragma once

// The tag scanner of the program's XML reader, over one buffer: skips text before "<", reads up to ">", handles
// declarations, comments, empty elements and the text after a start tag with its CDATA sections. It can also read
// its text piece by piece, holding only the tag being read, so a large store never lies in memory whole.

#include <functional>
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
  // The tag was cut off: a "<" came before its ">" (it then ends there and the next tag starts at that "<"), or it
  // is empty ("<>"). Never part of a sound document.
  bool Broken = false;
  std::string_view ElementText;  // the text after a start tag, when it has no CDATA section
  std::string BuiltText;         // the text with its CDATA sections unwrapped, when it has one

  // Everything this scan went over, as written: text and comments before the tag, the tag, and the text after it.
  std::string_view Raw;
  size_t TagStart = 0;  // where the tag's "<" lies in Raw
  size_t TagEnd = 0;    // where the tag ends in Raw (after its ">")

  std::string_view Value() const { return IsCData ? std::string_view(BuiltText) : ElementText; }
};

// Appends the next piece of the input to buffer; false (appending nothing) at the end of the input.
using TMoreText = std::function<bool(std::string& buffer)>;

class TTagScanner {
 public:
  explicit TTagScanner(std::string_view text) : m_text(text) {}
  // Reads the input from more as far as each tag needs; tags found are the same as over the whole text.
  explicit TTagScanner(TMoreText more) : m_more(std::move(more)) {}

  // The next tag that is not a comment or another "!" tag. Its views stay valid until the next call.
  TScannedTag NextNodeTag();
  // Whether the input not yet read holds only blanks and control characters (reads it).
  bool RestIsBlank();
  bool SawUnterminatedTag() const { return m_unterminated; }

 private:
  TScannedTag NextNodeTagInText();
  void ScanTag(TScannedTag& tag);
  void SkipCommentRest();
  void ReadElementText(TScannedTag& tag, bool keep);
  // A search reached the end of the text read so far: true, and the tag is read again with more text, unless the
  // input has ended.
  bool NeedMore();
  // Drops the text before m_pos and appends at least as much again as is kept, so no tag is rescanned often.
  void ReadMore();

  std::string_view m_text;
  size_t m_pos = 0;
  size_t m_tagStart = 0;  // the last tag scanned: its "<" and its end
  size_t m_tagEnd = 0;
  bool m_unterminated = false;
  TMoreText m_more;
  std::string m_buffer;  // the text read piece by piece, from the tag being read on
  bool m_inputEnded = false;
  bool m_short = false;  // the tag being read runs past the text read so far
};

// The element name of a tag text: up to the first blank, tab, CR or LF.
std::string_view ElementName(std::string_view tagText);
// The value of the "encoding" attribute of the document's first tag, when that is a declaration.
std::string DeclaredEncoding(std::string_view text);
std::string DeclaredEncoding(TTagScanner& scanner);
// The element text with "&amp;", "&lt;", "&gt;" and "&quot;" resolved in one pass.
std::string DecodeValue(const TScannedTag& tag);

}  // namespace tidewick
