#pragma once

// What the tray icon, its tip, the blinking, the sound and the popup should show for the current unread count;
// the window only applies the decision.

#include <cstdint>
#include <string>
#include <vector>

#include "feeds/feed_records.h"
#include "util/dates.h"

namespace tidewick {

enum class TTrayIcon { NoNews, Main };

struct TTrayInputs {
  int UnreadCount = 0;
  bool TrayBlink = true;
  bool PlaySound = false;
  bool SoundFileExists = false;
  bool Minimized = false;      // the program is minimised (or hidden to the tray)
  bool WindowShowing = false;  // the main window is visible and not minimised
  bool PopupExists = false;    // false while the window is still being created
  bool PopupVisible = false;
  bool ShowPopupWindow = true;
};

struct TTrayDecision {
  TTrayIcon Icon = TTrayIcon::NoNews;
  std::string Tip;
  bool Blink = false;
  bool PlaySound = false;
  bool ShowPopup = false;
  bool ClosePopup = false;
};

inline constexpr std::size_t kTrayTipCharacters = 63;

TTrayDecision DecideTrayNotification(const TTrayInputs& inputs);

// Cuts a text to at most that many characters, never inside a UTF-8 sequence.
std::string CutToCharacters(const std::string& text, std::size_t characters);

// Whether the file exists and starts like a RIFF/WAVE file: anything else is skipped silently, never an error box
// on every refresh.
bool IsPlayableWaveFile(const std::string& path);

// One unread entry in the popup; a double click finds it again by these texts.
struct TPopupRow {
  uint64_t FeedId = 0;
  std::string Title;  // as displayed
  TDateTime PublishedDate = 0;
  std::string FeedName;
};

// The newest unread entries (at most kPopupRowLimit) by date, equal dates by title ignoring case; newest first
// unless ascending.
inline constexpr std::size_t kPopupRowLimit = 200;
std::vector<TPopupRow> PopupRows(const TFeeds& feeds, bool ascending);

}  // namespace tidewick
