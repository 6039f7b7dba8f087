#include "feeds/entry_title.h"

#include "lang/lang_text.h"

namespace tidewick {

std::string UntitledEntryText() {
  return GetLangText("Main|UntitledItem", "(Kein Titel verfügbar)");
}

std::string ItemDisplayTitle(const TEntry& item) {
  return item.Title.empty() ? UntitledEntryText() : item.Title;
}

}  // namespace tidewick
