#include "util/charset.h"

#include <iconv.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <optional>

#include "util/case_fold.h"
#include "util/utf8.h"

namespace tidewick {

namespace {

bool IsAnyOf(std::string_view name, std::initializer_list<std::string_view> names) {
  for (const std::string_view candidate : names) {
    if (SameAsciiIgnoringCase(name, candidate)) {
      return true;
    }
  }
  return false;
}

bool IsAsciiEncodingName(std::string_view encoding) {
  return IsAnyOf(encoding, {"us-ascii", "ascii", "ansi_x3.4-1968", "iso646-us"});
}

std::string RepairUtf8Fast(std::string_view bytes) {
  if (IsValidUtf8(bytes)) {
    return std::string(bytes);
  }
  return RepairUtf8(bytes);
}

std::string Windows1252ToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 8);
  std::size_t runStart = 0;
  for (std::size_t pos = 0; pos < bytes.size(); ++pos) {
    const auto byte = static_cast<unsigned char>(bytes[pos]);
    if (byte >= 0x80) {
      out.append(bytes.substr(runStart, pos - runStart));
      AppendUtf8(out, Windows1252ToCodePoint(byte));
      runStart = pos + 1;
    }
  }
  out.append(bytes.substr(runStart));
  return out;
}

// Decodes the UTF-8 character at text[pos] (valid UTF-8 assumed); advances pos.
char32_t NextCodePoint(std::string_view text, std::size_t& pos) {
  const auto lead = static_cast<unsigned char>(text[pos]);
  std::size_t length = Utf8SequenceLength(text, pos);
  if (length == 0) {
    ++pos;
    return 0xFFFD;
  }
  char32_t codePoint = length == 1 ? lead : length == 2 ? (lead & 0x1F) : length == 3 ? (lead & 0x0F) : (lead & 0x07);
  for (std::size_t i = 1; i < length; ++i) {
    codePoint = (codePoint << 6) | (static_cast<unsigned char>(text[pos + i]) & 0x3F);
  }
  pos += length;
  return codePoint;
}

void AppendReference(std::string& out, char32_t codePoint) {
  out += "&#";
  out += std::to_string(static_cast<uint32_t>(codePoint));
  out += ';';
}

void Utf8ToLatin1(std::string_view utf8, std::string& out) {
  std::size_t pos = 0;
  while (pos < utf8.size()) {
    const auto byte = static_cast<unsigned char>(utf8[pos]);
    if (byte < 0x80) {
      out.push_back(static_cast<char>(byte));
      ++pos;
      continue;
    }
    const char32_t codePoint = NextCodePoint(utf8, pos);
    if (codePoint <= 0xFF) {
      out.push_back(static_cast<char>(codePoint));
    } else {
      AppendReference(out, codePoint);
    }
  }
}

// Output that iconv writes into directly. Room is added only as it runs out (the string's capacity grows
// geometrically) and never cleared again, so converting stays linear however often iconv stops: at every bad byte
// of a hostile document, say.
class TConversionOutput {
 public:
  explicit TConversionOutput(std::string&& start) : m_text(std::move(start)), m_used(m_text.size()) {}

  char* Tail() { return m_text.data() + m_used; }
  std::size_t Room() const { return m_text.size() - m_used; }
  void Advance(std::size_t written) { m_used += written; }
  void Reserve(std::size_t room) {
    if (Room() < room) {
      m_text.resize(m_used + room);
    }
  }
  void Append(std::string_view text) {
    Reserve(text.size());
    std::memcpy(Tail(), text.data(), text.size());
    Advance(text.size());
  }
  std::string Take() && {
    m_text.resize(m_used);
    return std::move(m_text);
  }

 private:
  std::string m_text;
  std::size_t m_used;
};

constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";

// An iconv descriptor that closes itself.
class TIconv {
 public:
  TIconv() : m_handle(Invalid()) {}
  TIconv(const char* to, const char* from) : m_handle(iconv_open(to, from)) {}
  ~TIconv() {
    if (IsOpen()) {
      iconv_close(m_handle);
    }
  }
  TIconv(TIconv&& other) noexcept : m_handle(other.m_handle) { other.m_handle = Invalid(); }
  TIconv& operator=(TIconv&& other) noexcept {
    std::swap(m_handle, other.m_handle);
    return *this;
  }
  TIconv(const TIconv&) = delete;
  TIconv& operator=(const TIconv&) = delete;

  bool IsOpen() const { return m_handle != Invalid(); }
  // Back to the initial shift state.
  void Reset() { iconv(m_handle, nullptr, nullptr, nullptr, nullptr); }

  // Converts as much as possible; returns 0 when everything was taken, else the errno that stopped it.
  int Run(const char*& in, std::size_t& inLeft, TConversionOutput& out) {
    while (true) {
      out.Reserve(inLeft + 16);
      char* outPtr = out.Tail();
      std::size_t outLeft = out.Room();
      char* inPtr = const_cast<char*>(in);  // iconv's interface is not const-correct
      const std::size_t result = iconv(m_handle, &inPtr, &inLeft, &outPtr, &outLeft);
      const int error = result == static_cast<std::size_t>(-1) ? errno : 0;
      in = inPtr;
      out.Advance(static_cast<std::size_t>(outPtr - out.Tail()));
      if (error != E2BIG) {
        return error;
      }
      out.Reserve(out.Room() * 2 + 64);  // full: double the room
    }
  }

 private:
  // iconv_open's failure value, (iconv_t)-1.
  static iconv_t Invalid() { return reinterpret_cast<iconv_t>(-1); }  // NOLINT(performance-no-int-to-ptr)
  iconv_t m_handle;
};

// Bytes per code unit: a bad sequence is skipped a whole unit at a time, so UTF-16 and UTF-32 stay aligned.
std::size_t CodeUnitSize(std::string_view encoding) {
  std::string compact;
  for (const char c : encoding) {
    if (c != '-' && c != '_') {
      compact += AsciiLower(c);
    }
  }
  if (compact.starts_with("utf32") || compact.starts_with("ucs4")) {
    return 4;
  }
  if (compact.starts_with("utf16") || compact.starts_with("ucs2")) {
    return 2;
  }
  return 1;
}

// Encodings whose meaning of a byte depends on escape sequences seen before it; all of them are 7-bit.
bool IsStatefulEncoding(std::string_view encoding) {
  std::string compact;
  for (const char c : encoding) {
    if (c != '-' && c != '_') {
      compact += AsciiLower(c);
    }
  }
  return compact.starts_with("iso2022") || compact.starts_with("csiso2022") || compact.starts_with("utf7") ||
         compact.starts_with("hz");
}

// Bytes that no sequence of the encoding may start with (0xFF in EUC-JP, Shift_JIS, EUC-KR, GBK, Big5, any byte
// over 0x7F in the 7-bit ISO-2022 family), learnt from iconv one byte value at a time. A run of them is replaced
// without calling iconv once per byte, which made documents of such bytes several times slower to convert than text.
class TBadLeadBytes {
 public:
  explicit TBadLeadBytes(std::string_view encoding) : m_encoding(encoding), m_stateful(IsStatefulEncoding(encoding)) {}

  bool Contains(unsigned char byte) {
    if (m_state[byte] == kUnknown) {
      m_state[byte] = IsBad(byte) ? kBad : kGood;
    }
    return m_state[byte] == kBad;
  }

 private:
  enum : std::uint8_t { kUnknown, kGood, kBad };

  bool IsBad(unsigned char byte) {
    if (m_stateful) {
      return byte >= 0x80;
    }
    // A stateless converter refusing the byte alone, or the byte followed by any second byte, refuses it whatever
    // follows.
    const int alone = Probe({static_cast<char>(byte)});
    if (alone != EINVAL) {
      return alone == EILSEQ;
    }
    for (int second = 0; second < 256; ++second) {
      if (Probe({static_cast<char>(byte), static_cast<char>(second)}) != EILSEQ) {
        return false;
      }
    }
    return true;
  }

  // The error that stops converting `sequence` from the initial state at its first byte, or 0.
  int Probe(std::initializer_list<char> sequence) {
    if (!m_probe.IsOpen()) {
      m_probe = TIconv("UTF-8", m_encoding.c_str());
      if (!m_probe.IsOpen()) {
        return 0;
      }
    }
    const std::string bytes(sequence);
    const char* in = bytes.data();
    std::size_t inLeft = bytes.size();
    TConversionOutput out{std::string()};
    const int error = m_probe.Run(in, inLeft, out);
    m_probe.Reset();
    return inLeft == bytes.size() ? error : 0;
  }

  std::string m_encoding;
  bool m_stateful;
  TIconv m_probe;
  std::array<std::uint8_t, 256> m_state{};
};

std::string IconvToUtf8(TIconv& converter, std::string_view bytes, std::string_view encoding) {
  const std::size_t unitSize = CodeUnitSize(encoding);
  std::optional<TBadLeadBytes> badLeads;
  if (unitSize == 1) {
    badLeads.emplace(encoding);
  }
  TConversionOutput out{std::string()};
  out.Reserve(bytes.size() + bytes.size() / 2 + 16);
  const char* in = bytes.data();
  std::size_t inLeft = bytes.size();
  while (inLeft > 0) {
    const int error = converter.Run(in, inLeft, out);
    if (error == 0) {
      break;
    }
    // An unreadable sequence (EILSEQ) or one cut off at the end (EINVAL): mark it and go on after one code unit.
    out.Append(kReplacementCharacter);
    const std::size_t skip = error == EINVAL ? inLeft : std::min(unitSize, inLeft);
    in += skip;
    inLeft -= skip;
    while (badLeads && inLeft > 0 && badLeads->Contains(static_cast<unsigned char>(*in))) {
      out.Append(kReplacementCharacter);
      ++in;
      --inLeft;
    }
  }
  return std::move(out).Take();
}

}  // namespace

bool IsUtf8EncodingName(std::string_view encoding) {
  return IsAnyOf(encoding, {"utf-8", "utf8"});
}

bool IsLatin1EncodingName(std::string_view encoding) {
  return IsAnyOf(encoding, {"iso-8859-1", "iso8859-1", "iso_8859-1", "latin1", "latin-1", "l1"});
}

bool IsWideEncodingName(std::string_view encoding) {
  std::string compact;
  for (const char c : encoding) {
    if (c != '-' && c != '_') {
      compact += AsciiLower(c);
    }
  }
  for (const std::string_view prefix : {"utf16", "utf32", "ucs2", "ucs4"}) {
    if (compact.starts_with(prefix)) {
      return true;
    }
  }
  return false;
}

bool IsAsciiCompatibleEncoding(std::string_view encoding) {
  if (encoding.empty() || IsUtf8EncodingName(encoding) || IsLatin1EncodingName(encoding) ||
      IsAsciiEncodingName(encoding)) {
    return true;
  }
  if (IsWideEncodingName(encoding)) {
    return false;
  }
  TIconv converter(std::string(encoding).c_str(), "UTF-8");
  if (!converter.IsOpen()) {
    return false;
  }
  constexpr std::string_view kProbe = "<?xml version=\"1.0\" x='y'?>\r\n\t<a b=\"&#38;\">z+Z-09!</a>";
  const char* in = kProbe.data();
  std::size_t inLeft = kProbe.size();
  TConversionOutput out{std::string()};
  return converter.Run(in, inLeft, out) == 0 && std::move(out).Take() == kProbe;
}

std::string DecodeToUtf8(std::string_view bytes, std::string_view encoding) {
  if (encoding.empty() || IsUtf8EncodingName(encoding)) {
    return RepairUtf8Fast(bytes);
  }
  if (IsLatin1EncodingName(encoding) || IsAsciiEncodingName(encoding) ||
      IsAnyOf(encoding, {"windows-1252", "cp1252", "x-cp1252"})) {
    // Our own table: iconv refuses the five bytes Windows-1252 leaves unassigned, browsers do not.
    return Windows1252ToUtf8(bytes);
  }
  std::string from(encoding);
  if (StartsWithAsciiIgnoringCase(encoding, 0, "utf-16") && bytes.size() >= 2) {
    const auto first = static_cast<unsigned char>(bytes[0]);
    const auto second = static_cast<unsigned char>(bytes[1]);
    if (first == 0xFF && second == 0xFE) {
      from = "UTF-16LE";
      bytes.remove_prefix(2);
    } else if (first == 0xFE && second == 0xFF) {
      from = "UTF-16BE";
      bytes.remove_prefix(2);
    }
  }
  TIconv converter("UTF-8", from.c_str());
  if (!converter.IsOpen()) {
    return RepairUtf8Fast(bytes);
  }
  return IconvToUtf8(converter, bytes, from);
}

std::string DecodeToUtf8(std::string&& bytes, std::string_view encoding) {
  if ((encoding.empty() || IsUtf8EncodingName(encoding)) && IsValidUtf8(bytes)) {
    return std::move(bytes);
  }
  return DecodeToUtf8(std::string_view(bytes), encoding);
}

std::string EncodeFromUtf8(std::string_view utf8, std::string_view encoding) {
  TCharsetEncoder encoder(encoding);
  if (encoder.PassesThrough()) {
    return std::string(utf8);
  }
  std::string out;
  out.reserve(utf8.size());
  encoder.Convert(utf8, out);
  return out;
}

struct TCharsetEncoder::TState {
  enum class TMode { PassThrough, Latin1, Iconv };
  TMode Mode = TMode::PassThrough;
  TIconv Converter;
};

TCharsetEncoder::TCharsetEncoder(std::string_view encoding) : m_state(std::make_unique<TState>()) {
  if (encoding.empty() || IsUtf8EncodingName(encoding)) {
    return;
  }
  if (IsLatin1EncodingName(encoding)) {
    m_state->Mode = TState::TMode::Latin1;
    return;
  }
  if (!IsWideEncodingName(encoding) && !IsAsciiCompatibleEncoding(encoding)) {
    return;  // e.g. UTF-7: the markup itself would be encoded
  }
  TIconv converter(std::string(encoding).c_str(), "UTF-8");
  if (converter.IsOpen()) {
    m_state->Converter = std::move(converter);
    m_state->Mode = TState::TMode::Iconv;
  }
}

TCharsetEncoder::~TCharsetEncoder() = default;
TCharsetEncoder::TCharsetEncoder(TCharsetEncoder&&) noexcept = default;
TCharsetEncoder& TCharsetEncoder::operator=(TCharsetEncoder&&) noexcept = default;

bool TCharsetEncoder::PassesThrough() const {
  return m_state->Mode == TState::TMode::PassThrough;
}

void TCharsetEncoder::Convert(std::string_view utf8, std::string& out) {
  switch (m_state->Mode) {
    case TState::TMode::PassThrough:
      out.append(utf8);
      return;
    case TState::TMode::Latin1:
      Utf8ToLatin1(utf8, out);
      return;
    case TState::TMode::Iconv:
      break;
  }
  TIconv& converter = m_state->Converter;
  TConversionOutput output(std::move(out));
  const char* in = utf8.data();
  std::size_t inLeft = utf8.size();
  while (inLeft > 0) {
    if (converter.Run(in, inLeft, output) == 0) {
      break;
    }
    // A character the encoding cannot hold: write it as a reference, itself converted.
    std::size_t pos = static_cast<std::size_t>(in - utf8.data());
    std::string reference;
    AppendReference(reference, NextCodePoint(utf8, pos));
    const char* refIn = reference.data();
    std::size_t refLeft = reference.size();
    converter.Run(refIn, refLeft, output);
    inLeft -= pos - static_cast<std::size_t>(in - utf8.data());
    in = utf8.data() + pos;
  }
  out = std::move(output).Take();
}

}  // namespace tidewick
