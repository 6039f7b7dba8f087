#include "ui/rules/tray_state.h"

#include <gtest/gtest.h>
#include <tuple>

#include "support/feed_builder.h"
#include "support/temp_dir.h"
#include "util/files.h"

namespace tidewick {
namespace {

TEST(TrayState, DecidesIconTipBlinkSoundAndPopup) {
  // Minimised with seven unread entries, a sound file and the popup ready: everything fires.
  const TTrayInputs minimized{
      .UnreadCount = 7, .PlaySound = true, .SoundFileExists = true, .Minimized = true, .PopupExists = true};
  TTrayInputs steady = minimized;
  steady.TrayBlink = false;
  steady.Minimized = false;
  steady.WindowShowing = true;
  TTrayInputs noSoundFile = minimized;
  noSoundFile.SoundFileExists = false;
  TTrayInputs starting = minimized;
  starting.PopupExists = false;
  TTrayInputs popupOff = minimized;
  popupOff.ShowPopupWindow = false;
  // What, the inputs, then the icon, the tip, and whether it blinks, sounds, shows the popup and closes it.
  const std::tuple<const char*, TTrayInputs, TTrayIcon, const char*, bool, bool, bool, bool> cases[] = {
      {"no unread entry", {.PopupVisible = true}, TTrayIcon::NoNews, "Tidewick", false, false, false, true},
      {"window showing", steady, TTrayIcon::Main, "Tidewick (7 neu)", false, false, false, false},
      {"minimised", minimized, TTrayIcon::Main, "Tidewick (7 neu)", true, true, true, false},
      {"sound file gone", noSoundFile, TTrayIcon::Main, "Tidewick (7 neu)", true, false, true, false},
      {"window being created", starting, TTrayIcon::Main, "Tidewick (7 neu)", true, true, false, false},
      {"popup switched off", popupOff, TTrayIcon::Main, "Tidewick (7 neu)", true, true, false, false},
  };
  for (const auto& [what, in, icon, tip, blink, sound, showPopup, closePopup] : cases) {
    const TTrayDecision d = DecideTrayNotification(in);
    EXPECT_EQ(std::tuple(d.Icon, d.Tip, d.Blink, d.PlaySound, d.ShowPopup, d.ClosePopup),
              std::tuple(icon, std::string(tip), blink, sound, showPopup, closePopup))
        << what;
  }
}

TEST(TrayState, CutsTheTipByCharactersNeverInsideOne) {
  std::string text;
  for (int i = 0; i < 70; ++i)
    text += "ü";
  const std::string cut = CutToCharacters(text, kTrayTipCharacters);
  EXPECT_EQ(cut.size(), 63u * 2);
  EXPECT_EQ(CutToCharacters("abc", 63), "abc");
  EXPECT_EQ(CutToCharacters("a€b", 2), "a€");
}

TEST(TrayState, PlaysOnlyFilesThatAreWaves) {
  const test::TempDir temp;
  const std::string wave = temp.File("ding.wav");
  const std::string mp3 = temp.File("ding.mp3");
  ASSERT_TRUE(WriteStringToFile(wave, std::string("RIFF\x24\0\0\0WAVEfmt ", 16)));
  ASSERT_TRUE(WriteStringToFile(mp3, "ID3\x04 not a wave file"));
  EXPECT_TRUE(IsPlayableWaveFile(wave));
  EXPECT_FALSE(IsPlayableWaveFile(mp3));
  EXPECT_FALSE(IsPlayableWaveFile(temp.File("missing.wav")));
  EXPECT_FALSE(IsPlayableWaveFile(temp.Path().string()));  // a folder
}

TEST(TrayState, PopupListsUnreadEntriesByDateThenTitle) {
  TFeeds feeds{test::MakeFeed("A"), test::MakeFeed("B")};
  feeds[0].Id = 1;
  feeds[1].Id = 2;
  auto add = [](TFeed& feed, const char* title, TDateTime date, bool read) {
    feed.Entries.push_back(test::MakeEntry(title));
    feed.Entries.back().PublishedDate = date;
    feed.Entries.back().IsRead = read;
  };
  add(feeds[0], "beta", 10, false);
  add(feeds[0], "read", 20, true);
  add(feeds[1], "Alpha", 10, false);
  add(feeds[1], "", 30, false);
  const auto descending = PopupRows(feeds, false);
  ASSERT_EQ(descending.size(), 3u);
  EXPECT_EQ(descending[0].Title, "(Kein Titel verfügbar)");  // newest first, untitled shown as such
  EXPECT_EQ(descending[0].FeedId, 2u);
  EXPECT_EQ(descending[1].Title, "beta");
  const auto ascending = PopupRows(feeds, true);
  EXPECT_EQ(ascending[0].Title, "Alpha");  // equal dates by title, ignoring case
  EXPECT_EQ(ascending[1].Title, "beta");
  EXPECT_EQ(ascending[2].FeedName, "B");
}

TEST(TrayState, PopupListsOnlyTheNewestUnreadEntries) {
  // A large backlog is not worth a long list in a corner window, nor the time to sort it all.
  TFeeds feeds(1);
  const int unread = static_cast<int>(kPopupRowLimit) + 50;
  for (int day = 1; day <= unread; ++day) {
    feeds[0].Entries.push_back(test::MakeEntry(std::to_string(day)));
    feeds[0].Entries.back().PublishedDate = day;
  }
  const auto descending = PopupRows(feeds, false);
  ASSERT_EQ(descending.size(), kPopupRowLimit);
  EXPECT_EQ(descending.front().PublishedDate, unread);
  EXPECT_EQ(descending.back().PublishedDate, 51);
  EXPECT_EQ(PopupRows(feeds, true).front().PublishedDate, 51);
}

}  // namespace
}  // namespace tidewick
