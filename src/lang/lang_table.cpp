#include "lang/lang_table.h"

#include "util/case_fold.h"
#include "util/strings.h"
#include "util/utf8.h"

namespace tidewick {

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

}  // namespace

TLanguageTable TLanguageTable::FromText(std::string_view bytes) {
  const std::string text = RepairUtf8(bytes);
  std::string_view rest = text;
  // Editors that save UTF-8 often put a byte-order mark in front; it is not part of the first line.
  if (rest.substr(0, kUtf8Bom.size()) == kUtf8Bom) {
    rest.remove_prefix(kUtf8Bom.size());
  }
  TLanguageTable table;
  while (!rest.empty()) {
    const std::size_t end = rest.find('\n');
    const std::string_view line = TrimView(rest.substr(0, end));
    rest = end == std::string_view::npos ? std::string_view{} : rest.substr(end + 1);
    if (!line.empty() && line.front() != '#') {
      table.AddLine(line);
    }
  }
  return table;
}

void TLanguageTable::AddLine(std::string_view trimmedLine) {
  const std::size_t equals = trimmedLine.find('=');
  const std::size_t position = m_entries.size();
  m_entries.push_back({std::string(trimmedLine), equals == std::string_view::npos ? trimmedLine.size() : equals + 1});
  // A line without "=" has no name and so answers no lookup; it still counts as an entry of the file.
  if (equals != std::string_view::npos) {
    m_firstByName.try_emplace(FoldCase(TrimView(trimmedLine.substr(0, equals))), position);
  }
}

std::optional<std::string_view> TLanguageTable::Find(std::string_view key) const {
  if (m_firstByName.empty()) {
    return std::nullopt;
  }
  const auto found = m_firstByName.find(FoldCase(key));
  if (found == m_firstByName.end()) {
    return std::nullopt;
  }
  const TKeyText& entry = m_entries[found->second];
  return std::string_view(entry.Line).substr(entry.ValueStart);
}

}  // namespace tidewick
