#include "shell/item_search.h"

#include <algorithm>

#include "shell/item_fold.h"

namespace tidewick {
namespace {

bool PlainTextContains(std::string_view html, std::string_view foldedText) {
  return SearchableText(html).find(foldedText) != std::string::npos;
}

// ItemSummary without the copy.
std::string_view SummaryOf(std::string_view description) {
  return description.substr(0, description.find(kContentMarker));
}

}  // namespace

bool ItemMatchesSearch(const TFeedItem& item, std::string_view foldedText) {
  if (foldedText.empty()) {
    return false;
  }
  return PlainTextContains(item.Title, foldedText) || PlainTextContains(SummaryOf(item.Description), foldedText);
}

std::optional<size_t> FindItemRow(TItemList& list, std::string_view text, TSearchStep step,
                                  std::optional<size_t> selected) {
  const std::string folded = FoldForList(text);
  const size_t count = list.Size();
  if (folded.empty() || count == 0) {
    return std::nullopt;
  }
  auto matches = [&](size_t row) {
    const TFeedItem* item = list.Item(row);
    return item != nullptr && ItemMatchesSearch(*item, folded);
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
