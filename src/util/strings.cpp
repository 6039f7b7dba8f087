#include "util/strings.h"

#include <cstdlib>

#include "platform/paths.h"
#include "util/case_fold.h"

namespace tidewick {
namespace {

bool IsContinuationByte(char c) {
  return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// Byte offset where character number `index` (from 0) begins; text.size() when the text is shorter.
size_t CharOffset(std::string_view text, size_t index) {
  size_t pos = 0;
  for (size_t seen = 0; seen < index && pos < text.size(); ++seen) {
    ++pos;
    while (pos < text.size() && IsContinuationByte(text[pos])) {
      ++pos;
    }
  }
  return pos;
}

size_t CharCount(std::string_view text) {
  size_t count = 0;
  for (const char c : text) {
    count += IsContinuationByte(c) ? 0 : 1;
  }
  return count;
}

bool IsBlank(char c) {
  return c == ' ';
}

}  // namespace

std::string GetToken(std::string_view text, std::string_view separator, int index) {
  if (index < 1) {
    return {};
  }
  if (separator.empty()) {
    return index == 1 ? std::string(text) : std::string();
  }
  std::string joined(text);
  joined.append(separator);
  size_t start = 0;
  for (int field = 1;; ++field) {
    const size_t end = joined.find(separator, start);
    if (end == std::string::npos) {
      return {};
    }
    if (field == index) {
      return joined.substr(start, end - start);
    }
    start = end + separator.size();
  }
}

int CountOccurrences(std::string_view text, std::string_view substring) {
  if (substring.empty() || text.size() < substring.size()) {
    return 0;
  }
  int count = 0;
  for (size_t pos = text.find(substring); pos != std::string_view::npos; pos = text.find(substring, pos + 1)) {
    ++count;
  }
  return count;
}

std::string LeftStr(std::string_view text, int count) {
  if (count <= 0) {
    return {};
  }
  return std::string(text.substr(0, CharOffset(text, static_cast<size_t>(count))));
}

std::string MidStr(std::string_view text, int start, int count) {
  if (count <= 0) {
    return {};
  }
  const size_t first = CharOffset(text, start < 1 ? 0 : static_cast<size_t>(start) - 1);
  const std::string_view rest = text.substr(first);
  return std::string(rest.substr(0, CharOffset(rest, static_cast<size_t>(count))));
}

std::string MidStr(std::string_view text, int start) {
  return std::string(text.substr(CharOffset(text, start < 1 ? 0 : static_cast<size_t>(start) - 1)));
}

std::string RightStr(std::string_view text, int count) {
  if (count <= 0) {
    return {};
  }
  const size_t total = CharCount(text);
  const size_t wanted = static_cast<size_t>(count);
  return wanted >= total ? std::string(text) : std::string(text.substr(CharOffset(text, total - wanted)));
}

std::string ReplaceAll(std::string_view text, std::string_view oldText, std::string_view newText) {
  if (oldText.empty()) {
    return std::string(text);
  }
  std::string result;
  result.reserve(text.size());
  size_t start = 0;
  for (size_t pos = text.find(oldText); pos != std::string_view::npos; pos = text.find(oldText, start)) {
    result.append(text.substr(start, pos - start)).append(newText);
    start = pos + oldText.size();
  }
  result.append(text.substr(start));
  return result;
}

void SplitToList(std::vector<std::string>& list, std::string_view text, std::string_view separator) {
  list.clear();
  if (separator.empty()) {
    list.emplace_back(text);
    return;
  }
  if (text.size() >= separator.size() && text.substr(text.size() - separator.size()) == separator) {
    text.remove_suffix(separator.size());
  }
  size_t start = 0;
  for (size_t pos = text.find(separator); pos != std::string_view::npos; pos = text.find(separator, start)) {
    list.emplace_back(text.substr(start, pos - start));
    start = pos + separator.size();
  }
  list.emplace_back(text.substr(start));
}

std::vector<std::string> SplitToList(std::string_view text, std::string_view separator) {
  std::vector<std::string> list;
  SplitToList(list, text, separator);
  return list;
}

std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = start;
    while (end < text.size() && text[end] != '\r' && text[end] != '\n') {
      ++end;
    }
    lines.emplace_back(text.substr(start, end - start));
    if (end + 1 < text.size() && text[end] == '\r' && text[end + 1] == '\n') {
      ++end;
    }
    start = end + 1;
  }
  return lines;
}

std::string JoinStrings(const std::vector<std::string>& items, std::string_view separator) {
  std::string joined;
  for (size_t i = 0; i < items.size(); ++i) {
    if (i > 0) {
      joined.append(separator);
    }
    joined.append(items[i]);
  }
  return joined;
}

std::vector<std::string> SplitCommandLineToList(std::string_view commandLine, bool dropFirst) {
  const std::string line = Trim(commandLine);
  std::vector<std::string> params;
  size_t pos = 0;
  while (pos < line.size()) {
    size_t end = pos;
    if (line[pos] == '"') {
      // A quote inside the parameter only ends it when a blank (or the end) follows.
      end = pos + 1;
      while (end < line.size() && !(line[end] == '"' && (end + 1 == line.size() || IsBlank(line[end + 1])))) {
        ++end;
      }
      params.push_back(line.substr(pos + 1, end - pos - 1));
      end = end < line.size() ? end + 1 : end;
    } else {
      while (end < line.size() && !IsBlank(line[end])) {
        ++end;
      }
      params.push_back(line.substr(pos, end - pos));
    }
    pos = end;
    while (pos < line.size() && IsBlank(line[pos])) {
      ++pos;
    }
  }
  if (dropFirst && !params.empty()) {
    params.erase(params.begin());
  }
  return params;
}

std::string SplitCommandLine(std::string_view commandLine, bool dropFirst) {
  return JoinStrings(SplitCommandLineToList(commandLine, dropFirst), std::string_view(&kParamSeparator, 1));
}

std::string UrlEncode(std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string encoded;
  encoded.reserve(text.size() * 3);
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') || (byte >= '0' && byte <= '9')) {
      encoded.push_back(c);
    } else {
      encoded.push_back('%');
      encoded.push_back(kHex[byte >> 4]);
      encoded.push_back(kHex[byte & 0x0F]);
    }
  }
  return encoded;
}

std::string Trim(std::string_view text) {
  return std::string(TrimView(text));
}

std::string_view TrimView(std::string_view text) {
  size_t first = 0;
  size_t last = text.size();
  while (first < last && static_cast<unsigned char>(text[first]) <= ' ') {
    ++first;
  }
  while (last > first && static_cast<unsigned char>(text[last - 1]) <= ' ') {
    --last;
  }
  return text.substr(first, last - first);
}

bool HasSwitch(const std::vector<std::string>& params, std::string_view name, bool caseSensitive) {
  for (const std::string& param : params) {
    std::string_view candidate = param;
    if (candidate.starts_with("--")) {
      candidate.remove_prefix(1);
    }
    if (candidate.empty() || (candidate.front() != '/' && candidate.front() != '-')) {
      continue;
    }
    candidate.remove_prefix(1);
    if (caseSensitive ? candidate == name : SameTextIgnoringCase(candidate, name)) {
      return true;
    }
  }
  return false;
}

bool HasSwitch(std::string_view name, bool caseSensitive) {
  return HasSwitch(CommandLineArgs(), name, caseSensitive);
}

std::string ExpandEnvVars(std::string_view text, bool trailingSeparator) {
  std::string expanded;
  size_t pos = 0;
  while (pos < text.size()) {
    const size_t open = text.find('%', pos);
    const size_t close = open == std::string_view::npos ? open : text.find('%', open + 1);
    if (close == std::string_view::npos) {
      expanded.append(text.substr(pos));
      break;
    }
    expanded.append(text.substr(pos, open - pos));
    const std::string name(text.substr(open + 1, close - open - 1));
    const char* value = name.empty() ? nullptr : std::getenv(name.c_str());
    if (value != nullptr) {
      expanded.append(value);
      pos = close + 1;
    } else {
      // Kept as written; the closing "%" may open the next reference ("100% of %HOME%").
      expanded.append(text.substr(open, close - open));
      pos = close;
    }
  }
  std::string result = Trim(expanded);
  if (trailingSeparator && !result.empty() && result.back() != kPathSeparator) {
    result.push_back(kPathSeparator);
  }
  return result;
}

}  // namespace tidewick
