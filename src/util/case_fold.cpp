#include "util/case_fold.h"

#include <utf8proc.h>

#include <cstdlib>
#include <memory>

namespace tidewick {

namespace {

struct FreeDeleter {
  void operator()(utf8proc_uint8_t* p) const { std::free(p); }
};

}  // namespace

std::string FoldCase(std::string_view utf8) {
  if (IsAscii(utf8)) {
    return LowerAscii(utf8);
  }
  utf8proc_uint8_t* raw = nullptr;
  const utf8proc_ssize_t length =
      utf8proc_map(reinterpret_cast<const utf8proc_uint8_t*>(utf8.data()), static_cast<utf8proc_ssize_t>(utf8.size()),
                   &raw, static_cast<utf8proc_option_t>(UTF8PROC_CASEFOLD | UTF8PROC_STABLE));
  const std::unique_ptr<utf8proc_uint8_t, FreeDeleter> folded(raw);
  if (length < 0) {
    return LowerAscii(utf8);  // not valid UTF-8: fold what can be folded safely
  }
  return std::string(reinterpret_cast<const char*>(folded.get()), static_cast<std::size_t>(length));
}

std::string LowerAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    c = AsciiLower(c);
  }
  return out;
}

bool SameAsciiIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) {
    return false;
  }
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) {
      return false;
    }
  }
  return true;
}

bool SameTextIgnoringCase(std::string_view a, std::string_view b) {
  if (IsAscii(a) && IsAscii(b)) {
    return SameAsciiIgnoringCase(a, b);
  }
  return FoldCase(a) == FoldCase(b);
}

bool ContainsIgnoringCase(std::string_view haystack, std::string_view needle) {
  if (needle.empty()) {
    return false;
  }
  return FoldCase(haystack).find(FoldCase(needle)) != std::string::npos;
}

}  // namespace tidewick
