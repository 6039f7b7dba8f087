#pragma once

// HTML read into tokens the way a browser's tokeniser reads it: text, start tags with their attributes (a quoted
// value may hold ">"), end tags, and what a browser ignores (comments, doctypes, processing instructions, stray
// "</>"). One pass, no recursion; the tokens point into the scanned text.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tidewick {

enum class THtmlTokenKind { Text, StartTag, EndTag, Ignored };

struct THtmlAttribute {
  std::string Name;  // lower case
  std::string_view Value;
};

struct THtmlTag {
  std::string Name;  // lower case; empty for tokens that are no tags
  std::vector<THtmlAttribute> Attributes;
};

struct THtmlToken {
  THtmlTokenKind Kind = THtmlTokenKind::Ignored;
  std::string_view Text;  // Text: the run, or a lone "<" that starts no tag
  THtmlTag Tag;
};

class THtmlScanner {
 public:
  // Start tags keep at most maxAttributes attributes; the others are read past.
  THtmlScanner(std::string_view html, size_t maxAttributes);

  // The next token; false at the end of the text. A tag the text ends inside is no token (a browser drops it).
  bool Next(THtmlToken& token);
  // After the start tag of an element whose content is raw text (script, style, textarea, ...): moves past that
  // content and the element's end tag, or to the end of the text when there is none.
  void SkipRawText(std::string_view lowerName);

 private:
  void ReadTag(THtmlToken& token, bool endTag);
  void ReadUntil(std::string_view end);

  std::string_view m_html;
  size_t m_pos = 0;
  size_t m_maxAttributes;
};

}  // namespace tidewick
