#pragma once

// The order of the entry list: the automatic one, or the manual one the user picks by clicking a column header.

#include <string>
#include <vector>

namespace tidewick {

struct TSettingsValues;
struct TEntryRow;

inline constexpr int kItemColumnCount = 3;
inline constexpr int kTitleColumn = 0;
inline constexpr int kDateColumn = 1;
inline constexpr int kFeedColumn = 2;

struct TListOrder {
  bool AutoSort = true;
  bool ShowUnreadFirst = true;
  int SortLastColumn = kDateColumn;  // the column of the manual order
  bool SortAscending = false;
};

TListOrder ListOrderFromSettings(const TSettingsValues& settings);
void StoreListOrder(const TListOrder& order, TSettingsValues& settings);

// A header click: a new column keeps the direction, the same column turns it round. Nothing changes while the
// list orders itself (AutoSort).
TListOrder ClickColumn(TListOrder order, int column);

// The translated header of a column, with "   v" (ascending) or "   ^" after the manual order's column.
std::string ColumnHeaderText(int column, const TListOrder& order);

// Orders rows once: the automatic order (unread first when asked, newer first, titles ignoring case) or the manual
// order by order.SortLastColumn. Equal rows keep their store order.
void SortEntryRows(std::vector<TEntryRow>& rows, const TListOrder& order);

}  // namespace tidewick
