#include "feeds/store_writer.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <memory>

#include "feeds/store_fields.h"
#include "util/utf8.h"

namespace tidewick {

namespace {

constexpr size_t kChunkSize = 1 << 18;  // handed to the sink when full
constexpr size_t kSlice = 1 << 14;      // values are escaped this much at a time
// Room for a full chunk plus one escaped slice (each byte at most six) plus one line of markup.
constexpr size_t kCapacity = kChunkSize + 6 * kSlice + 1024;
constexpr std::string_view kLineBreak = "\r\n";

// Bytes that need more than a copy: the four escaped characters, C0 controls (XML allows only tab, line feed and
// carriage return), and the lead bytes of surrogates (ED A0..BF) and of U+FFFE and U+FFFF (EF BF BE/BF).
constexpr std::array<bool, 256> MakeStopTable() {
  std::array<bool, 256> table{};
  table['&'] = table['<'] = table['>'] = table['"'] = true;
  for (int byte = 0; byte < 0x20; ++byte) {
    table[byte] = true;
  }
  table[0xED] = table[0xEF] = true;
  return table;
}
constexpr std::array<bool, 256> kStops = MakeStopTable();

// The first byte in [in, end) that needs more than a copy, or end; sixteen bytes at a time where SSE2 is there.
const char* FindStop(const char* in, const char* const end) {
#if defined(__SSE2__)
  const __m128i amp = _mm_set1_epi8('&');
  const __m128i lt = _mm_set1_epi8('<');
  const __m128i gt = _mm_set1_epi8('>');
  const __m128i quot = _mm_set1_epi8('"');
  const __m128i control = _mm_set1_epi8(0x1F);
  const __m128i surrogateLead = _mm_set1_epi8(static_cast<char>(0xED));
  const __m128i specialsLead = _mm_set1_epi8(static_cast<char>(0xEF));
  while (end - in >= 16) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
    const __m128i escaped = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(bytes, amp), _mm_cmpeq_epi8(bytes, lt)),
                                         _mm_or_si128(_mm_cmpeq_epi8(bytes, gt), _mm_cmpeq_epi8(bytes, quot)));
    const __m128i controls = _mm_cmpeq_epi8(_mm_max_epu8(bytes, control), control);
    const __m128i leads = _mm_or_si128(_mm_cmpeq_epi8(bytes, surrogateLead), _mm_cmpeq_epi8(bytes, specialsLead));
    const int mask = _mm_movemask_epi8(_mm_or_si128(escaped, _mm_or_si128(controls, leads)));
    if (mask != 0) {
      return in + __builtin_ctz(static_cast<unsigned>(mask));
    }
    in += 16;
  }
#endif
  while (in < end && !kStops[static_cast<unsigned char>(*in)]) {
    ++in;
  }
  return in;
}

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

class TChunkWriter {
 public:
  explicit TChunkWriter(const TStoreSink& sink)
      : m_sink(sink), m_buffer(std::make_unique_for_overwrite<char[]>(kCapacity)) {}

  void Put(std::string_view text) {
    while (!text.empty()) {
      if (m_used >= kChunkSize) {
        Flush();
      }
      const size_t count = std::min(text.size(), kCapacity - m_used);
      std::memcpy(m_buffer.get() + m_used, text.data(), count);
      m_used += count;
      text.remove_prefix(count);
    }
  }

  void Indent(int level) {
    static constexpr std::string_view kBlanks = "        ";
    Put(kBlanks.substr(0, static_cast<size_t>(level) * 2));
  }

  void OpenLine(int level, std::string_view name, int number = 0, const TUnknownXml* unknown = nullptr) {
    Indent(level);
    Put("<");
    Put(name);
    PutNumber(number);
    if (unknown != nullptr && !unknown->Attributes().empty()) {
      Put(" ");
      PutChecked(unknown->Attributes(), true);
    }
    Put(">\r\n");
  }

  // The elements a newer version wrote, each on a line of its own, as they were read.
  void UnknownLines(int level, const TUnknownXml& unknown) {
    for (const std::string& element : unknown.Elements()) {
      Indent(level);
      PutChecked(element, true);
      Put(kLineBreak);
    }
  }

  void CloseLine(int level, std::string_view name, int number = 0) {
    Indent(level);
    Put("</");
    Put(name);
    PutNumber(number);
    Put(">\r\n");
  }

  // One leaf element; an empty value is written as an empty element.
  void Text(int level, std::string_view name, std::string_view value) {
    Indent(level);
    Put("<");
    Put(name);
    if (value.empty()) {
      Put(" />");
    } else {
      Put(">");
      PutChecked(value, false);
      Put("</");
      Put(name);
      Put(">");
    }
    Put(kLineBreak);
  }

  void Number(int level, std::string_view name, int64_t value) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    Text(level, name, std::string_view(digits, static_cast<size_t>(end - digits)));
  }

  void Boolean(int level, std::string_view name, bool value) { Text(level, name, value ? "1" : "0"); }

  bool Finish() {
    Flush();
    return m_ok;
  }

 private:
  // The number of a FeedN or ItemN element; nothing for 0.
  void PutNumber(int number) {
    if (number > 0) {
      char digits[16];
      const auto end = std::to_chars(digits, digits + sizeof digits, number).ptr;
      Put(std::string_view(digits, static_cast<size_t>(end - digits)));
    }
  }

  // "&", "<", ">" and the double quote become references (unless raw, for XML text kept as read), runs without them
  // are copied whole. A character XML forbids becomes U+FFFD, so no other reader ever refuses the file.
  void PutChecked(std::string_view value, bool raw) {
    const char* in = value.data();
    const char* const end = in + value.size();
    while (in < end) {
      if (m_used >= kChunkSize) {
        Flush();
      }
      // A slice at a time, so the buffer always has room (a character may run two bytes past the slice).
      const char* const sliceEnd = in + std::min<size_t>(kSlice, static_cast<size_t>(end - in));
      char* out = m_buffer.get() + m_used;
      while (in < sliceEnd) {
        const char* run = in;
        in = FindStop(in, sliceEnd);
        std::memcpy(out, run, static_cast<size_t>(in - run));
        out += in - run;
        if (in == sliceEnd) {
          break;
        }
        if (const size_t forbidden = XmlForbiddenLength(std::string_view(in, static_cast<size_t>(end - in)), 0);
            forbidden > 0) {
          std::memcpy(out, kReplacement.data(), kReplacement.size());
          out += kReplacement.size();
          in += forbidden;
        } else if (raw || !IsEscaped(*in)) {
          *out++ = *in++;
        } else {
          out = AppendReference(out, *in++);
        }
      }
      m_used = static_cast<size_t>(out - m_buffer.get());
    }
  }

  static bool IsEscaped(char c) { return c == '&' || c == '<' || c == '>' || c == '"'; }

  static char* AppendReference(char* out, char c) {
    std::string_view reference;
    switch (c) {
      case '&':
        reference = "&amp;";
        break;
      case '<':
        reference = "&lt;";
        break;
      case '>':
        reference = "&gt;";
        break;
      default:
        reference = "&quot;";
        break;
    }
    std::memcpy(out, reference.data(), reference.size());
    return out + reference.size();
  }

  void Flush() {
    if (m_ok && m_used > 0) {
      m_ok = m_sink(std::string_view(m_buffer.get(), m_used));
    }
    m_used = 0;
  }

  const TStoreSink& m_sink;
  std::unique_ptr<char[]> m_buffer;
  size_t m_used = 0;
  bool m_ok = true;
};

void WriteInfo(TChunkWriter& out, const TFeedInfo& info) {
  out.OpenLine(2, "Info");
  out.Text(3, "Title", info.Title);
  out.Text(3, "Link", info.Link);
  out.Text(3, "Description", info.Description);
  out.Text(3, "Copyright", info.Copyright);
  out.Text(3, "Language", info.Language);
  out.Number(3, "PublishedDate", DateTimeToUnixSeconds(info.PublishedDate));
  out.Number(3, "LastBuildDate", DateTimeToUnixSeconds(info.LastBuildDate));
  out.Number(3, "TTL", info.TTL);
  out.Text(3, "ImageTitle", info.ImageTitle);
  out.Text(3, "ImageURL", info.ImageURL);
  out.Text(3, "ImageLink", info.ImageLink);
  out.Number(3, "ImageWidth", info.ImageWidth);
  out.Number(3, "ImageHeight", info.ImageHeight);
  out.CloseLine(2, "Info");
}

// Written only once a refresh has learnt something, so a store of feeds never refreshed stays as it was.
void WriteRefreshState(TChunkWriter& out, const TFeedRefreshState& state) {
  if (state == TFeedRefreshState{}) {
    return;
  }
  const auto name = [](int field) { return RefreshFieldName(field); };
  out.OpenLine(2, kRefreshElement);
  out.Text(3, name(kRefreshFieldUrl), state.Url);
  out.Text(3, name(kRefreshFieldETag), state.ETag);
  out.Text(3, name(kRefreshFieldLastModified), state.LastModified);
  out.Number(3, name(kRefreshFieldRetryAfter), DateTimeToUnixSeconds(state.RetryAfter));
  out.Boolean(3, name(kRefreshFieldGone), state.Gone);
  out.Text(3, name(kRefreshFieldRedirectTarget), state.RedirectTarget);
  out.Number(3, name(kRefreshFieldRedirectCount), state.RedirectCount);
  out.Text(3, name(kRefreshFieldMovedFrom), state.MovedFrom);
  out.Number(3, name(kRefreshFieldLastTime), DateTimeToUnixSeconds(state.LastTime));
  out.Number(3, name(kRefreshFieldLastStatus), state.LastStatus);
  out.Number(3, name(kRefreshFieldLastBytes), state.LastBytes);
  out.Boolean(3, name(kRefreshFieldLastUnchanged), state.LastUnchanged);
  out.Text(3, name(kRefreshFieldLastFailure), state.LastFailure);
  out.CloseLine(2, kRefreshElement);
}

void WriteItem(TChunkWriter& out, const TEntry& item, int number) {
  out.OpenLine(2, "Item", number, &item.Unknown);
  out.Text(3, "Title", item.Title);
  out.Text(3, "Link", item.Link);
  out.Text(3, "Description", item.Description);
  out.Number(3, "PublishedDate", DateTimeToUnixSeconds(item.PublishedDate));
  out.Text(3, "Author", item.Author);
  if (item.ArticleId != 0) {  // an account feed's entry: before the marks, so recovery never keeps one without it
    out.Number(3, "ArticleId", item.ArticleId);
  }
  // Categories, files and the star only when set, so a store without them stays as it was; before the marks, so an
  // entry cut after its last value (which recovery keeps) has lost neither.
  if (!item.Categories.empty()) {  // only then: a store without any stays what it was
    std::string lines;
    for (const std::string& category : item.Categories) {
      lines.append(lines.empty() ? "" : "\n").append(category);
    }
    out.Text(3, "Categories", lines);
  }
  if (!item.Enclosures.empty()) {
    out.Text(3, "Enclosures", EnclosureLines(item.Enclosures));
  }
  if (item.Starred) {
    out.Boolean(3, "Starred", true);
  }
  out.Boolean(3, "Readed", item.IsRead);
  out.Boolean(3, "Visited", item.Visited);
  out.UnknownLines(3, item.Unknown);
  out.CloseLine(2, "Item", number);
}

void WriteFeed(TChunkWriter& out, const TFeed& feed, int number) {
  out.OpenLine(1, "Feed", number, &feed.Unknown);
  out.Text(2, "Name", feed.Name);
  out.Text(2, "URL", feed.URL);
  out.Text(2, "FeedType", feed.FeedType);
  out.Number(2, "Interval", feed.Interval);
  out.Boolean(2, "RefreshAtStart", feed.RefreshAtStart);
  out.Number(2, "LastDownloaded", DateTimeToUnixSeconds(feed.LastDownloaded));
  out.Boolean(2, "Error", feed.Error);
  if (feed.LoadImages) {  // written only when set, so a store that never used it stays as it was
    out.Boolean(2, "LoadImages", true);
  }
  if (feed.Remote.IsAccountFeed()) {
    out.Text(2, kFeedFieldNames[kFeedFieldSyncAccount], feed.Remote.Account);
    out.Text(2, kFeedFieldNames[kFeedFieldSyncFeedId], feed.Remote.FeedId);
    out.Text(2, kFeedFieldNames[kFeedFieldSyncCategoryId], feed.Remote.CategoryId);
    out.Text(2, kFeedFieldNames[kFeedFieldSyncCategory], feed.Remote.CategoryTitle);
  }
  WriteRefreshState(out, feed.Refresh);
  WriteInfo(out, feed.Info);
  out.UnknownLines(2, feed.Unknown);
  for (size_t m = 0; m < feed.Entries.size(); ++m) {
    WriteItem(out, feed.Entries[m], static_cast<int>(m + 1));
  }
  out.CloseLine(1, "Feed", number);
}

void WriteAccount(TChunkWriter& out, const TSyncAccount& account) {
  out.OpenLine(1, kAccountElement, 0, &account.Unknown);
  const std::string* const values[] = {&account.Key,       &account.Kind,     &account.Title,
                                       &account.ServerUrl, &account.UserName, &account.Position};
  for (size_t field = 0; field < kAccountFieldNames.size(); ++field) {
    out.Text(2, kAccountFieldNames[field], *values[field]);
  }
  out.UnknownLines(2, account.Unknown);
  out.CloseLine(1, kAccountElement);
}

// A feed's refresh values alone, named as in the store, so the store's reader reads them back.
void WriteFeedRefresh(TChunkWriter& out, const TFeed& feed, int number) {
  out.OpenLine(1, "Feed", number);
  out.Text(2, "Name", feed.Name);
  out.Text(2, "URL", feed.URL);
  out.Number(2, "LastDownloaded", DateTimeToUnixSeconds(feed.LastDownloaded));
  out.Boolean(2, "Error", feed.Error);
  WriteRefreshState(out, feed.Refresh);
  out.CloseLine(1, "Feed", number);
}

}  // namespace

bool WriteRefreshStateText(const TFeeds& feeds, const TStoreSink& sink, std::string_view rootAttributes) {
  TChunkWriter out(sink);
  out.Put("<?xml version=\"1.0\"?>\r\n<Feeds ");
  out.Put(rootAttributes);
  out.Put(">\r\n");
  for (size_t n = 0; n < feeds.size(); ++n) {
    WriteFeedRefresh(out, feeds[n], static_cast<int>(n + 1));
  }
  out.CloseLine(0, "Feeds");
  return out.Finish();
}

struct TStoreTextWriter::TState {
  TState(TStoreSink sink, const TUnknownXml& unknown, bool open)
      : Sink(std::move(sink)), Out(Sink), StoreUnknown(unknown), Open(open) {}
  const TStoreSink Sink;  // before Out, which keeps a reference to it
  TChunkWriter Out;
  const TUnknownXml StoreUnknown;
  const bool Open;  // the Feeds element was started
  int FeedsWritten = 0;
};

TStoreTextWriter::TStoreTextWriter(TStoreSink sink, const TUnknownXml& storeUnknown, const TSyncAccounts& accounts,
                                   bool anyFeed)
    : m_state(std::make_unique<TState>(std::move(sink), storeUnknown,
                                       anyFeed || !storeUnknown.Empty() || !accounts.empty())) {
  TChunkWriter& out = m_state->Out;
  out.Put("<?xml version=\"1.0\"?>\r\n");
  // With no feeds (and nothing a newer version wrote) the Feeds element is never created: the file holds the
  // declaration only.
  if (m_state->Open) {
    out.OpenLine(0, "Feeds", 0, &storeUnknown);
    for (const TSyncAccount& account : accounts) {
      WriteAccount(out, account);
    }
  }
}

TStoreTextWriter::~TStoreTextWriter() = default;

void TStoreTextWriter::Feed(const TFeed& feed) {
  if (m_state->Open) {
    WriteFeed(m_state->Out, feed, ++m_state->FeedsWritten);
  }
}

bool TStoreTextWriter::Finish() {
  TChunkWriter& out = m_state->Out;
  if (m_state->Open) {
    out.UnknownLines(1, m_state->StoreUnknown);
    out.CloseLine(0, "Feeds");
  }
  return out.Finish();
}

bool WriteStoreText(const TFeeds& feeds, const TStoreSink& sink, const TUnknownXml& storeUnknown,
                    const TSyncAccounts& accounts) {
  TStoreTextWriter writer(sink, storeUnknown, accounts, !feeds.empty());
  for (const TFeed& feed : feeds) {
    writer.Feed(feed);
  }
  return writer.Finish();
}

}  // namespace tidewick
