#pragma once

#include <string>

#include "shell/settings.h"
#include "support/temp_dir.h"

namespace tidewick::test {

// A settings location inside a temporary folder, as if the program were "<dir>/tidewick".
inline TSettingsLocation LocationIn(const TempDir& dir) {
  return ChooseSettingsLocation(dir.File("tidewick"), true, true, dir.File("user"));
}

}  // namespace tidewick::test
