#pragma once

// What the settings dialog changes and how the window takes the change in, decided without a window.

#include <functional>
#include <string>
#include <vector>

#include "settings/settings.h"
#include "xml/xml_doc.h"

namespace tidewick {

// Ranges of the dialog's number fields (the proxy port as the settings file accepts it).
inline constexpr int kMinTimeoutSeconds = 0;
inline constexpr int kMaxTimeoutSeconds = 99;
inline constexpr int kMinDefaultTtl = 15;
inline constexpr int kMaxDefaultTtl = 9999;
inline constexpr int kMinProxyPort = 0;
inline constexpr int kMaxProxyPort = 65535;

// The auto-read terms as the dialog shows them: each term trimmed, empty terms dropped, sorted alphabetically
// ignoring case (Unicode folding; equal terms keep their order).
std::vector<std::string> NormalizedAutoReadList(const std::vector<std::string>& terms);

// True when OK must first ask whether the user wants to correct a low default interval (1 to 59 minutes).
bool AskAboutLowDefaultInterval(int defaultTtl);

// Copies every value the dialog edits from `from` into `to`, in the dialog's copy-back order; everything else in
// `to` (window geometry, tree arrangement, paths) stays as it is.
void CopySettingsDialogValues(const TSettingsValues& from, TSettingsValues& to);

// The window-side steps run after the dialog's OK, in this order.
struct TSettingsApplySteps {
  std::function<void(bool autoUpdate)> EnableAutoUpdate;  // the refresh timer runs exactly when AutoUpdate is on
  std::function<void()> UpdateTray;                       // tray icon, tip, popup
  std::function<void()> ApplyListSort;                    // sort mode, sort by the remembered column, headers
  std::function<void()> RebuildTree;                      // captions follow ShowUnreadCount, GroupInFolders
  std::function<void(const TFontRecord& font)> ApplyTextFont;
  std::function<void()> ApplyPaneLayout;  // the detail-height rule, once
  std::function<void()> ScheduleSave;
};

// Puts the dialog's values into `settings`, then runs the steps in order (missing steps are skipped).
void ApplySettingsChange(TSettingsValues& settings, const TSettingsValues& chosen, const TSettingsApplySteps& steps);

}  // namespace tidewick
