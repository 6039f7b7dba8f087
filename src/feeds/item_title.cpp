#include "feeds/item_title.h"

#include "lang/lang_text.h"

namespace tidewick {

std::string UntitledItemText() {
  return GetLangText("Main|UntitledItem", "(Kein Titel verfügbar)");
}

std::string ItemDisplayTitle(const TFeedItem& item) {
  return item.Title.empty() ? UntitledItemText() : item.Title;
}

}  // namespace tidewick
