#include "feeds/store_reader.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <functional>
#include <optional>
#include <string_view>
#include <sys/stat.h>
#include <utility>
#include <vector>

#include "feeds/store_fields.h"
#include "feeds/store_file_source.h"
#include "feeds/store_scanner.h"
#include "util/charset.h"
#include "util/utf8.h"

namespace tidewick {

namespace {

enum class TFrameKind { Root, Feeds, Feed, Info, Item, Refresh, FeedField, InfoField, ItemField, RefreshField, Other };

struct TFrame {
  TFrameKind Kind = TFrameKind::Other;
  int Field = -1;
  uint32_t Seen = 0;  // fields (and Info) already met below this frame: the first match wins
};

constexpr uint32_t kInfoBit = 1u << 31;
constexpr uint32_t kRefreshBit = 1u << 30;

class TStoreBuilder {
 public:
  explicit TStoreBuilder(TStoreReadResult& result) : m_result(result) {}

  // A start tag below the open frames (empty when it is the root).
  void Start(std::string_view name, const TScannedTag& tag, bool canHaveChildren) {
    TFrame frame = Classify(name);
    if (frame.Kind == TFrameKind::FeedField || frame.Kind == TFrameKind::InfoField ||
        frame.Kind == TFrameKind::ItemField || frame.Kind == TFrameKind::RefreshField) {
      Assign(frame, DecodeValue(tag));
    }
    if (canHaveChildren) {
      m_stack.push_back(frame);
    } else {
      Closed(frame);
    }
  }

  // A closing tag (or the end of input) ends the innermost open element.
  void End() {
    const TFrame frame = m_stack.back();
    m_stack.pop_back();
    Closed(frame);
  }

  bool Open() const { return !m_stack.empty(); }
  bool FeedsOpen() const {
    for (const TFrame& frame : m_stack) {
      if (frame.Kind == TFrameKind::Feeds) {
        return true;
      }
    }
    return false;
  }
  bool SawFeeds() const { return m_sawFeeds; }
  bool SawOtherElement() const { return m_sawOther; }

  // End of input inside the store: drop the entry cut short, and the feed too unless its name and address are
  // whole.
  void DropUnfinished() {
    for (const TFrame& frame : m_stack) {
      if (frame.Kind == TFrameKind::Item && !Current().Entries.empty()) {
        Current().Entries.pop_back();
      }
    }
    for (const TFrame& frame : m_stack) {
      if (frame.Kind != TFrameKind::Feed) {
        continue;
      }
      if ((m_feedClosedFields & kNameAndUrlBits) == kNameAndUrlBits) {
        FinishFeed(Current());
      } else {
        m_result.Feeds.pop_back();
      }
    }
    m_stack.clear();
  }

 private:
  static constexpr uint32_t kNameAndUrlBits = (1u << kFeedFieldName) | (1u << kFeedFieldUrl);

  TFeed& Current() { return m_result.Feeds.back(); }

  TFrame Classify(std::string_view name) {
    if (m_stack.empty()) {
      // The root: the declaration, or a store written without one whose top element is Feeds.
      if (SameName(name, "Feeds")) {
        m_sawFeeds = true;
        return {TFrameKind::Feeds};
      }
      m_sawOther = m_sawOther || !SameName(name, "?xml");
      return {TFrameKind::Root};
    }
    TFrame& parent = m_stack.back();
    switch (parent.Kind) {
      case TFrameKind::Root:
        if (!m_sawFeeds && SameName(name, "Feeds")) {
          m_sawFeeds = true;
          return {TFrameKind::Feeds};
        }
        m_sawOther = true;
        return {};
      case TFrameKind::Feeds:
        if (StartsWithName(name, "Feed")) {
          StartFeed();
          return {TFrameKind::Feed};
        }
        return {};
      case TFrameKind::Feed:
        return ClassifyBelowFeed(parent, name);
      case TFrameKind::Info:
        return FirstField(parent, FindInfoField(name), TFrameKind::InfoField);
      case TFrameKind::Item:
        return FirstField(parent, FindItemField(name), TFrameKind::ItemField);
      case TFrameKind::Refresh:
        return FirstField(parent, FindRefreshField(name), TFrameKind::RefreshField);
      default:
        return {};
    }
  }

  TFrame ClassifyBelowFeed(TFrame& parent, std::string_view name) {
    if (StartsWithName(name, "Item")) {
      TEntry& item = Current().Entries.emplace_back();
      InitEntry(item);
      return {TFrameKind::Item};
    }
    if (SameName(name, "Info")) {
      if ((parent.Seen & kInfoBit) != 0) {
        return {};
      }
      parent.Seen |= kInfoBit;
      return {TFrameKind::Info};
    }
    if (SameName(name, kRefreshElement)) {
      if ((parent.Seen & kRefreshBit) != 0) {
        return {};
      }
      parent.Seen |= kRefreshBit;
      return {TFrameKind::Refresh};
    }
    return FirstField(parent, FindFeedField(name), TFrameKind::FeedField);
  }

  static TFrame FirstField(TFrame& parent, int field, TFrameKind kind) {
    if (field < 0 || (parent.Seen & (1u << field)) != 0) {
      return {};
    }
    parent.Seen |= 1u << field;
    return {kind, field};
  }

  void StartFeed() {
    TFeed& feed = m_result.Feeds.emplace_back();
    InitFeedInfo(feed.Info);
    feed.Interval = ClampInterval(std::nullopt);  // a missing Interval reads as empty text
    m_feedClosedFields = 0;
  }

  void Assign(const TFrame& frame, std::string value) {
    switch (frame.Kind) {
      case TFrameKind::FeedField:
        AssignFeedField(Current(), frame.Field, std::move(value));
        break;
      case TFrameKind::InfoField:
        AssignInfoField(Current().Info, frame.Field, std::move(value));
        break;
      case TFrameKind::RefreshField:
        AssignRefreshField(Current().Refresh, frame.Field, std::move(value));
        break;
      default:
        AssignItemField(Current().Entries.back(), frame.Field, std::move(value));
        break;
    }
  }

  void Closed(const TFrame& frame) {
    if (frame.Kind == TFrameKind::FeedField) {
      m_feedClosedFields |= 1u << frame.Field;
    } else if (frame.Kind == TFrameKind::Item) {
      FinishItem(Current().Entries.back());
    } else if (frame.Kind == TFrameKind::Feed) {
      FinishFeed(Current());
    }
  }

  TStoreReadResult& m_result;
  std::vector<TFrame> m_stack;
  uint32_t m_feedClosedFields = 0;
  bool m_sawFeeds = false;
  bool m_sawOther = false;
};

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

enum class TReadEnd { NoRoot, EndOfInput, RootClosed };

// Reads the elements by the reader's nesting rules: any closing tag ends the innermost open element.
TReadEnd ReadElements(TTagScanner& scanner, TStoreBuilder& builder) {
  bool root = true;
  for (;;) {
    const TScannedTag tag = scanner.NextNodeTag();
    if (tag.Kind != TTagKind::Element) {
      if (root) {
        return TReadEnd::NoRoot;
      }
      if (tag.Kind == TTagKind::End || !builder.Open()) {
        return TReadEnd::EndOfInput;
      }
      builder.End();
      if (!builder.Open()) {
        return TReadEnd::RootClosed;
      }
      continue;
    }
    std::string_view name = ElementName(tag.Text);
    if (root && name == "?xml-stylesheet") {
      name = "?xml";  // a document that starts with a style sheet instead of a declaration
    }
    const bool instruction = !name.empty() && name[0] == '?' && !SameName(name, "?xml");
    builder.Start(name, tag, tag.HasContent && !instruction);
    root = false;
    if (!builder.Open()) {
      return TReadEnd::EndOfInput;  // the root ends at once
    }
  }
}

std::string Judge(TTagScanner& scanner, const TStoreBuilder& builder, TReadEnd end) {
  if (end == TReadEnd::NoRoot) {
    return "no element at all";
  }
  if (scanner.SawUnterminatedTag()) {
    return "a tag is cut short";
  }
  if (builder.FeedsOpen()) {
    return "the Feeds element is not closed";
  }
  // Text after the root has been closed by a stray closing tag: only blanks may follow.
  if (end == TReadEnd::RootClosed && !scanner.RestIsBlank()) {
    return "the reader stopped before the end";
  }
  if (!builder.SawFeeds() && builder.SawOtherElement()) {
    return "no Feeds element";
  }
  return {};
}

// What a crash leaves in blocks never written.
constexpr std::string_view kZeroByteDamage = "the file holds zero bytes";

// Reads the elements into result and judges the document. inputDamage() says what is wrong with the bytes
// themselves (asked once the elements are read); it takes precedence over the structure.
void ScanStore(TTagScanner& scanner, TStoreReadResult& result, const std::function<std::string()>& inputDamage) {
  TStoreBuilder builder(result);
  const TReadEnd end = ReadElements(scanner, builder);
  result.Damage = inputDamage();
  if (result.Damage.empty()) {
    result.Damage = Judge(scanner, builder, end);
  }
  if (!result.Damage.empty()) {
    builder.DropUnfinished();
  }
  result.Complete = result.Damage.empty();
}

TStoreReadResult UnreadStore(int error) {
  TStoreReadResult unread;
  unread.ReadError = error;
  unread.Damage = "the file cannot be read";
  return unread;
}

// Reads the store piece by piece, so its text never lies in memory whole beside its records. Nothing when the
// file is not UTF-8 (a store from a Windows version, or one that declares another encoding): its text must be
// converted as a whole first.
std::optional<TStoreReadResult> ReadStoreInPieces(int fd, size_t pieceSize) {
  TStoreFileSource start(fd, pieceSize);
  TTagScanner declaration([&start](std::string& buffer) { return start.Append(buffer); });
  const std::string encoding = DeclaredEncoding(declaration);
  if (start.SawInvalidUtf8() || (!encoding.empty() && !IsUtf8EncodingName(encoding))) {
    return std::nullopt;
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
  if (source.SawInvalidUtf8()) {
    return std::nullopt;
  }
  return result;
}

}  // namespace

TStoreReadResult ReadStoreText(std::string text) {
  TStoreReadResult result;
  if (text.empty()) {
    result.Damage = "the file is empty";
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
  std::optional<TStoreReadResult> read = inPieces ? ReadStoreInPieces(fd, pieces.PieceSize) : std::nullopt;
  ::close(fd);
  if (read) {
    return std::move(*read);
  }
  std::string bytes;
  if (const int error = ReadStoreBytes(fileName, bytes); error != 0) {
    return UnreadStore(error);
  }
  return ReadStoreText(std::move(bytes));
}

}  // namespace tidewick
