#include "settings/start_with_system.h"

#include "platform/autostart.h"
#include "util/case_fold.h"

namespace tidewick {

bool IsStartWithSystemEnabled(const std::string& programPath) {
  return ContainsIgnoringCase(ReadAutostartCommand(), programPath);
}

bool SetStartWithSystem(bool enabled, const std::string& programPath, bool useUserFolder) {
  if (!enabled) {
    return RemoveAutostartEntry();
  }
  return !programPath.empty() && WriteAutostartEntry(programPath, useUserFolder);
}

}  // namespace tidewick
