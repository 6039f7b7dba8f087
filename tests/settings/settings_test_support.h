#pragma once

#include <gtest/gtest.h>
#include <string>

#include "settings/settings.h"
#include "support/temp_dir.h"
#include "util/files.h"

namespace tidewick::test {

// A settings location inside a temporary folder, as if the program were "<dir>/tidewick".
inline TSettingsLocation LocationIn(const TempDir& dir) {
  return ChooseSettingsLocation(dir.File("tidewick"), true, true, dir.File("user"));
}

// Writes fileText as the settings file in dir and loads it; the load's result goes to *result when asked for.
inline TSettings LoadSettingsText(const TempDir& dir, const std::string& fileText,
                                  TSettingsLoadResult* result = nullptr) {
  const TSettingsLocation location = LocationIn(dir);
  EXPECT_TRUE(WriteStringToFile(location.SettingsFileName, fileText));
  TSettings settings;
  const TSettingsLoadResult loaded = LoadSettings(settings, location);
  if (result != nullptr) {
    *result = loaded;
  }
  return settings;
}

}  // namespace tidewick::test
