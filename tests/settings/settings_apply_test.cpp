#include "settings/settings_apply.h"

#include <gtest/gtest.h>
#include <string>
#include <tuple>
#include <vector>

namespace tidewick {
namespace {

TEST(SettingsApply, AutoReadTermsAreTrimmedSortedIgnoringCaseWithoutEmptyLines) {
  const std::vector<std::string> terms = {"", "  zebra ", "Äpfel", "apple", "", "Banana", "  ", "apple"};
  const std::vector<std::string> expected = {"Äpfel", "apple", "apple", "Banana", "zebra"};
  EXPECT_EQ(NormalizedAutoReadList(terms), expected);
  EXPECT_TRUE(NormalizedAutoReadList({"", " "}).empty());
}

TEST(SettingsApply, CopiesTheDialogValuesAndLeavesWindowStateAlone) {
  TSettingsValues chosen;
  chosen.MinOnClose = false;
  chosen.AutoReadList = {"x"};
  chosen.ProxyPort = 3128;
  chosen.TextFont.Name = "DejaVu Sans";
  chosen.UseWebBrowser = 1;
  chosen.ShowFolderUnreadCount = true;
  chosen.LoadRemoteImages = true;
  chosen.Structure = "dialog must not carry this";
  chosen.FormWidth = 1;

  TSettingsValues settings;
  settings.Structure = "kept";
  settings.FormWidth = 900;
  settings.AutoUpdate = false;
  std::vector<std::string> steps;
  const TSettingsApplySteps apply{
      [&](bool on) { steps.push_back(on ? "timer on" : "timer off"); },
      [&] { steps.push_back("tray"); },
      [&] { steps.push_back("sort"); },
      [&] { steps.push_back("tree"); },
      [&](const TFontRecord& font) { steps.push_back("font " + font.Name); },
      [&] { steps.push_back("panes"); },
      [&] { steps.push_back("save"); },
  };
  ApplySettingsChange(settings, chosen, apply);

  EXPECT_EQ(std::tie(settings.MinOnClose, settings.AutoReadList, settings.ProxyPort, settings.UseWebBrowser,
                     settings.ShowFolderUnreadCount, settings.LoadRemoteImages, settings.AutoUpdate, settings.Structure,
                     settings.FormWidth),
            std::tuple(false, chosen.AutoReadList, 3128, 1, true, true, true, "kept", 900));
  const std::vector<std::string> expected = {"timer on", "tray", "sort", "tree", "font DejaVu Sans", "panes", "save"};
  EXPECT_EQ(steps, expected);
}

}  // namespace
}  // namespace tidewick
