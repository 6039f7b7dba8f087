#include "feeds/store_writer.h"

#include <array>
#include <charconv>
#include <cstdint>
#include <string>

namespace tidewick {

namespace {

constexpr size_t kChunkSize = 1 << 18;
constexpr std::string_view kLineBreak = "\r\n";

constexpr std::array<bool, 256> MakeEscapeTable() {
  std::array<bool, 256> table{};
  table['&'] = table['<'] = table['>'] = table['"'] = true;
  return table;
}
constexpr std::array<bool, 256> kNeedsEscape = MakeEscapeTable();

class TChunkWriter {
 public:
  explicit TChunkWriter(const TStoreSink& sink) : m_sink(sink) { m_buffer.reserve(kChunkSize + 4096); }

  void Put(std::string_view text) {
    m_buffer.append(text);
    if (m_buffer.size() >= kChunkSize) {
      Flush();
    }
  }

  void Indent(int level) { m_buffer.append(static_cast<size_t>(level) * 2, ' '); }

  void OpenLine(int level, std::string_view name, int number = 0) {
    Indent(level);
    m_buffer += '<';
    m_buffer.append(name);
    if (number > 0) {
      PutNumber(number);
    }
    m_buffer += '>';
    Put(kLineBreak);
  }

  void CloseLine(int level, std::string_view name, int number = 0) {
    Indent(level);
    m_buffer.append("</");
    m_buffer.append(name);
    if (number > 0) {
      PutNumber(number);
    }
    m_buffer += '>';
    Put(kLineBreak);
  }

  // One leaf element; an empty value is written as an empty element.
  void Text(int level, std::string_view name, std::string_view value) {
    Indent(level);
    m_buffer += '<';
    m_buffer.append(name);
    if (value.empty()) {
      m_buffer.append(" />");
    } else {
      m_buffer += '>';
      PutEscaped(value);
      m_buffer.append("</");
      m_buffer.append(name);
      m_buffer += '>';
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
  void PutNumber(int64_t value) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    m_buffer.append(digits, end);
  }

  // "&" first, so the other references are not escaped again.
  void PutEscaped(std::string_view value) {
    size_t runStart = 0;
    for (size_t i = 0; i < value.size(); ++i) {
      const unsigned char c = static_cast<unsigned char>(value[i]);
      if (!kNeedsEscape[c]) {
        continue;
      }
      m_buffer.append(value.substr(runStart, i - runStart));
      switch (c) {
        case '&':
          m_buffer.append("&amp;");
          break;
        case '<':
          m_buffer.append("&lt;");
          break;
        case '>':
          m_buffer.append("&gt;");
          break;
        default:
          m_buffer.append("&quot;");
          break;
      }
      runStart = i + 1;
      if (m_buffer.size() >= kChunkSize) {
        Flush();
      }
    }
    m_buffer.append(value.substr(runStart));
  }

  void Flush() {
    if (m_ok && !m_buffer.empty()) {
      m_ok = m_sink(m_buffer);
    }
    m_buffer.clear();
  }

  const TStoreSink& m_sink;
  std::string m_buffer;
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

void WriteItem(TChunkWriter& out, const TFeedItem& item, int number) {
  out.OpenLine(2, "Item", number);
  out.Text(3, "Title", item.Title);
  out.Text(3, "Link", item.Link);
  out.Text(3, "Description", item.Description);
  out.Number(3, "PublishedDate", DateTimeToUnixSeconds(item.PublishedDate));
  out.Text(3, "Author", item.Author);
  out.Boolean(3, "Readed", item.Readed);
  out.Boolean(3, "Visited", item.Visited);
  out.CloseLine(2, "Item", number);
}

void WriteFeed(TChunkWriter& out, const TFeed& feed, int number) {
  out.OpenLine(1, "Feed", number);
  out.Text(2, "Name", feed.Name);
  out.Text(2, "URL", feed.URL);
  out.Text(2, "FeedType", feed.FeedType);
  out.Number(2, "Interval", feed.Interval);
  out.Boolean(2, "RefreshAtStart", feed.RefreshAtStart);
  out.Number(2, "LastDownloaded", DateTimeToUnixSeconds(feed.LastDownloaded));
  out.Boolean(2, "Error", feed.Error);
  WriteInfo(out, feed.Info);
  for (size_t m = 0; m < feed.Items.size(); ++m) {
    WriteItem(out, feed.Items[m], static_cast<int>(m + 1));
  }
  out.CloseLine(1, "Feed", number);
}

}  // namespace

bool WriteStoreText(const TFeeds& feeds, const TStoreSink& sink) {
  TChunkWriter out(sink);
  out.Put("<?xml version=\"1.0\"?>\r\n");
  // With no feeds the Feeds element is never created: the file holds the declaration only.
  if (!feeds.empty()) {
    out.OpenLine(0, "Feeds");
    for (size_t n = 0; n < feeds.size(); ++n) {
      WriteFeed(out, feeds[n], static_cast<int>(n + 1));
    }
    out.CloseLine(0, "Feeds");
  }
  return out.Finish();
}

}  // namespace tidewick
