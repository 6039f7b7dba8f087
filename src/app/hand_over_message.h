#pragma once

// The message a later start sends to the running instance: its command-line parameters and the activation token
// its desktop gave it. The socket is hostile input (a browser may start us with any "feed:" link), so the decoder
// accepts only a complete, well-formed message of at most kMaxHandOverBytes and nothing else.
//
// Wire form, all numbers 32-bit big-endian: "TWK1", payload length, then the payload: the number of texts,
// and each text as its length and its UTF-8 bytes. The first text is the activation token (may be empty), the
// rest are the parameters. The running instance answers with the single byte kHandOverHandled once it has
// handled the message.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tidewick {

inline constexpr size_t kMaxHandOverBytes = size_t{64} * 1024;
inline constexpr size_t kMaxHandOverTexts = 256;
inline constexpr char kHandOverHandled = '\x06';

struct THandOver {
  std::string ActivationToken;  // XDG_ACTIVATION_TOKEN or DESKTOP_STARTUP_ID of the later start
  std::vector<std::string> Params;

  bool operator==(const THandOver&) const = default;
};

// True when text is valid UTF-8 without control characters (C0, DEL, C1).
bool IsCleanHandOverText(std::string_view text);

// The message bytes; nothing when a text is not clean or the whole would exceed kMaxHandOverBytes.
std::optional<std::string> EncodeHandOver(const THandOver& handOver);

// Reads one message from bytes as they arrive.
class THandOverDecoder {
 public:
  enum class TStatus { NeedMore, Complete, Invalid };

  // Appends bytes; once Invalid or Complete, further bytes change nothing (a complete message followed by more
  // bytes turns Invalid: one connection carries one message).
  TStatus Append(std::string_view bytes);
  TStatus Status() const { return m_status; }
  const THandOver& Message() const { return m_message; }

 private:
  TStatus Parse();

  std::string m_buffer;
  TStatus m_status = TStatus::NeedMore;
  THandOver m_message;
};

}  // namespace tidewick
