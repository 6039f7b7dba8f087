// libFuzzer target for the XML reader and writer: any input must load (or fail) cleanly, give valid UTF-8 texts,
// save, and load again.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_check.h"
#include "util/utf8.h"
#include "xml/xml_doc.h"
#include "xml/xml_text.h"

using tidewick::fuzz::Check;

namespace {

void CheckTree(const tidewick::TXmlDoc& doc) {
  std::vector<const tidewick::TXmlNode*> pending{doc.Root()};
  while (!pending.empty()) {
    const tidewick::TXmlNode* node = pending.back();
    pending.pop_back();
    Check(tidewick::IsValidUtf8(node->Name()) && tidewick::IsValidUtf8(node->Value()) &&
          tidewick::IsValidUtf8(node->InnerMarkup()));
    for (const tidewick::TXmlAttrib* attrib = node->Attribs().First(); attrib != nullptr; attrib = attrib->Next()) {
      Check(tidewick::IsValidUtf8(attrib->Name()) && tidewick::IsValidUtf8(attrib->Value()));
    }
    for (const tidewick::TXmlNode* child : node->Nodes()) {
      Check(child->Parent() == node);
      pending.push_back(child);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  tidewick::TXmlDoc doc;
  const tidewick::TXmlLoadResult result = doc.LoadFromStringEx(input);
  Check(!result.Complete || result.Ok);
  CheckTree(doc);
  // Paths and attribute text taken from the input itself.
  const std::string_view head = input.substr(0, 32);
  doc.GetNode(head);
  doc.GetValue(head, "d");
  doc.Root()->Attribs().AddFromText(head, "ISO-8859-1");
  if (tidewick::IsValidUtf8(input)) {
    Check(tidewick::IsValidUtf8(tidewick::DecodeText(input, "ISO-8859-1")));
    Check(tidewick::DecodeText(tidewick::EncodeText(input, ""), "") == input);
  }
  std::string saved;
  if (doc.SaveToStream(saved, 2, true)) {
    tidewick::TXmlDoc again;
    Check(again.LoadFromString(saved));
    CheckTree(again);
  }
  return 0;
}
