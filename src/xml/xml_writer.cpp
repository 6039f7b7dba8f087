// Writes the tree one element per line, indented by depth, in the document's encoding. Iterative: nesting depth
// cannot exhaust the stack.

#include <cstring>
#include <functional>
#include <ostream>

#include "platform/file_io.h"
#include "util/charset.h"
#include "xml/xml_doc.h"
#include "xml/xml_internal.h"
#include "xml/xml_text.h"

namespace tidewick {

namespace {

// Output is produced as UTF-8 in `buffer`; `flush` (when set) takes full chunks away, converted or not.
constexpr std::size_t kChunkSize = 1 << 20;

class TXmlWriter {
 public:
  TXmlWriter(std::string& buffer, std::function<void(std::string&)> flush, int indent, bool formatted,
             std::string_view encoding)
      : m_out(buffer),
        m_flush(std::move(flush)),
        m_indent(indent < 0 ? 0 : indent),
        m_formatted(formatted),
        m_encoding(encoding),
        m_latin1(IsLatin1EncodingName(encoding)) {}

  void WriteDeclaration(const TXmlNode& root);
  void WriteChildren(const TXmlNode& root);

 private:
  void LineBreak();
  void Indentation(int level);
  void StartTag(const TXmlNode& node, int level);
  void Leaf(const TXmlNode& node);
  bool CDataKeepsValue(std::string_view value) const;

  std::string& m_out;
  std::function<void(std::string&)> m_flush;
  int m_indent;
  bool m_formatted;
  std::string_view m_encoding;
  bool m_latin1;
};

void TXmlWriter::LineBreak() {
  if (m_formatted) {
    m_out += "\r\n";
  }
  if (m_flush && m_out.size() >= kChunkSize) {
    m_flush(m_out);
  }
}

void TXmlWriter::Indentation(int level) {
  m_out.append(static_cast<std::size_t>(level) * static_cast<std::size_t>(m_indent), ' ');
}

void TXmlWriter::WriteDeclaration(const TXmlNode& root) {
  m_out += '<';
  m_out += root.Name();
  for (const TXmlAttrib* attrib = root.Attribs().First(); attrib != nullptr; attrib = attrib->Next()) {
    m_out += ' ';
    m_out += attrib->Name();
    m_out += "=\"";
    AppendEncodedText(m_out, attrib->Value(), m_latin1);
    m_out += '"';
  }
  m_out += "?>";
  LineBreak();
}

void TXmlWriter::StartTag(const TXmlNode& node, int level) {
  Indentation(level);
  m_out += '<';
  m_out += node.Name();
  for (const TXmlAttrib* attrib = node.Attribs().First(); attrib != nullptr; attrib = attrib->Next()) {
    m_out += ' ';
    m_out += attrib->Name();
    m_out += "=\"";
    AppendEncodedText(m_out, attrib->Value(), m_latin1);
    m_out += '"';
  }
}

// A value goes into a CDATA section only when reading it back gives the same value: no "]]>" in it, no text the
// reader would take for a reference, and (in Latin-1) no character that would need a reference.
bool TXmlWriter::CDataKeepsValue(std::string_view value) const {
  if (value.find("]]>") != std::string_view::npos) {
    return false;
  }
  if (m_latin1) {
    for (const char c : value) {
      if (static_cast<unsigned char>(c) >= 0xC4) {
        return false;
      }
    }
  }
  if (std::memchr(value.data(), '&', value.size()) == nullptr) {
    return true;
  }
  return DecodeText(value, m_encoding) == value;
}

void TXmlWriter::Leaf(const TXmlNode& node) {
  const std::string_view value = node.Value();
  if (!value.empty()) {
    if (node.IsCData() && CDataKeepsValue(value)) {
      m_out += "><![CDATA[";
      m_out += value;
      m_out += "]]></";
    } else {
      m_out += '>';
      AppendEncodedText(m_out, value, m_latin1);
      m_out += "</";
    }
    m_out += node.Name();
    m_out += '>';
  } else if (node.IsCData()) {
    m_out += "><![CDATA[]]></";
    m_out += node.Name();
    m_out += '>';
  } else if (node.Name().starts_with("?")) {
    m_out += "?>";
  } else {
    m_out += " />";
  }
  LineBreak();
}

void TXmlWriter::WriteChildren(const TXmlNode& root) {
  const TXmlNode* node = root.Nodes().First();
  int level = 0;
  while (node != nullptr) {
    StartTag(*node, level);
    if (node->Nodes().First() != nullptr) {
      m_out += '>';
      LineBreak();
      node = node->Nodes().First();
      ++level;
      continue;
    }
    Leaf(*node);
    // Climb until a node with a next sibling, closing each finished parent.
    while (node != nullptr && node->NextSibling() == nullptr) {
      node = node->Parent();
      if (node == &root) {
        node = nullptr;
        break;
      }
      --level;
      Indentation(level);
      m_out += "</";
      m_out += node->Name();
      m_out += '>';
      LineBreak();
    }
    if (node != nullptr) {
      node = node->NextSibling();
    }
  }
}

}  // namespace

// Writes the whole document through `buffer`; returns false (nothing written) for a root without a name.
static bool WriteDocument(TXmlDoc& doc, std::string& buffer, const std::function<void(std::string&)>& flush, int indent,
                          bool formatted) {
  TXmlNode& root = *doc.Root();
  if (root.Name().empty()) {
    return false;
  }
  const TXmlAttrib* version = root.Attribs().Find("version");
  if (version == nullptr || version->Value().empty()) {
    root.Attribs().AddFromText("version=\"1.0\"", "");
  }
  const std::string encoding = doc.GetEncoding();
  TXmlWriter writer(buffer, flush, indent, formatted, encoding);
  writer.WriteDeclaration(root);
  writer.WriteChildren(root);
  if (flush) {
    flush(buffer);
  }
  return true;
}

bool TXmlDoc::SaveToStream(std::string& out, int indent, bool formatted) {
  out.clear();
  TCharsetEncoder encoder(GetEncoding());
  if (encoder.PassesThrough()) {
    out.reserve(SourceBytes() + SourceBytes() / 16 + 4096);
    return WriteDocument(*this, out, nullptr, indent, formatted);
  }
  std::string buffer;
  const auto flush = [&](std::string& chunk) {
    encoder.Convert(chunk, out);
    chunk.clear();
  };
  return WriteDocument(*this, buffer, flush, indent, formatted);
}

bool TXmlDoc::SaveToStream(std::ostream& stream, int indent, bool formatted) {
  TCharsetEncoder encoder(GetEncoding());
  std::string buffer;
  std::string converted;
  const auto flush = [&](std::string& chunk) {
    if (encoder.PassesThrough()) {
      stream.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
    } else {
      converted.clear();
      encoder.Convert(chunk, converted);
      stream.write(converted.data(), static_cast<std::streamsize>(converted.size()));
    }
    chunk.clear();
  };
  return WriteDocument(*this, buffer, flush, indent, formatted) && stream.good();
}

bool TXmlDoc::SaveToFile(const std::string& fileName, int indent, bool formatted) {
  std::string text;
  if (!SaveToStream(text, indent, formatted)) {
    return false;
  }
  return AtomicWriteFile(fileName, text);
}

}  // namespace tidewick
