#include "ui/rules/tray_state.h"

#include <algorithm>
#include <array>
#include <fstream>

#include "feeds/entry_title.h"
#include "lang/lang_text.h"
#include "util/case_fold.h"
#include "util/strings.h"

namespace tidewick {

TTrayDecision DecideTrayNotification(const TTrayInputs& inputs) {
  TTrayDecision decision;
  if (inputs.UnreadCount < 1) {
    decision.Tip = "Tidewick";
    decision.ClosePopup = inputs.PopupVisible;
    return decision;
  }
  decision.Icon = TTrayIcon::Main;
  const std::string params = std::string("Tidewick") + kParamSeparator + std::to_string(inputs.UnreadCount);
  decision.Tip = CutToCharacters(GetLangText("Main|TrayTippNew", "%s1% (%s2% neu)", params), kTrayTipCharacters);
  decision.Blink = inputs.TrayBlink;
  decision.PlaySound = inputs.Minimized && inputs.PlaySound && inputs.SoundFileExists;
  decision.ShowPopup = inputs.PopupExists && !inputs.WindowShowing && inputs.ShowPopupWindow;
  return decision;
}

std::string CutToCharacters(const std::string& text, std::size_t characters) {
  std::size_t count = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if ((byte & 0xC0) != 0x80) {  // a character starts here
      if (count == characters)
        return text.substr(0, i);
      ++count;
    }
  }
  return text;
}

bool IsPlayableWaveFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::array<char, 12> header{};
  if (!file.read(header.data(), header.size()))
    return false;
  const std::string_view text(header.data(), header.size());
  return text.substr(0, 4) == "RIFF" && text.substr(8, 4) == "WAVE";
}

std::vector<TPopupRow> PopupRows(const TFeeds& feeds, bool ascending) {
  struct TUnread {
    const TFeed* Feed;
    const TEntry* Item;
  };
  std::vector<TUnread> unread;
  for (const TFeed& feed : feeds) {
    for (const TEntry& item : feed.Entries) {
      if (!item.IsRead)
        unread.push_back({&feed, &item});
    }
  }
  // Only the newest are worth a row: titles are made and sorted for those alone, however large the backlog.
  if (unread.size() > kPopupRowLimit) {
    const auto newer = [](const TUnread& a, const TUnread& b) { return a.Item->PublishedDate > b.Item->PublishedDate; };
    std::nth_element(unread.begin(), unread.begin() + kPopupRowLimit, unread.end(), newer);
    unread.resize(kPopupRowLimit);
  }
  struct TKeyed {
    TPopupRow Row;
    std::string FoldedTitle;
  };
  std::vector<TKeyed> keyed;
  keyed.reserve(unread.size());
  for (const TUnread& entry : unread) {
    std::string title = ItemDisplayTitle(*entry.Item);
    std::string folded = FoldCase(ShownText(title));  // a title's first kilobytes order it well enough
    keyed.push_back(
        {{entry.Feed->Id, std::move(title), entry.Item->PublishedDate, entry.Feed->Name}, std::move(folded)});
  }
  std::stable_sort(keyed.begin(), keyed.end(), [ascending](const TKeyed& a, const TKeyed& b) {
    if (a.Row.PublishedDate != b.Row.PublishedDate) {
      return ascending ? a.Row.PublishedDate < b.Row.PublishedDate : a.Row.PublishedDate > b.Row.PublishedDate;
    }
    return ascending ? a.FoldedTitle < b.FoldedTitle : a.FoldedTitle > b.FoldedTitle;
  });
  std::vector<TPopupRow> rows;
  rows.reserve(keyed.size());
  for (auto& k : keyed)
    rows.push_back(std::move(k.Row));
  return rows;
}

}  // namespace tidewick
