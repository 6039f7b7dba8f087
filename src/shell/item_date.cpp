#include "shell/item_date.h"

namespace tidewick {

std::optional<TItemDate> ItemDate(TDateTime utc) {
  if (utc == kNoDate) {
    return std::nullopt;
  }
  TItemDate date;
  date.Local = DecodeDateTime(UtcToLocal(utc));
  const TDateTimeParts& t = date.Local;
  date.ShowTime = t.Hour != 0 || t.Minute != 0 || t.Second != 0 || t.Millisecond != 0;
  return date;
}

}  // namespace tidewick
