#pragma once

// Reads a store file piece by piece for the streaming tag scanner, checking on the way what the reader of a whole
// text checks first: that the bytes are UTF-8 and hold no zero byte.

#include <cstddef>
#include <cstdint>
#include <string>

namespace tidewick {

class TStoreFileSource {
 public:
  static constexpr size_t kDefaultPieceSize = size_t{1} << 20;

  // Reads fd from its start (with pread, so several sources may share it); fd stays the caller's.
  explicit TStoreFileSource(int fd, size_t pieceSize = kDefaultPieceSize);
  // Reads the bytes of fd from offset from up to offset to (a part of a store read by several threads).
  TStoreFileSource(int fd, size_t pieceSize, uint64_t from, uint64_t to);

  // Appends the next piece to buffer, ending on a whole character; false at the end of the file, after an error
  // or after bytes that are not UTF-8 (nothing of those is appended).
  bool Append(std::string& buffer);
  // Reads the rest of the file for the checks alone.
  void ReadRest();

  bool SawZeroByte() const { return m_sawZeroByte; }
  bool SawInvalidUtf8() const { return m_sawInvalidUtf8; }
  int ReadError() const { return m_readError; }  // errno of a failed read, or 0

 private:
  void ReadPiece(std::string& buffer);

  int m_fd;
  size_t m_pieceSize;
  uint64_t m_offset = 0;
  uint64_t m_end = UINT64_MAX;
  std::string m_heldBack;  // the start of a character cut by the end of the last piece
  bool m_ended = false;
  bool m_sawZeroByte = false;
  bool m_sawInvalidUtf8 = false;
  int m_readError = 0;
};

}  // namespace tidewick
