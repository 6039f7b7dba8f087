#include "feeds/store_file_source.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string_view>

#include "util/utf8.h"

namespace tidewick {

namespace {

// How many bytes at the end of text start a character that continues beyond it (0 when the last one is whole or
// broken anyway: the check then decides).
size_t CutCharacterLength(std::string_view text) {
  const size_t lookBack = std::min<size_t>(text.size(), 3);
  for (size_t back = 1; back <= lookBack; ++back) {
    const auto byte = static_cast<unsigned char>(text[text.size() - back]);
    if ((byte & 0xC0) == 0x80) {
      continue;  // a continuation byte: the lead is further back
    }
    const size_t length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
    return length > back ? back : 0;
  }
  return 0;
}

}  // namespace

TStoreFileSource::TStoreFileSource(int fd, size_t pieceSize) : m_fd(fd), m_pieceSize(std::max<size_t>(pieceSize, 1)) {}

TStoreFileSource::TStoreFileSource(int fd, size_t pieceSize, uint64_t from, uint64_t to)
    : m_fd(fd), m_pieceSize(std::max<size_t>(pieceSize, 1)), m_offset(from), m_end(to) {}

bool TStoreFileSource::Append(std::string& buffer) {
  const size_t start = buffer.size();
  while (!m_ended && buffer.size() == start) {  // a piece may hold nothing but the start of a character
    ReadPiece(buffer);
  }
  return buffer.size() > start;
}

void TStoreFileSource::ReadPiece(std::string& buffer) {
  const size_t start = buffer.size();
  buffer += m_heldBack;
  const size_t readAt = buffer.size();
  const auto wanted = static_cast<size_t>(std::min<uint64_t>(m_pieceSize, m_end - m_offset));
  buffer.resize(readAt + wanted);
  ssize_t got = 0;
  do {
    got = wanted == 0 ? 0 : ::pread(m_fd, buffer.data() + readAt, wanted, static_cast<off_t>(m_offset));
  } while (got < 0 && errno == EINTR);
  m_readError = got < 0 ? errno : 0;
  got = std::max<ssize_t>(got, 0);
  buffer.resize(readAt + static_cast<size_t>(got));
  m_offset += static_cast<uint64_t>(got);
  m_ended = got == 0;
  std::string_view piece(buffer.data() + start, buffer.size() - start);
  const size_t cut = m_ended ? 0 : CutCharacterLength(piece);
  m_heldBack.assign(piece.substr(piece.size() - cut));
  piece.remove_suffix(cut);
  m_sawZeroByte = m_sawZeroByte || std::memchr(piece.data(), '\0', piece.size()) != nullptr;
  if (m_readError != 0 || !IsValidUtf8(piece)) {
    m_sawInvalidUtf8 = m_readError == 0;
    m_ended = true;
    piece = {};
  }
  buffer.resize(start + piece.size());
}

void TStoreFileSource::ReadRest() {
  std::string scratch;
  while (Append(scratch)) {
    scratch.clear();
  }
}

}  // namespace tidewick
