#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace tidewick {

// Converts bytes in the named encoding to UTF-8.
// - "ISO-8859-1", "latin1" and "us-ascii" are read as Windows-1252, as browsers do: feeds labelled Latin-1 routinely
//   carry curly quotes in the bytes 0x80..0x9F.
// - An empty or unknown name, and "UTF-8": valid UTF-8 is kept, every other byte is read as its Windows-1252
//   character (RepairUtf8).
// - "UTF-16" honours a byte-order mark; every other name iconv knows is converted by iconv. A byte iconv cannot read
//   becomes U+FFFD, so the result is always valid UTF-8.
std::string DecodeToUtf8(std::string_view bytes, std::string_view encoding);
// The same, but hands back `bytes` itself (no copy) when they are already valid UTF-8 and need no conversion.
std::string DecodeToUtf8(std::string&& bytes, std::string_view encoding);

// Converts UTF-8 text to the named encoding. A character the encoding cannot hold is written as the numeric character
// reference "&#N;" (decimal). An empty, unknown or UTF-8 name returns the text unchanged.
std::string EncodeFromUtf8(std::string_view utf8, std::string_view encoding);

// Encoding-name classes, compared ignoring case.
bool IsUtf8EncodingName(std::string_view encoding);    // "UTF-8", "UTF8"
bool IsLatin1EncodingName(std::string_view encoding);  // "ISO-8859-1", "ISO8859-1", "ISO_8859-1", "latin1", "l1"
bool IsWideEncodingName(std::string_view encoding);    // UTF-16, UTF-32, UCS-2, UCS-4 in any spelling
// Whether markup written in this encoding stays plain ASCII bytes (true for UTF-8, Latin-1, KOI8-R, Shift_JIS...;
// false for UTF-7, EBCDIC, the wide forms and names iconv does not know).
bool IsAsciiCompatibleEncoding(std::string_view encoding);

// Converts a long UTF-8 text piece by piece into one encoding. An encoding that would not keep the markup readable
// (neither ASCII-compatible nor a wide Unicode form) passes the text through as UTF-8, keeping the converter's state
// between pieces (so a byte-order mark is written once). Each piece must end on a character boundary. Move-only.
class TCharsetEncoder {
 public:
  explicit TCharsetEncoder(std::string_view encoding);
  ~TCharsetEncoder();
  TCharsetEncoder(TCharsetEncoder&&) noexcept;
  TCharsetEncoder& operator=(TCharsetEncoder&&) noexcept;
  TCharsetEncoder(const TCharsetEncoder&) = delete;
  TCharsetEncoder& operator=(const TCharsetEncoder&) = delete;

  // True when the output is UTF-8 (nothing to convert).
  bool PassesThrough() const;
  // Appends the converted form of `utf8` to `out`.
  void Convert(std::string_view utf8, std::string& out);

 private:
  struct TState;
  std::unique_ptr<TState> m_state;
};

}  // namespace tidewick
