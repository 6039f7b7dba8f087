#include "entries/enclosure_list.h"

#include <array>
#include <cstdio>

#include "entries/html_sanitizer.h"
#include "lang/lang_text.h"

namespace tidewick {

std::string EnclosureFileName(std::string_view url) {
  url = url.substr(0, url.find_first_of("?#"));
  const size_t authority = url.find("://");
  const size_t pathStart = authority == std::string_view::npos ? 0 : url.find('/', authority + 3);
  std::string_view path = pathStart == std::string_view::npos ? std::string_view() : url.substr(pathStart);
  while (path.ends_with('/')) {
    path.remove_suffix(1);
  }
  const std::string_view name = path.substr(path.rfind('/') + 1);  // npos + 1 is 0: the whole path
  if (!name.empty()) {
    return std::string(name);
  }
  return std::string(authority == std::string_view::npos ? url : url.substr(authority + 3, pathStart - authority - 3));
}

std::string HumanSize(int64_t bytes) {
  if (bytes < 0) {
    return {};
  }
  if (bytes < 1000) {
    return std::to_string(bytes) + " B";
  }
  static constexpr std::array<const char*, 6> kUnits = {"kB", "MB", "GB", "TB", "PB", "EB"};
  auto value = static_cast<double>(bytes) / 1000.0;
  size_t unit = 0;
  while (value >= 999.95 && unit + 1 < kUnits.size()) {
    value /= 1000.0;
    ++unit;
  }
  std::array<char, 32> text{};
  std::snprintf(text.data(), text.size(), "%.1f %s", value, kUnits.at(unit));
  return text.data();
}

std::string EnclosureDetails(const TEnclosure& enclosure) {
  const std::string size = HumanSize(enclosure.Length);
  if (enclosure.Type.empty() || size.empty()) {
    return enclosure.Type + size;
  }
  return enclosure.Type + ", " + size;
}

std::string EnclosureListHtml(const std::vector<TEnclosure>& enclosures) {
  if (enclosures.empty()) {
    return {};
  }
  std::string html = "<p class=\"enclosures\"><b>" + EscapeHtml(GetLangText("Main|lblEnclosures", "Anhänge:")) + "</b>";
  for (const TEnclosure& enclosure : enclosures) {
    html +=
        "<br><a href=\"" + EscapeHtml(enclosure.Url) + "\">" + EscapeHtml(EnclosureFileName(enclosure.Url)) + "</a>";
    if (const std::string details = EnclosureDetails(enclosure); !details.empty()) {
      html += " (" + EscapeHtml(details) + ")";
    }
  }
  return html + "</p>";
}

}  // namespace tidewick
