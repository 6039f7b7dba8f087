// Title and description texts in all the forms feeds write them.

#include "formats/element_text.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "formats/reader_support.h"
#include "util/charset.h"
#include "util/utf8.h"
#include "xml/xml_doc.h"
#include "xml/xml_node.h"
#include "xml/xml_text.h"

namespace tidewick {

namespace {

constexpr uint8_t kNoDigit = 0xFF;
constexpr uint8_t kSkipped = 0xFE;  // blanks and line breaks inside base64

constexpr std::array<uint8_t, 256> MakeBase64Digits() {
  std::array<uint8_t, 256> digits{};
  digits.fill(kNoDigit);
  constexpr std::string_view alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  for (size_t i = 0; i < alphabet.size(); ++i) {
    digits[static_cast<unsigned char>(alphabet[i])] = static_cast<uint8_t>(i);
  }
  for (const char c : {' ', '\t', '\r', '\n'}) {
    digits[static_cast<unsigned char>(c)] = kSkipped;
  }
  return digits;
}

constexpr std::array<uint8_t, 256> kBase64Digits = MakeBase64Digits();

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Appends text with every run of blanks made one blank (none at the very start).
void AppendCollapsed(std::string& out, std::string_view text) {
  for (const char c : text) {
    if (!IsBlank(c)) {
      out += c;
    } else if (!out.empty() && out.back() != ' ') {
      out += ' ';
    }
  }
}

bool IsLatin1Document(const TXmlNode& node) {
  return IsLatin1EncodingName(node.Doc().GetEncoding());
}

// Atom 0.3 says so with mode="base64"; Atom 1.0 with a media type that is neither text nor XML.
bool IsBase64(const TXmlNode& node) {
  if (const std::string_view mode = TrimView(AttribValue(&node, "mode")); !mode.empty()) {
    return XmlNameMatches(mode, "base64");
  }
  const std::string type = FoldXmlName(TrimView(AttribValue(&node, "type")));
  return type.find('/') != std::string::npos && !type.starts_with("text/") && !type.ends_with("+xml") &&
         !type.ends_with("/xml");
}

// Whether base64 content of this type holds text: no type, text/*, the Atom words, the XHTML type, and bytes of no
// declared kind.
bool IsTextType(std::string_view type) {
  const std::string folded = FoldXmlName(TrimView(type));
  return folded.empty() || folded.starts_with("text/") || folded == "text" || folded == "html" || folded == "xhtml" ||
         folded == "application/xhtml+xml" || folded == "application/octet-stream";
}

// The decoded text of a base64 element; its text as written when it is no valid base64 or no text.
std::string Base64ElementText(const TXmlNode& node) {
  if (!IsTextType(AttribValue(&node, "type"))) {
    return {};
  }
  std::optional<std::string> decoded = DecodeBase64Text(node.Value());
  return decoded ? std::move(*decoded) : std::string(node.Value());
}

}  // namespace

std::optional<std::string> DecodeBase64Text(std::string_view text) {
  std::string bytes;
  bytes.reserve(text.size() / 4 * 3 + 3);
  uint32_t group = 0;
  int digits = 0;
  size_t padding = 0;
  for (const char c : text) {
    if (c == '=') {
      ++padding;
      continue;
    }
    const uint8_t digit = kBase64Digits[static_cast<unsigned char>(c)];
    if (digit == kSkipped) {
      continue;
    }
    if (digit == kNoDigit || padding > 0) {
      return std::nullopt;  // a stray character, or digits after the padding
    }
    group = (group << 6) | digit;
    if (++digits == 4) {
      bytes += static_cast<char>((group >> 16) & 0xFF);
      bytes += static_cast<char>((group >> 8) & 0xFF);
      bytes += static_cast<char>(group & 0xFF);
      group = 0;
      digits = 0;
    }
  }
  if (digits == 1 || padding > 2) {
    return std::nullopt;
  }
  if (digits == 2) {
    bytes += static_cast<char>((group >> 4) & 0xFF);
  } else if (digits == 3) {
    bytes += static_cast<char>((group >> 10) & 0xFF);
    bytes += static_cast<char>((group >> 2) & 0xFF);
  }
  return IsValidUtf8(bytes) ? bytes : RepairUtf8(bytes);
}

std::string MarkupText(std::string_view markup, bool latin1) {
  std::string out;
  out.reserve(markup.size());
  std::string decoded;
  while (!markup.empty()) {
    const size_t open = markup.find('<');
    decoded.clear();
    AppendDecodedText(decoded, markup.substr(0, open), latin1);
    AppendCollapsed(out, decoded);
    if (open == std::string_view::npos) {
      break;
    }
    markup.remove_prefix(open);
    std::string_view end = ">";
    if (markup.starts_with("<![CDATA[")) {
      markup.remove_prefix(9);
      const size_t close = markup.find("]]>");
      AppendCollapsed(out, markup.substr(0, close));
      end = "]]>";
    } else if (markup.starts_with("<!--")) {
      end = "-->";
    }
    const size_t close = markup.find(end);
    if (close == std::string_view::npos) {
      break;
    }
    markup.remove_prefix(close + end.size());
  }
  while (!out.empty() && out.back() == ' ') {
    out.pop_back();
  }
  return out;
}

std::string TitleText(const TXmlNode* node) {
  if (node == nullptr) {
    return {};
  }
  if (node->Nodes().Count() > 0 && !node->InnerMarkup().empty()) {
    return SingleLineText(MarkupText(node->InnerMarkup(), IsLatin1Document(*node)));
  }
  return SingleLineText(node->Value());
}

std::string DescriptionText(const TXmlNode* node) {
  if (node == nullptr) {
    return {};
  }
  if (node->Nodes().Count() > 0 && !node->InnerMarkup().empty()) {
    return MultiLineText(node->InnerMarkup());
  }
  return MultiLineText(node->Value());
}

bool NeedsMoreThanValue(const TXmlNode* node) {
  return node != nullptr && (node->Nodes().Count() > 0 || IsBase64(*node));
}

std::string AtomTitleText(const TXmlNode* node) {
  if (node != nullptr && IsBase64(*node)) {
    return SingleLineText(Base64ElementText(*node));
  }
  return TitleText(node);
}

std::string AtomDescriptionText(const TXmlNode* node) {
  if (node != nullptr && IsBase64(*node)) {
    return MultiLineText(Base64ElementText(*node));
  }
  return DescriptionText(node);
}

}  // namespace tidewick
