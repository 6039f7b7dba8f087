// Feeds arbitrary text to reference decoding, HTML-to-text and the HTML bounds: no input may read out of bounds or
// throw; valid UTF-8 stays valid, and HTML-to-text never makes a text longer.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "entries/html_bounds.h"
#include "fuzz_check.h"
#include "util/html_text.h"
#include "util/utf8.h"

using tidewick::fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tidewick;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const bool valid = IsValidUtf8(text);
  const std::string decoded = DecodeEntities(text);
  Check(!valid || IsValidUtf8(decoded));
  const std::string plain = HtmlToText(text);
  Check(plain.size() <= text.size());
  Check(HtmlToText(decoded).size() <= decoded.size());
  Check(IsValidUtf8(EntityToText(text)));
  Check(!valid || IsValidUtf8(BoundedHtml(text)));
  return 0;
}
