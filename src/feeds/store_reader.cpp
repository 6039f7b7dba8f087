#include "feeds/store_reader.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <functional>
#include <optional>
#include <string_view>
#include <sys/stat.h>
#include <thread>
#include <utility>
#include <vector>

#include "feeds/store_accounts.h"
#include "feeds/store_builder.h"
#include "feeds/store_file_source.h"
#include "feeds/store_parts.h"
#include "feeds/store_scanner.h"
#include "util/charset.h"
#include "util/utf8.h"

namespace tidewick {

namespace {

// The whole file in one read into a buffer of its size (a large store must not be read by growing a string).
// The whole file into bytes; 0, or the errno of the failure (a read error is never taken as a shorter file).
int ReadStoreBytes(const std::string& fileName, std::string& bytes) {
  const int fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    return errno;
  }
  struct stat info {};
  int error = ::fstat(fd, &info) == 0 ? 0 : errno;
  if (error == 0 && !S_ISREG(info.st_mode)) {
    error = EISDIR;
  }
  if (error == 0) {
    bytes.resize(static_cast<size_t>(info.st_size));
    size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t got = ::read(fd, bytes.data() + done, bytes.size() - done);
      if (got < 0 && errno == EINTR) {
        continue;
      }
      if (got < 0) {
        error = errno;
      }
      if (got <= 0) {
        break;
      }
      done += static_cast<size_t>(got);
    }
    bytes.resize(done);  // a file that shrank meanwhile reads as what is there
  }
  ::close(fd);
  return error;
}

// What a crash leaves in blocks never written.
constexpr std::string_view kZeroByteDamage = "the file holds zero bytes";

// Reads the elements into result and judges the document. inputDamage() says what is wrong with the bytes
// themselves (asked once the elements are read); it takes precedence over the structure.
void ScanStore(TTagScanner& scanner, TStoreReadResult& result, const std::function<std::string()>& inputDamage) {
  std::string structure = BuildStore(scanner, result, TStoreReading::Sound);
  result.Damage = inputDamage();
  if (result.Damage.empty()) {
    result.Damage = std::move(structure);
  }
  result.Complete = result.Damage.empty();
}

// A damaged store read again, past every damage (only damaged stores pay for this).
void Recover(std::string_view text, TStoreReadResult& result) {
  TStoreReadResult recovered;
  TTagScanner scanner(text);
  BuildStore(scanner, recovered, TStoreReading::Recovery);
  result.Feeds = std::move(recovered.Feeds);
  result.StoreUnknown = std::move(recovered.StoreUnknown);
  result.Places = std::move(recovered.Places);
  result.FeedListCutShort = recovered.FeedListCutShort;
}

TStoreReadResult UnreadStore(int error) {
  TStoreReadResult unread;
  unread.ReadError = error;
  unread.Damage = "the file cannot be read";
  return unread;
}

// Reads the store piece by piece, so its text never lies in memory whole beside its records. Nothing when the
// file is not UTF-8 (a store from a Windows version, or one that declares another encoding): its text must be
// converted as a whole first; nor when it is damaged: recovery reads the whole text again.
std::optional<TStoreReadResult> ReadStoreInPieces(int fd, uint64_t size, const TStorePieces& pieces) {
  const size_t pieceSize = pieces.PieceSize;
  TStoreFileSource start(fd, pieceSize);
  TTagScanner declaration([&start](std::string& buffer) { return start.Append(buffer); });
  const std::string encoding = DeclaredEncoding(declaration);
  if (start.SawInvalidUtf8() || (!encoding.empty() && !IsUtf8EncodingName(encoding))) {
    return std::nullopt;
  }
  if (pieces.Parts > 1) {
    if (std::optional<TStoreReadResult> parts = ReadStoreInParts(fd, size, pieceSize, pieces.Parts)) {
      return parts;
    }
  }
  TStoreFileSource source(fd, pieceSize);
  TTagScanner scanner([&source](std::string& buffer) { return source.Append(buffer); });
  TStoreReadResult result;
  result.Opened = true;
  ScanStore(scanner, result, [&source]() {
    source.ReadRest();
    return std::string(source.SawZeroByte() ? kZeroByteDamage : "");
  });
  if (source.ReadError() != 0) {
    return UnreadStore(source.ReadError());
  }
  if (source.SawInvalidUtf8() || !result.Complete) {
    return std::nullopt;
  }
  return result;
}

}  // namespace

TStoreReadResult ReadStoreText(std::string text) {
  TStoreReadResult result;
  if (text.empty()) {
    result.Damage = "the file is empty";
    result.FeedListCutShort = true;
    return result;
  }
  result.Opened = true;
  const bool zeroByte = std::memchr(text.data(), '\0', text.size()) != nullptr;
  const std::string encoding = DeclaredEncoding(text);
  if (encoding.empty() || IsUtf8EncodingName(encoding)) {
    if (!IsValidUtf8(text)) {
      text = RepairUtf8(text);  // a store from a Windows version: Windows-1252 bytes
    }
  } else {
    text = DecodeToUtf8(text, encoding);
  }
  TTagScanner scanner(text);
  ScanStore(scanner, result, [zeroByte]() { return std::string(zeroByte ? kZeroByteDamage : ""); });
  if (!result.Complete) {
    Recover(text, result);
  }
  TakeAccounts(result.StoreUnknown, result.Accounts);
  return result;
}

TStoreReadResult ReadStoreFile(const std::string& fileName, const TStorePieces& pieces) {
  const int fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    return UnreadStore(errno);
  }
  struct stat info {};
  const bool inPieces = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0 &&
                        static_cast<uint64_t>(info.st_size) >= pieces.FromSize;
  TStorePieces reading = pieces;
  if (reading.Parts == 0) {
    constexpr uint64_t kPartSize = uint64_t{4} << 20;
    const auto fit = static_cast<size_t>(static_cast<uint64_t>(std::max(info.st_size, off_t{0})) / kPartSize);
    reading.Parts = std::clamp<size_t>(std::thread::hardware_concurrency(), 1, std::max<size_t>(fit, 1));
  }
  std::optional<TStoreReadResult> read =
      inPieces ? ReadStoreInPieces(fd, static_cast<uint64_t>(info.st_size), reading) : std::nullopt;
  ::close(fd);
  if (read) {
    TakeAccounts(read->StoreUnknown, read->Accounts);
    return std::move(*read);
  }
  std::string bytes;
  if (const int error = ReadStoreBytes(fileName, bytes); error != 0) {
    return UnreadStore(error);
  }
  return ReadStoreText(std::move(bytes));
}

}  // namespace tidewick
