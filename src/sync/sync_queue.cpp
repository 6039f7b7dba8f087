#include "sync/sync_queue.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <optional>
#include <sys/stat.h>

#include "feeds/store_copies.h"
#include "platform/file_io.h"

namespace tidewick {

namespace {

// The file: a header line, one change a line (account key, article id, field, value, separated by tabs), and a last
// line with the number of changes, so a file cut anywhere, even between two lines, reads as damaged.
constexpr std::string_view kHeader = "tidewick-sync-queue 1";
constexpr std::string_view kFooter = "end ";
// Our own file, yet read as hostile: a larger one is damage, not a reason to run out of memory.
constexpr size_t kMaxQueueFileBytes = size_t{64} << 20;

std::string IndexKey(const std::string& account, int64_t articleId, TSyncField field) {
  std::string key = account;
  key += '\0';
  key += std::to_string(articleId);
  key += field == TSyncField::Read ? 'r' : 's';
  return key;
}

// The account key on one line: "%", blanks, controls and DEL as %XX.
std::string EscapeKey(std::string_view key) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string escaped;
  for (const char c : key) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte <= 0x20 || byte == 0x7F || byte == '%') {
      escaped += '%';
      escaped += kHex[byte >> 4];
      escaped += kHex[byte & 15];
    } else {
      escaped += c;
    }
  }
  return escaped;
}

std::optional<std::string> UnescapeKey(std::string_view text) {
  std::string key;
  for (size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte <= 0x20 || byte == 0x7F) {
      return std::nullopt;
    }
    if (text[i] != '%') {
      key += text[i];
      continue;
    }
    unsigned value = 0;
    if (text.size() - i < 3 ||
        std::from_chars(text.data() + i + 1, text.data() + i + 3, value, 16).ptr != text.data() + i + 3) {
      return std::nullopt;
    }
    key += static_cast<char>(value);
    i += 2;
  }
  if (key.empty() || key.size() > kMaxSyncAccountKeyBytes) {
    return std::nullopt;
  }
  return key;
}

template <typename TNumber>
bool ParseNumber(std::string_view text, TNumber& value) {
  return !text.empty() &&
         std::from_chars(text.data(), text.data() + text.size(), value).ptr == text.data() + text.size();
}

std::optional<TSyncChange> ParseLine(std::string_view line) {
  std::string_view parts[4];
  for (size_t n = 0; n < 4; ++n) {
    const size_t tab = line.find('\t');
    if ((tab == std::string_view::npos) != (n == 3)) {
      return std::nullopt;
    }
    parts[n] = line.substr(0, tab);
    line = n == 3 ? std::string_view() : line.substr(tab + 1);
  }
  TSyncChange change;
  std::optional<std::string> account = UnescapeKey(parts[0]);
  if (!account || !ParseNumber(parts[1], change.ArticleId) || change.ArticleId <= 0 ||
      (parts[2] != "read" && parts[2] != "starred") || (parts[3] != "0" && parts[3] != "1")) {
    return std::nullopt;
  }
  change.Account = std::move(*account);
  change.Field = parts[2] == "read" ? TSyncField::Read : TSyncField::Starred;
  change.Value = parts[3] == "1";
  return change;
}

// The changes the text holds, or nothing when any of it breaks the format.
std::optional<std::vector<TSyncChange>> ParseQueue(std::string_view text) {
  std::vector<TSyncChange> changes;
  bool header = true;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    if (end == std::string_view::npos) {
      return std::nullopt;  // the last line was cut
    }
    const std::string_view line = text.substr(0, end);
    text.remove_prefix(end + 1);
    if (header) {
      if (line != kHeader) {
        return std::nullopt;
      }
      header = false;
    } else if (line.starts_with(kFooter)) {
      size_t count = 0;
      if (!text.empty() || !ParseNumber(line.substr(kFooter.size()), count) || count != changes.size()) {
        return std::nullopt;
      }
      return changes;
    } else if (std::optional<TSyncChange> change = ParseLine(line)) {
      changes.push_back(std::move(*change));
    } else {
      return std::nullopt;
    }
  }
  return std::nullopt;  // empty, or no last line
}

}  // namespace

void TSyncQueue::Add(const TSyncChange& change) {
  if (change.Account.empty() || change.Account.size() > kMaxSyncAccountKeyBytes || change.ArticleId <= 0) {
    return;
  }
  const auto [found, added] =
      m_index.try_emplace(IndexKey(change.Account, change.ArticleId, change.Field), m_changes.size());
  if (added) {
    m_changes.push_back(change);
  } else {
    m_changes[found->second].Value = change.Value;
  }
}

void TSyncQueue::Confirm(const std::vector<TSyncChange>& sent) {
  bool removed = false;
  for (const TSyncChange& change : sent) {
    const auto found = m_index.find(IndexKey(change.Account, change.ArticleId, change.Field));
    if (found != m_index.end() && m_changes[found->second].Value == change.Value) {
      m_changes[found->second].ArticleId = 0;  // confirmed: dropped below
      m_index.erase(found);
      removed = true;
    }
  }
  if (removed) {
    std::erase_if(m_changes, [](const TSyncChange& change) { return change.ArticleId == 0; });
    Reindex();
  }
}

void TSyncQueue::DropAccount(const std::string& account) {
  if (std::erase_if(m_changes, [&](const TSyncChange& change) { return change.Account == account; }) > 0) {
    Reindex();
  }
}

std::vector<TSyncChange> TSyncQueue::Pending(const std::string& account) const {
  std::vector<TSyncChange> pending;
  std::copy_if(m_changes.begin(), m_changes.end(), std::back_inserter(pending),
               [&](const TSyncChange& change) { return change.Account == account; });
  return pending;
}

bool TSyncQueue::Empty() const {
  return m_changes.empty();
}

size_t TSyncQueue::Size() const {
  return m_changes.size();
}

const TSyncChange* TSyncQueue::Find(const std::string& account, int64_t articleId, TSyncField field) const {
  const auto found = m_index.find(IndexKey(account, articleId, field));
  return found == m_index.end() ? nullptr : &m_changes[found->second];
}

void TSyncQueue::Reindex() {
  m_index.clear();
  for (size_t i = 0; i < m_changes.size(); ++i) {
    m_index.emplace(IndexKey(m_changes[i].Account, m_changes[i].ArticleId, m_changes[i].Field), i);
  }
}

std::string SyncQueueFileName(const std::string& storeFileName) {
  return storeFileName + std::string(kSyncQueueSuffix);
}

TSyncQueueLoad LoadSyncQueue(const std::string& fileName, TSyncQueue& queue) {
  queue = TSyncQueue();
  TSyncQueueLoad load;
  struct stat info {};
  if (::stat(fileName.c_str(), &info) != 0) {
    load.Readable = errno == ENOENT || errno == ENOTDIR;
    return load;
  }
  std::optional<std::vector<TSyncChange>> changes;
  if (S_ISREG(info.st_mode) && static_cast<uint64_t>(info.st_size) <= kMaxQueueFileBytes) {
    const std::optional<std::string> text = ReadWholeFile(fileName);
    if (!text) {
      load.Readable = false;  // permissions, an I/O error: the file may be fine
      return load;
    }
    changes = ParseQueue(*text);
  }
  if (!changes) {
    // Damaged: kept under a name of its own and then removed, so a save never meets it; without a copy it stays,
    // and nothing is saved over it.
    load.DamagedCopy = KeepDamagedCopy(fileName);
    load.Readable = !load.DamagedCopy.empty() && ::unlink(fileName.c_str()) == 0;
    return load;
  }
  for (const TSyncChange& change : *changes) {
    queue.Add(change);
  }
  return load;
}

bool SaveSyncQueue(const std::string& fileName, const TSyncQueue& queue) {
  if (queue.Empty()) {
    return ::unlink(fileName.c_str()) == 0 || errno == ENOENT;
  }
  std::string text(kHeader);
  text += '\n';
  size_t count = 0;
  for (const TSyncChange& change : queue.Changes()) {
    text.append(EscapeKey(change.Account)).append("\t").append(std::to_string(change.ArticleId));
    text.append(change.Field == TSyncField::Read ? "\tread\t" : "\tstarred\t").append(change.Value ? "1\n" : "0\n");
    ++count;
  }
  text.append(kFooter).append(std::to_string(count)).append("\n");
  return WriteFileAtomically(fileName, text).Written();
}

}  // namespace tidewick
