#include "entries/html_scanner.h"

#include "util/case_fold.h"

namespace tidewick {
namespace {

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

bool IsAsciiLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// Names end at a blank, "/" or ">"; attribute names also at "=" (except as their first character).
bool EndsName(char c, bool attribute) {
  return IsSpace(c) || c == '/' || c == '>' || (attribute && c == '=');
}

void AssignLower(std::string& out, std::string_view text) {
  out.assign(text);
  for (char& c : out) {
    c = AsciiLower(c);
  }
}

}  // namespace

THtmlScanner::THtmlScanner(std::string_view html, size_t maxAttributes)
    : m_html(html), m_maxAttributes(maxAttributes) {}

void THtmlScanner::ReadUntil(std::string_view end) {
  const size_t found = m_html.find(end, m_pos);
  m_pos = found == std::string_view::npos ? m_html.size() : found + end.size();
}

bool THtmlScanner::Next(THtmlToken& token) {
  token.Tag.Name.clear();
  token.Tag.Attributes.clear();
  if (m_pos >= m_html.size()) {
    return false;
  }
  const std::string_view rest = m_html.substr(m_pos);
  if (rest.front() != '<') {
    const size_t length = rest.find('<');
    token.Kind = THtmlTokenKind::Text;
    token.Text = rest.substr(0, length);
    m_pos += token.Text.size();
    return true;
  }
  const char next = rest.size() > 1 ? rest[1] : '\0';
  token.Kind = THtmlTokenKind::Ignored;
  if (IsAsciiLetter(next)) {
    ReadTag(token, false);
  } else if (next == '/' && rest.size() > 2 && IsAsciiLetter(rest[2])) {
    ReadTag(token, true);
  } else if (rest.starts_with("<!-->") || rest.starts_with("<!--->")) {
    m_pos += rest.find('>') + 1;  // whole (empty) comments
  } else if (rest.starts_with("<!--")) {
    m_pos += 4;
    ReadUntil("-->");
  } else if (next == '!' || next == '?' || (next == '/' && rest.size() > 2)) {
    ReadUntil(">");  // doctypes, processing instructions and "</" without a name: up to the next ">"
  } else {
    token.Kind = THtmlTokenKind::Text;  // a "<" that starts no tag is text
    token.Text = rest.substr(0, next == '/' ? 2 : 1);
    m_pos += token.Text.size();
  }
  return true;
}

void THtmlScanner::ReadTag(THtmlToken& token, bool endTag) {
  const std::string_view html = m_html;
  size_t at = m_pos + (endTag ? 2 : 1);
  const size_t nameStart = at;
  while (at < html.size() && !EndsName(html[at], false)) {
    ++at;
  }
  AssignLower(token.Tag.Name, html.substr(nameStart, at - nameStart));
  while (true) {
    while (at < html.size() && (IsSpace(html[at]) || html[at] == '/')) {
      ++at;
    }
    if (at >= html.size()) {
      break;  // the text ends inside the tag
    }
    if (html[at] == '>') {
      m_pos = at + 1;
      token.Kind = endTag ? THtmlTokenKind::EndTag : THtmlTokenKind::StartTag;
      return;
    }
    const size_t attributeStart = at++;
    while (at < html.size() && !EndsName(html[at], true)) {
      ++at;
    }
    const std::string_view name = html.substr(attributeStart, at - attributeStart);
    std::string_view value;
    size_t afterName = at;
    while (afterName < html.size() && IsSpace(html[afterName])) {
      ++afterName;
    }
    if (afterName < html.size() && html[afterName] == '=') {
      at = afterName + 1;
      while (at < html.size() && IsSpace(html[at])) {
        ++at;
      }
      if (at < html.size() && (html[at] == '"' || html[at] == '\'')) {
        const size_t close = html.find(html[at], at + 1);
        if (close == std::string_view::npos) {
          break;
        }
        value = html.substr(at + 1, close - at - 1);
        at = close + 1;
      } else {
        const size_t valueStart = at;
        while (at < html.size() && !IsSpace(html[at]) && html[at] != '>') {
          ++at;
        }
        value = html.substr(valueStart, at - valueStart);
      }
    }
    if (!endTag && token.Tag.Attributes.size() < m_maxAttributes) {
      THtmlAttribute& attribute = token.Tag.Attributes.emplace_back();
      AssignLower(attribute.Name, name);
      attribute.Value = value;
    }
  }
  m_pos = html.size();
  token.Kind = THtmlTokenKind::Ignored;
  token.Tag.Name.clear();
  token.Tag.Attributes.clear();
}

void THtmlScanner::SkipRawText(std::string_view lowerName) {
  if (lowerName == "plaintext") {
    m_pos = m_html.size();  // nothing ever ends it
    return;
  }
  for (size_t at = m_html.find("</", m_pos); at != std::string_view::npos; at = m_html.find("</", at + 2)) {
    const size_t afterName = at + 2 + lowerName.size();
    if (StartsWithAsciiIgnoringCase(m_html, at + 2, lowerName) &&
        (afterName == m_html.size() || EndsName(m_html[afterName], false))) {
      m_pos = at;
      THtmlToken endTag;
      ReadTag(endTag, true);
      return;
    }
  }
  m_pos = m_html.size();
}

}  // namespace tidewick
