#include "shell/item_search.h"

#include <algorithm>
#include <string>

#include "shell/item_fold.h"

namespace tidewick {
namespace {

// ItemSummary without the copy.
std::string_view SummaryOf(std::string_view description) {
  return description.substr(0, description.find(kContentMarker));
}

// Matches entries one after another, reusing its buffers.
class TItemMatcher {
 public:
  explicit TItemMatcher(std::string_view foldedText) : m_folded(foldedText) {}

  bool operator()(const TFeedItem& item) {
    return !m_folded.empty() && (Contains(item.Title) || Contains(SummaryOf(item.Description)));
  }

 private:
  bool Contains(std::string_view html) {
    return SearchableTextInto(m_buffer, html).find(m_folded) != std::string_view::npos;
  }

  std::string_view m_folded;
  std::string m_buffer;
};

}  // namespace

bool ItemMatchesSearch(const TFeedItem& item, std::string_view foldedText) {
  return TItemMatcher(foldedText)(item);
}

std::optional<size_t> FindItemRow(TItemList& list, std::string_view text, TSearchStep step,
                                  std::optional<size_t> selected) {
  const std::string folded = FoldForList(text);
  const size_t count = list.Size();
  if (folded.empty() || count == 0) {
    return std::nullopt;
  }
  TItemMatcher matcher(folded);
  auto matches = [&](size_t row) {
    const TFeedItem* item = list.Item(row);
    return item != nullptr && matcher(*item);
  };
  if (step == TSearchStep::Previous) {
    size_t row = selected ? std::min(*selected, count) : count;
    while (row > 0) {
      --row;
      if (matches(row)) {
        return row;
      }
    }
    return std::nullopt;
  }
  const size_t start = (step == TSearchStep::Next && selected) ? *selected + 1 : 0;
  for (size_t row = start; row < count; ++row) {
    if (matches(row)) {
      return row;
    }
  }
  return std::nullopt;
}

}  // namespace tidewick
