#include "lang/lang_text.h"

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "lang/lang_table.h"

namespace tidewick {

namespace {

using TTablePtr = std::shared_ptr<const TLanguageTable>;

// The table in use. Loading builds a complete new table and swaps it in whole; a lookup takes its own reference,
// so a refresh worker that is half-way through a lookup keeps the table it started with until it is done.
TTablePtr& CurrentTableSlot() {
  static TTablePtr table;
  return table;
}

TTablePtr CurrentTable() {
  return std::atomic_load_explicit(&CurrentTableSlot(), std::memory_order_acquire);
}

void InstallTable(TTablePtr table) {
  std::atomic_store_explicit(&CurrentTableSlot(), std::move(table), std::memory_order_release);
}

void ReplaceAllInPlace(std::string& text, std::string_view from, std::string_view to) {
  std::size_t pos = text.find(from);
  while (pos != std::string::npos) {
    text.replace(pos, from.size(), to);
    pos = text.find(from, pos + to.size());
  }
}

std::vector<std::string_view> SplitParams(std::string_view params) {
  std::vector<std::string_view> pieces;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = params.find(kParamSeparator, start);
    pieces.push_back(params.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
    if (end == std::string_view::npos) {
      return pieces;
    }
    start = end + 1;
  }
}

std::optional<std::string> ReadWholeFile(const std::string& path) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) {
    return std::nullopt;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    return std::nullopt;
  }
  std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (in.bad()) {
    return std::nullopt;
  }
  return bytes;
}

}  // namespace

std::string ExpandLangText(std::string_view text, std::string_view params) {
  std::string result(text);
  // Nothing to expand without "%" (every placeholder and "$%$" holds one) or a stray code-1 character.
  if (result.find_first_of("%\1") == std::string::npos) {
    return result;
  }
  ReplaceAllInPlace(result, "$%$", "\1");
  if (params != kNoParams) {
    const std::vector<std::string_view> pieces = SplitParams(params);
    for (std::size_t i = 0; i < pieces.size(); ++i) {
      ReplaceAllInPlace(result, "%s" + std::to_string(i + 1) + "%", pieces[i]);
    }
  }
  ReplaceAllInPlace(result, "%r%", "\r");
  ReplaceAllInPlace(result, "%n%", "\n");
  ReplaceAllInPlace(result, "%w%", "\r\n");
  ReplaceAllInPlace(result, "%t%", "\t");
  ReplaceAllInPlace(result, "\1", "%");
  return result;
}

std::string GetLangText(std::string_view key, std::string_view defaultText, std::string_view params) {
  const TTablePtr table = CurrentTable();  // held until the text is built
  std::string_view text = defaultText;
  if (table) {
    const std::optional<std::string_view> found = table->Find(key);
    if (found && !found->empty()) {
      text = *found;
    }
  }
  return ExpandLangText(text, params);
}

std::string JoinLangParams(std::initializer_list<std::string_view> values) {
  std::string joined;
  bool first = true;
  for (const std::string_view value : values) {
    if (!first) {
      joined += kParamSeparator;
    }
    joined += value;
    first = false;
  }
  return joined;
}

bool LoadLanguageFile(const std::string& path) {
  std::optional<std::string> bytes = ReadWholeFile(path);
  if (!bytes) {
    InstallTable(nullptr);  // the built-in German texts
    return false;
  }
  InstallTable(std::make_shared<const TLanguageTable>(TLanguageTable::FromText(*bytes)));
  return true;
}

std::size_t LanguageEntryCount() {
  const TTablePtr table = CurrentTable();
  return table ? table->Count() : 0;
}

}  // namespace tidewick
