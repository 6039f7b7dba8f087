#include "entries/entry_search.h"

#include <algorithm>
#include <functional>
#include <string>

#include "entries/entry_fold.h"

namespace tidewick {
namespace {

// ItemSummary without the copy.
std::string_view SummaryOf(std::string_view description) {
  return description.substr(0, description.find(kContentMarker));
}

// Matches entries one after another, reusing its buffers. The text is looked for with a skip table made once per
// search: a common first letter would otherwise stop a plain find at every occurrence.
class TEntryMatcher {
 public:
  explicit TEntryMatcher(std::string_view foldedText)
      : m_folded(foldedText), m_searcher(m_folded.begin(), m_folded.end()) {}

  bool operator()(const TEntry& item) {
    return !m_folded.empty() &&
           (Contains(item.Title) || Contains(SummaryOf(item.Description)) || Contains(item.Author) ||
            std::any_of(item.Categories.begin(), item.Categories.end(),
                        [this](const std::string& category) { return Contains(category); }));
  }

 private:
  bool Contains(std::string_view html) {
    const std::string_view text = SearchableTextInto(m_buffer, html);
    return std::search(text.begin(), text.end(), m_searcher) != text.end();
  }

  std::string_view m_folded;
  std::boyer_moore_horspool_searcher<std::string_view::const_iterator> m_searcher;
  std::string m_buffer;
};

// How many rows ahead a search asks for entries and then for their texts (which needs the entry loaded).
constexpr size_t kEntriesAhead = 16;
constexpr size_t kTextsAhead = 8;

}  // namespace

bool ItemMatchesSearch(const TEntry& item, std::string_view foldedText) {
  return TEntryMatcher(foldedText)(item);
}

std::optional<size_t> FindEntryRow(TEntryList& list, std::string_view text, TSearchStep step,
                                   std::optional<size_t> selected) {
  const std::string folded = FoldForList(text);
  const size_t count = list.Size();
  if (folded.empty() || count == 0) {
    return std::nullopt;
  }
  TEntryMatcher matcher(folded);
  auto matches = [&](size_t row) {
    const TEntry* item = list.Item(row);
    return item != nullptr && matcher(*item);
  };
  if (step == TSearchStep::Previous) {
    size_t row = selected ? std::min(*selected, count) : count;
    while (row > 0) {
      --row;
      if (row >= kEntriesAhead) {
        list.PrefetchEntry(row - kEntriesAhead);
      }
      if (row >= kTextsAhead) {
        list.PrefetchTexts(row - kTextsAhead);
      }
      if (matches(row)) {
        return row;
      }
    }
    return std::nullopt;
  }
  const size_t start = (step == TSearchStep::Next && selected) ? *selected + 1 : 0;
  for (size_t row = start; row < count; ++row) {
    if (row + kEntriesAhead < count) {
      list.PrefetchEntry(row + kEntriesAhead);
    }
    if (row + kTextsAhead < count) {
      list.PrefetchTexts(row + kTextsAhead);
    }
    if (matches(row)) {
      return row;
    }
  }
  return std::nullopt;
}

}  // namespace tidewick
