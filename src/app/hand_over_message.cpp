#include "app/hand_over_message.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <utility>

#include "util/utf8.h"

namespace tidewick {
namespace {

constexpr std::string_view kMagic = "TWK1";
constexpr size_t kHeaderBytes = 8;  // magic + payload length

void AppendNumber(std::string& out, uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) {
    out.push_back(static_cast<char>((value >> shift) & 0xFF));
  }
}

uint32_t ReadNumber(std::string_view bytes, size_t pos) {
  uint32_t value = 0;
  for (size_t i = 0; i < 4; ++i) {
    value = (value << 8) | static_cast<unsigned char>(bytes[pos + i]);
  }
  return value;
}

}  // namespace

bool IsCleanHandOverText(std::string_view text) {
  if (!IsValidUtf8(text)) {
    return false;
  }
  for (size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    const bool c1 = c == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) < 0xA0;
    if (c < 0x20 || c == 0x7F || c1) {
      return false;
    }
  }
  return true;
}

std::optional<std::string> EncodeHandOver(const THandOver& handOver) {
  if (handOver.Params.size() + 1 > kMaxHandOverTexts) {
    return std::nullopt;
  }
  std::string payload;
  AppendNumber(payload, static_cast<uint32_t>(handOver.Params.size() + 1));
  auto appendText = [&payload](const std::string& text) {
    if (!IsCleanHandOverText(text) || text.size() > kMaxHandOverBytes) {
      return false;
    }
    AppendNumber(payload, static_cast<uint32_t>(text.size()));
    payload.append(text);
    return payload.size() + kHeaderBytes <= kMaxHandOverBytes;
  };
  if (!appendText(handOver.ActivationToken)) {
    return std::nullopt;
  }
  for (const std::string& param : handOver.Params) {
    if (!appendText(param)) {
      return std::nullopt;
    }
  }
  std::string message(kMagic);
  AppendNumber(message, static_cast<uint32_t>(payload.size()));
  message.append(payload);
  return message;
}

THandOverDecoder::TStatus THandOverDecoder::Append(std::string_view bytes) {
  if (m_status == TStatus::Invalid) {
    return m_status;
  }
  if (m_status == TStatus::Complete) {
    m_status = bytes.empty() ? m_status : TStatus::Invalid;
    return m_status;
  }
  // Never hold more than one message's worth: the length check below rejects anything longer.
  const size_t room = kMaxHandOverBytes + 1 - m_buffer.size();
  m_buffer.append(bytes.substr(0, room));
  m_status = Parse();
  return m_status;
}

THandOverDecoder::TStatus THandOverDecoder::Parse() {
  const std::string_view buffer = m_buffer;
  const size_t magicSeen = std::min(buffer.size(), kMagic.size());
  if (buffer.substr(0, magicSeen) != kMagic.substr(0, magicSeen)) {
    return TStatus::Invalid;
  }
  if (buffer.size() < kHeaderBytes) {
    return TStatus::NeedMore;
  }
  const size_t payloadSize = ReadNumber(buffer, 4);
  if (payloadSize < 4 || payloadSize > kMaxHandOverBytes - kHeaderBytes) {
    return TStatus::Invalid;
  }
  if (buffer.size() < kHeaderBytes + payloadSize) {
    return TStatus::NeedMore;
  }
  if (buffer.size() > kHeaderBytes + payloadSize) {
    return TStatus::Invalid;
  }
  const std::string_view payload = buffer.substr(kHeaderBytes);
  const size_t count = ReadNumber(payload, 0);
  if (count == 0 || count > kMaxHandOverTexts) {
    return TStatus::Invalid;
  }
  std::vector<std::string> texts;
  size_t pos = 4;
  for (size_t i = 0; i < count; ++i) {
    if (payload.size() - pos < 4) {
      return TStatus::Invalid;
    }
    const size_t length = ReadNumber(payload, pos);
    pos += 4;
    if (payload.size() - pos < length) {
      return TStatus::Invalid;
    }
    const std::string_view text = payload.substr(pos, length);
    if (!IsCleanHandOverText(text)) {
      return TStatus::Invalid;
    }
    texts.emplace_back(text);
    pos += length;
  }
  if (pos != payload.size()) {
    return TStatus::Invalid;
  }
  m_message.ActivationToken = std::move(texts.front());
  m_message.Params.assign(std::make_move_iterator(texts.begin() + 1), std::make_move_iterator(texts.end()));
  m_buffer.clear();
  m_buffer.shrink_to_fit();
  return TStatus::Complete;
}

}  // namespace tidewick
