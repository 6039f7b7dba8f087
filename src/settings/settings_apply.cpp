#include "settings/settings_apply.h"

#include <utf8proc.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

#include "util/case_fold.h"
#include "util/strings.h"

namespace tidewick {
namespace {

// Letters first, then their accents and case: "Äpfel" sorts beside "apple", not after "zebra".
std::string AlphabeticKey(const std::string& term) {
  utf8proc_uint8_t* raw = nullptr;
  const utf8proc_ssize_t length = utf8proc_map(
      reinterpret_cast<const utf8proc_uint8_t*>(term.data()), static_cast<utf8proc_ssize_t>(term.size()), &raw,
      static_cast<utf8proc_option_t>(UTF8PROC_CASEFOLD | UTF8PROC_DECOMPOSE | UTF8PROC_STRIPMARK | UTF8PROC_STABLE));
  const std::unique_ptr<utf8proc_uint8_t, decltype(&std::free)> stripped(raw, &std::free);
  if (length < 0)
    return FoldCase(term);
  return std::string(reinterpret_cast<const char*>(stripped.get()), static_cast<size_t>(length)) + '\0' +
         FoldCase(term);
}

}  // namespace

std::vector<std::string> NormalizedAutoReadList(const std::vector<std::string>& terms) {
  struct TKeyed {
    std::string Key;
    std::string Term;
  };
  std::vector<TKeyed> keyed;
  for (const std::string& term : terms) {
    std::string trimmed = Trim(term);
    if (!trimmed.empty())
      keyed.push_back({AlphabeticKey(trimmed), std::move(trimmed)});
  }
  std::stable_sort(keyed.begin(), keyed.end(), [](const TKeyed& a, const TKeyed& b) { return a.Key < b.Key; });
  std::vector<std::string> sorted;
  sorted.reserve(keyed.size());
  for (TKeyed& entry : keyed)
    sorted.push_back(std::move(entry.Term));
  return sorted;
}

bool AskAboutLowDefaultInterval(int defaultTtl) {
  return defaultTtl > 0 && defaultTtl < 60;
}

void CopySettingsDialogValues(const TSettingsValues& from, TSettingsValues& to) {
  to.MinOnClose = from.MinOnClose;
  to.DontStartMinimized = from.DontStartMinimized;
  to.MinToSysTray = from.MinToSysTray;
  to.ShowPopupWindow = from.ShowPopupWindow;
  to.TrayBlink = from.TrayBlink;
  to.DetailAutoSize = from.DetailAutoSize;
  to.AutoUpdate = from.AutoUpdate;
  to.FeedsAutoUpdateAtStart = from.FeedsAutoUpdateAtStart;
  to.FeedsUpdateOnDblClick = from.FeedsUpdateOnDblClick;
  to.AutoReadList = from.AutoReadList;
  to.Timeout = from.Timeout;
  to.GroupInFolders = from.GroupInFolders;
  to.UnreadUseColor = from.UnreadUseColor;
  to.UnreadColor = from.UnreadColor;
  to.PlaySound = from.PlaySound;
  to.PlaySoundFileName = from.PlaySoundFileName;
  to.AutoSort = from.AutoSort;
  to.ShowUnreadFirst = from.ShowUnreadFirst;
  to.ShowUnreadCount = from.ShowUnreadCount;
  to.ShowFolderUnreadCount = from.ShowFolderUnreadCount;
  to.DefaultTTL = from.DefaultTTL;
  to.DefaultDescTab = from.DefaultDescTab;
  to.ShowRefreshErrorMsg = from.ShowRefreshErrorMsg;
  to.ProxyMode = from.ProxyMode;
  to.ProxyServer = from.ProxyServer;
  to.ProxyPort = from.ProxyPort;
  to.UseWebBrowser = from.UseWebBrowser;
  to.WebBrowser = from.WebBrowser;
  to.LoadRemoteImages = from.LoadRemoteImages;
  to.TextFont = from.TextFont;
}

void ApplySettingsChange(TSettingsValues& settings, const TSettingsValues& chosen, const TSettingsApplySteps& steps) {
  CopySettingsDialogValues(chosen, settings);
  if (steps.EnableAutoUpdate)
    steps.EnableAutoUpdate(settings.AutoUpdate);
  if (steps.UpdateTray)
    steps.UpdateTray();
  if (steps.ApplyListSort)
    steps.ApplyListSort();
  if (steps.RebuildTree)
    steps.RebuildTree();
  if (steps.ApplyTextFont)
    steps.ApplyTextFont(settings.TextFont);
  if (steps.ApplyPaneLayout)
    steps.ApplyPaneLayout();
  if (steps.ScheduleSave)
    steps.ScheduleSave();
}

}  // namespace tidewick
