#pragma once

// One loaded language file: its entries in file order, with an index from the folded key name to the first entry of
// that name, so a lookup costs one hash probe while the first entry of a duplicated key still wins.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tidewick {

class TLanguageTable {
 public:
  // Reads the text of a language file (any bytes: valid UTF-8 is kept, each stray byte is read as its Windows-1252
  // character). Lines end with LF or CR LF; each is trimmed of blanks and control characters at both ends; empty
  // lines and lines starting with "#" are skipped; every other line is one entry "Section|Key=Value".
  static TLanguageTable FromText(std::string_view bytes);

  // The value of the first entry whose name (text before the first "=", trimmed) equals key ignoring case. The value
  // is everything after that "=", untrimmed, and may be empty. nullopt when no entry has that name.
  std::optional<std::string_view> Find(std::string_view key) const;

  // Number of entries (non-empty, non-comment lines) of the file.
  std::size_t Count() const { return m_entries.size(); }

 private:
  struct TKeyText {
    std::string Line;            // the trimmed line, stored whole
    std::size_t ValueStart = 0;  // offset just past the first "="
  };

  void AddLine(std::string_view trimmedLine);

  std::vector<TKeyText> m_entries;
  std::unordered_map<std::string, std::size_t> m_firstByName;  // folded name -> entry position
};

}  // namespace tidewick
