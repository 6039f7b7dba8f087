#include "platform/version.h"

#include "platform/version_info.h"

namespace tidewick {

std::string GetVersionString(std::string_view valueName) {
  if (valueName == "ProductName") {
    return version_info::kProductName;
  }
  if (valueName == "ProductVersion") {
    return version_info::kProductVersion;
  }
  if (valueName == "LegalCopyright") {
    return version_info::kLegalCopyright;
  }
  return {};
}

}  // namespace tidewick
