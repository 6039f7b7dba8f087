#include "feeds/entry_title.h"

#include "lang/lang_text.h"
#include "util/utf8.h"

namespace tidewick {

std::string UntitledEntryText() {
  return GetLangText("Main|UntitledItem", "(Kein Titel verfügbar)");
}

std::string ItemDisplayTitle(const TEntry& item) {
  return item.Title.empty() ? UntitledEntryText() : item.Title;
}

std::string ShownText(std::string_view text) {
  if (text.size() <= kMaxShownTextBytes) {
    return std::string(text);
  }
  return std::string(Utf8Prefix(text, kMaxShownTextBytes)) + "\u2026";
}

std::string ShownTitle(const TEntry& item) {
  return item.Title.empty() ? UntitledEntryText() : ShownText(item.Title);
}

}  // namespace tidewick
