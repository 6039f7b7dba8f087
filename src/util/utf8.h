#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tidewick {

// Keeps every valid UTF-8 sequence; a byte that does not begin one is read as its Windows-1252 character, so old
// Windows files stay readable and one stray byte never garbles the rest of a text.
std::string RepairUtf8(std::string_view bytes);

bool IsValidUtf8(std::string_view bytes);

// Appends the UTF-8 form of a code point; surrogates and values beyond U+10FFFF become U+FFFD.
void AppendUtf8(std::string& out, char32_t codePoint);

// The Unicode character a Windows-1252 byte stands for (the five unassigned bytes map to C1 controls, as browsers do).
char32_t Windows1252ToCodePoint(unsigned char byte);

// Number of characters (code points) in valid UTF-8 text.
std::size_t Utf8CharCount(std::string_view text);

// The longest start of text that fits in maxBytes and splits no UTF-8 sequence: a character the limit would cut goes
// whole, so a shortened text stays valid.
std::string_view Utf8Prefix(std::string_view text, std::size_t maxBytes);

// Replaces every character XML 1.0 forbids (C0 controls other than tab, line feed and carriage return, surrogates,
// U+FFFE and U+FFFF) by U+FFFD, so no reader of a file it goes into refuses the file; true when it replaced any.
// Text that has none is only scanned, sixteen bytes at a time.
bool ReplaceXmlForbidden(std::string& text);
bool HasXmlForbidden(std::string_view text);
// How many bytes at text[pos] form a character XML 1.0 forbids (1 or 3, fewer when the text ends first); 0 when the
// character there is allowed.
std::size_t XmlForbiddenLength(std::string_view text, std::size_t pos);

// Length in bytes of the valid UTF-8 sequence that starts at text[pos]; 0 when none starts there.
std::size_t Utf8SequenceLength(std::string_view text, std::size_t pos);

}  // namespace tidewick
