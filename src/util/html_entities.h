#pragma once

// The named character references of HTML 5 (generated table, see scripts/gen_html_entities.py).

#include <cstddef>
#include <span>
#include <string_view>

namespace tidewick {

struct THtmlEntity {
  std::string_view Name;  // without "&" and ";", case-sensitive
  std::string_view Text;  // UTF-8, one or two characters
};

// All names, sorted by byte value for binary search.
std::span<const THtmlEntity> HtmlEntities();

// The text a name stands for; empty when HTML 5 has no such name.
std::string_view FindHtmlEntity(std::string_view name);

// Length of the longest name, which bounds the look-ahead for the closing ";".
inline constexpr std::size_t kLongestEntityName = 31;

// HTML 4 names of the characters U+00A0 ("nbsp") to U+00FF ("yuml"), in order.
std::span<const std::string_view, 96> Latin1EntityNames();

}  // namespace tidewick
